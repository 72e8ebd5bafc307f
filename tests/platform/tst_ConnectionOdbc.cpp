#include "Connection.h"
#include "ErrorNumbers.h"
#include "LogLines.h"
#include "RaisedError.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

// The layer as a run uses it, through Qt's ODBC driver, the driver manager and the simulated
// Oracle server: errors come back with Oracle's driver prefixes and ORA numbers, in one or more
// diagnostic records, and the server's log shows what reached it.
class tst_ConnectionOdbc : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void runOverQtOdbc();
    void errors_data();
    void errors();
    void closingDisconnects();
    void driverNotInstalled_data();
    void driverNotInstalled();

private:
    QString connectionString(const QString& config) const
    {
        return QStringLiteral("Driver={Simulador Oracle};%1;Log=%2").arg(config, log());
    }
    QString log() const { return m_dir->filePath(QStringLiteral("log")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// Index names with "SYS" and at least one more character left out ("_" unescaped).
const QString sysLikeQuery
    = QStringLiteral("SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ORDER BY 1");

} // namespace

void tst_ConnectionOdbc::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_ConnectionOdbc::cleanup()
{
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
    m_dir.reset();
}

void tst_ConnectionOdbc::runOverQtOdbc()
{
    Connection cn;
    cn.Open(connectionString("Indexes=IDX_B,SYS_C001,IDX_A,SYSTEM_X"));
    const QStringList names = QSqlDatabase::connectionNames();
    QCOMPARE(names.size(), 1);
    QCOMPARE(QSqlDatabase::database(names.first(), false).driverName(), QString("QODBC"));
    auto rs = cn.Execute(sysLikeQuery);
    QStringList rebuilt;
    while (!rs->Eof()) {
        const QString name = rs->Fields("index_name").toString();
        QVERIFY(cn.Execute("ALTER INDEX " + name + " REBUILD")->Eof());
        rebuilt.append(name);
        rs->MoveNext();
    }
    rs->Close();
    cn.Close();
    // "SYS_%" leaves out SYSTEM_X as well: "_" matches any one character.
    QCOMPARE(rebuilt, (QStringList {"IDX_A", "IDX_B"}));
    QCOMPARE(logLines(log()),
        (QStringList {"CONNECT", "EXEC 0 " + sysLikeQuery, "EXEC 0 ALTER INDEX IDX_A REBUILD",
            "EXEC 0 ALTER INDEX IDX_B REBUILD", "DISCONNECT"}));
}

void tst_ConnectionOdbc::errors_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql"); // empty: opening fails
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("description");

    const QString noOnline = QStringLiteral("ORA-00439: feature not enabled: Online Index Build");
    const QString logonDenied = QStringLiteral("ORA-01017: invalid username/password; logon denied");
    QTest::newRow("ONLINE refused") << "Indexes=IDX_A;Online=0"
                                    << "ALTER INDEX IDX_A REBUILD ONLINE" << 439 << noOnline;
    QTest::newRow("two records: the first one") << "Indexes=IDX_A;Online=0;Records=2"
                                                << "ALTER INDEX IDX_A REBUILD ONLINE" << 439 << noOnline;
    QString longText
        = QStringLiteral("ORA-01502: index 'IDX_A' or partition of such index is in unusable state");
    for (int part = 1; longText.size() < 600; ++part)
        longText += QStringLiteral("; simulated detail %1").arg(part, 2, 10, QLatin1Char('0'));
    QTest::newRow("longer than 511 characters, whole") << "Indexes=IDX_A;Fail=IDX_A:1502;LongText=1"
                                                       << "ALTER INDEX IDX_A REBUILD" << 1502 << longText;
    QTest::newRow("text beyond ASCII")
        << QString::fromUtf8("Indexes=\xC3\x8DNDICE;Fail=\xC3\x8DNDICE:1502")
        << QString::fromUtf8("ALTER INDEX \"\xC3\x8DNDICE\" REBUILD") << 1502
        << QString::fromUtf8(
               "ORA-01502: index '\xC3\x8DNDICE' or partition of such index is in unusable state");
    QTest::newRow("wrong password") << "ExpectPwd=tiger;PWD={lion}"
                                    << "" << 1017 << logonDenied;
    QTest::newRow("wrong password, two records") << "ExpectPwd=tiger;PWD={lion};Records=2"
                                                 << "" << 1017 << logonDenied;
    // The simulator's own complaint carries no ORA number.
    QTest::newRow("bad configuration")
        << "Colour=blue"
        << "" << ErrorNumber::DriverFailure << "invalid simulator configuration: unknown key 'Colour'";
}

