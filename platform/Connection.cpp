#include "Connection.h"

#include "ConnectionString.h"
#include "DriverMessage.h"
#include "ErrorNumbers.h"
#include "OdbcDiagnostics.h"
#include "OdbcLibrary.h"
#include "TarvelinError.h"

#include <QAtomicInteger>
#include <QMetaType>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <limits>
#include <optional>

namespace {

[[noreturn]] void raise(qint32 number, const QString& description)
{
    throw TarvelinError(number, description);
}

// A native code of 0 means the driver gave none (a driver manager's own
// errors carry 0), and 0 is not an error number.
qint32 numberFromNative(qint64 native)
{
    if (native == 0 || native < std::numeric_limits<qint32>::min()
        || native > std::numeric_limits<qint32>::max())
        return ErrorNumber::DriverFailure;
    return static_cast<qint32>(native);
}

// An error as Qt reports it. Qt's ODBC driver joins the text of every
// diagnostic record and keeps the native code of the last one; after a failed
// open it has already freed the connection handle, so this is all there is.
// The last record's text is kept, as the one that number belongs to. (The
// driver's own order is lost there anyway: unixODBC sorts the records of a
// failed connect by SQLSTATE.)
TarvelinError fromQtError(const QSqlError& error)
{
    QString text = error.databaseText();
    if (text.trimmed().isEmpty())
        text = error.driverText();
    bool numeric = false;
    const qint64 native = error.nativeErrorCode().trimmed().toLongLong(&numeric);
    return TarvelinError(numeric ? numberFromNative(native) : ErrorNumber::DriverFailure,
        DriverMessage::withoutPrefixes(DriverMessage::lastRecord(text)));
}

// The SQLHSTMT behind a query of Qt's ODBC driver, or null.
SQLHSTMT statementHandle(const QSqlQuery& query)
{
    const QSqlResult* result = query.result();
    if (!result)
        return nullptr;
    const QVariant handle = result->handle();
    if (!handle.isValid() || handle.metaType() != QMetaType::fromType<SQLHANDLE>())
        return nullptr;
    return *static_cast<const SQLHANDLE*>(handle.constData());
}

// A failed statement. Through ODBC the first diagnostic record is read from
// the statement itself, where the driver puts the error it names (an ORA code
// for Oracle) with its own native number.
TarvelinError statementError(const QSqlQuery& query, bool odbc)
{
    if (odbc) {
        if (const auto record
            = OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Statement, statementHandle(query)))
            return TarvelinError(
                numberFromNative(record->nativeCode), DriverMessage::withoutPrefixes(record->text));
    }
    return fromQtError(query.lastError());
}

// Qt's driver names as Qt spells them; ADO does not care about case.
std::optional<QString> availableDriver(const QString& provider)
{
    const QStringList drivers = QSqlDatabase::drivers();
    for (const QString& driver : drivers) {
        if (driver.compare(provider, Qt::CaseInsensitive) == 0 && QSqlDatabase::isDriverAvailable(driver))
            return driver;
    }
    return std::nullopt;
}

// A failed open whose Driver= names no driver the driver manager knows: misspelt, or installed for
// the other bitness (a 32-bit Oracle client where Tarvelin is 64-bit). The manager's own words (in
// English, "Data source name not found...", "Can't open lib...") say neither; they follow.
std::optional<TarvelinError> driverNotInstalled(const QString& pairs, const TarvelinError& failure)
{
    const QString driver = ConnectionString::valueOf(pairs, QStringLiteral("Driver"));
    // A path names the library itself, which the manager loads without looking it up.
    if (driver.isEmpty() || driver.contains(u'/') || driver.contains(u'\\'))
        return std::nullopt;
    const std::optional<QStringList> installed = OdbcLibrary::installedDrivers();
    if (!installed || installed->contains(driver, Qt::CaseInsensitive))
        return std::nullopt;
    const QString bits = QString::number(QSysInfo::WordSize);
    QString text = QStringLiteral("El controlador ODBC «%1» que indica el perfil no está instalado para este "
                                  "programa de %2 bits; ")
                       .arg(driver, bits);
    if (installed->isEmpty()) {
        text += QStringLiteral("no hay ningún controlador ODBC de %1 bits instalado").arg(bits);
    } else {
        text += QStringLiteral("los instalados son: «") + installed->join(QStringLiteral("», «")) + u'»';
    }
    return TarvelinError(ErrorNumber::DriverNotInstalled,
        text + QStringLiteral(". El gestor de controladores dice: ") + failure.description());
}

QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("tarvelin-connection-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

} // namespace

struct Connection::Private
{
    QString name; // of the QSqlDatabase connection while open
    bool open = false;
    bool odbc = false;

    void release()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        // No QSqlDatabase copy is left, so Qt removes it without complaint.
        QSqlDatabase::removeDatabase(name);
        open = false;
    }
};

Connection::Connection()
    : d(std::make_unique<Private>())
{ }

Connection::~Connection()
{
    if (d->open)
        d->release();
}

void Connection::Open(const QString& connectionString)
{
    const auto [provider, rest] = ConnectionString::split(connectionString);
    const std::optional<QString> driver = availableDriver(provider);
    if (!driver)
        raise(ErrorNumber::ProviderNotFound,
            QStringLiteral("No se encuentra el proveedor %1. Puede que no esté instalado correctamente.")
                .arg(provider));
    // The default provider is Qt's ODBC driver, the only one the layer reaches below Qt.
    const bool odbc = *driver == ConnectionString::defaultProvider();

    QString databaseName = rest;
    if (odbc) {
        if (!ConnectionString::hasKey(rest, QStringLiteral("Driver"))
            && !ConnectionString::hasKey(rest, QStringLiteral("DSN")))
            raise(ErrorNumber::InvalidConnectionString,
                QStringLiteral("La cadena de conexión no es válida: debe indicar Driver= o DSN=."));
        databaseName = ConnectionString::forQtOdbcDriver(databaseName);
    }

    const QString name = nextConnectionName();
    std::optional<TarvelinError> failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(*driver, name);
        // No connection attributes are set: a driver that refuses one makes unixODBC put its own
        // warning first among the records of a failed open, ahead of the driver's error.
        db.setDatabaseName(databaseName);
        if (!db.open())
            failure = fromQtError(db.lastError());
    }
    if (failure) {
        QSqlDatabase::removeDatabase(name);
        if (const std::optional<TarvelinError> missing
            = odbc ? driverNotInstalled(rest, *failure) : std::nullopt)
            throw *missing;
        throw *failure;
    }
    d->name = name;
    d->odbc = odbc;
    d->open = true;
}

std::unique_ptr<Recordset> Connection::Execute(const QString& sql)
{
    QSqlDatabase db = QSqlDatabase::database(d->name, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // Executed directly, without a time-out (none is ODBC's default): a prepared statement would
    // cost psqlODBC four round trips instead of one.
    if (!query.exec(sql))
        throw statementError(query, d->odbc);

    if (!query.isSelect())
        return std::make_unique<Recordset>();

    const QSqlRecord record = query.record();
    const int columnCount = record.count();
    QStringList columns;
    columns.reserve(columnCount);
    for (int i = 0; i < columnCount; ++i)
        columns.append(record.fieldName(i));
    auto rows = std::make_unique<Recordset>(std::move(columns));
    if (query.size() > 0)
        rows->reserveRows(query.size());
    while (query.next()) {
        for (int i = 0; i < columnCount; ++i)
            rows->append(query.value(i));
    }
    // next() also answers false when fetching failed.
    if (query.lastError().isValid())
        throw statementError(query, d->odbc);
    rows->squeeze();
    return rows;
}

void Connection::Close()
{
    if (d->open)
        d->release();
}