void tst_ConnectionOdbc::errors()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(qint32, number);
    QFETCH(QString, description);

    Connection cn;
    std::optional<TarvelinError> error;
    if (sql.isEmpty()) {
        error = raisedBy([&] { cn.Open(connectionString(config)); });
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
    } else {
        cn.Open(connectionString(config));
        error = raisedBy([&] { cn.Execute(sql); });
        // The connection stays usable.
        QVERIFY(cn.Execute(sysLikeQuery));
    }
    QVERIFY(error);
    QCOMPARE(error->number(), number);
    // After a failed open Qt has freed the connection handle and left the text of every record
    // joined, with the native number of the last one; unixODBC has put the records of the failed
    // connect in SQLSTATE order, the HY000 companion before the 28000 logon error. Number and
    // text must still come from one record.
    QCOMPARE(error->description(), description);
}

void tst_ConnectionOdbc::closingDisconnects()
{
    std::unique_ptr<Recordset> rs;
    {
        Connection cn;
        cn.Open(connectionString("Indexes=IDX_A"));
        cn.Close();
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
        // Released while open, a connection disconnects; two are two sessions.
        Connection open;
        open.Open(connectionString("Indexes=IDX_A"));
        Connection other;
        other.Open(connectionString("Indexes=IDX_B"));
        QCOMPARE(QSqlDatabase::connectionNames().size(), 2);
        rs = open.Execute(sysLikeQuery);
    }
    // The rows outlive their connection, as a client-side cursor's do.
    QCOMPARE(rs->Fields("index_name").toString(), QString("IDX_A"));
    QCOMPARE(logLines(log()),
        (QStringList {"CONNECT", "DISCONNECT", "CONNECT", "CONNECT", "EXEC 0 " + sysLikeQuery, "DISCONNECT",
            "DISCONNECT"}));
}

// The first failure an installed copy meets: the profile names a driver this driver manager does
// not have (misspelt, or a 32-bit one where the program is 64-bit). The message names it and the
// drivers there are, in Spanish, before the manager's own words; a driver given by its file, or
// one that is there and fails for its own reasons, keeps the driver's error.
void tst_ConnectionOdbc::driverNotInstalled_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("starts");

    QTest::newRow("a name no driver has")
        << "Driver={Oracle in OraClient19Home1};Dbq=//dbhost:1521/ORCLPDB1;Uid=scott"
        << ErrorNumber::DriverNotInstalled
        << QStringLiteral(
               "El controlador ODBC «Oracle in OraClient19Home1» que indica el perfil no está instalado para "
               "este programa de %1 bits; los instalados son: «Simulador Oracle». El gestor de "
               "controladores dice: ")
               .arg(QSysInfo::WordSize);
    QTest::newRow("the name in another case is the same driver")
        << "DRIVER={simulador oracle};Indexes=IDX_A;ExpectPwd=x" << qint32(1017) << "ORA-01017";
    QTest::newRow("a library that is not there")
        << "Driver={/nonexistent/libnada.so};Dbq=x" << ErrorNumber::DriverFailure << "";
}

void tst_ConnectionOdbc::driverNotInstalled()
{
    QFETCH(QString, connection);
    QFETCH(qint32, number);
    QFETCH(QString, starts);
    Connection cn;
    const auto error = raisedBy([&] { cn.Open(connection); });
    QVERIFY(error);
    QCOMPARE(error->number(), number);
    QVERIFY2(error->description().startsWith(starts), qPrintable(error->description()));
    // The manager's own words follow.
    QVERIFY2(error->description().size() > starts.size(), qPrintable(error->description()));
}

QTEST_GUILESS_MAIN(tst_ConnectionOdbc)
#include "tst_ConnectionOdbc.moc"
