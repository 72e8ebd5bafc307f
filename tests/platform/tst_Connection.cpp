#include "Connection.h"
#include "ErrorNumbers.h"
#include "FakeSqlDriver.h"
#include "RaisedError.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTest>

namespace {

const QString fake = QStringLiteral("Provider=TVFAKE;");

QSqlError driverError(const QString& text, const QString& nativeCode)
{
    return QSqlError(QStringLiteral("Unable to execute"), text, QSqlError::StatementError, nativeCode);
}

} // namespace

class tst_Connection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Opening.
    void providerNamesTheDriver();
    void unknownProvider();
    void odbcNeedsDriverOrDsn_data();
    void odbcNeedsDriverOrDsn();
    void odbcUnknownDataSource();
    void openError_data();
    void openError();

    // Running statements.
    void statementError();
    void fetchErrorIsRaised();

    // Closing and the ODBC path end to end: tst_ConnectionOdbc.
};

void tst_Connection::init()
{
    FakeServer::reset();
    // The layer must not make Qt complain (a connection removed while in use,
    // a database used from the wrong thread...).
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void tst_Connection::cleanup()
{
    QCOMPARE(FakeServer::openDrivers, 0);
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
}

void tst_Connection::providerNamesTheDriver()
{
    // The name in any case; the rest goes to that driver as it is.
    Connection cn;
    cn.Open("provider=tvfake; a=b ;;PWD={x;}}y}");
    QCOMPARE(FakeServer::openedDatabaseName, QString(" a=b ;;PWD={x;}}y}"));
    QCOMPARE(FakeServer::openDrivers, 1);
}

void tst_Connection::unknownProvider()
{
    Connection cn;
    const auto error = raisedBy([&] { cn.Open("Provider=NoSuchDriver;Driver={x}"); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProviderNotFound);
    QVERIFY2(error->description().startsWith(QStringLiteral("No se encuentra el proveedor NoSuchDriver")),
        qPrintable(error->description()));
    QCOMPARE(FakeServer::openDrivers, 0);
}

void tst_Connection::odbcNeedsDriverOrDsn_data()
{
    QTest::addColumn<QString>("connectionString");
    QTest::newRow("empty") << "";
    QTest::newRow("no driver, no data source") << "Server=127.0.0.1;Uid=scott";
    QTest::newRow("explicit provider") << "Provider=QODBC;Dbq=//dbhost:1521/ORCLPDB1;Uid=scott";
    QTest::newRow("Driver= only inside a password") << "Uid=scott;PWD={Driver=x}";
    QTest::newRow("FILEDSN is not DSN") << "FILEDSN=/etc/prod.dsn";
}

void tst_Connection::odbcNeedsDriverOrDsn()
{
    QFETCH(QString, connectionString);
    Connection cn;
    const auto error = raisedBy([&] { cn.Open(connectionString); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::InvalidConnectionString);
    QCOMPARE(error->description(),
        QString::fromUtf8("La cadena de conexión no es válida: debe indicar Driver= o DSN=."));
    QCOMPARE(FakeServer::openDrivers, 0);
}

void tst_Connection::odbcUnknownDataSource()
{
    // Reaches the ODBC driver manager, whose own errors have no native number.
    Connection cn;
    const auto error = raisedBy([&] { cn.Open("DSN=tarvelin_no_such_data_source;Uid=x"); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::DriverFailure);
    QCOMPARE(
        error->description(), QStringLiteral("Data source name not found and no default driver specified"));
    QCOMPARE(FakeServer::openDrivers, 0);
}

void tst_Connection::openError_data()
{
    QTest::addColumn<QSqlError>("error");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("description");

    QTest::newRow("no native number")
        << QSqlError("Unable to connect", "[X][Y]Server gone", QSqlError::ConnectionError, "")
        << ErrorNumber::DriverFailure << "Server gone";
    QTest::newRow("native number not numeric") << QSqlError("Unable to connect",
        "28P01: password authentication failed", QSqlError::ConnectionError,
        "28P01") << ErrorNumber::DriverFailure << "28P01: password authentication failed";
    QTest::newRow("native number zero") << QSqlError("Unable to connect",
        "[unixODBC][Driver Manager]Data source name not found", QSqlError::ConnectionError, "0")
                                        << ErrorNumber::DriverFailure << "Data source name not found";
    QTest::newRow("negative native number")
        << QSqlError("Unable to connect", "[A][B]Login failed", QSqlError::ConnectionError, "-27") << -27
        << "Login failed";
    QTest::newRow("only the driver's own text")
        << QSqlError("Unable to connect", "", QSqlError::ConnectionError, "") << ErrorNumber::DriverFailure
        << "Unable to connect";
}

void tst_Connection::openError()
{
    QFETCH(QSqlError, error);
    QFETCH(qint32, number);
    QFETCH(QString, description);
    FakeServer::openError = error;
    Connection cn;
    const auto raised = raisedBy([&] { cn.Open(fake + "x=y"); });
    QVERIFY(raised);
    QCOMPARE(raised->number(), number);
    QCOMPARE(raised->description(), description);
    QCOMPARE(FakeServer::openDrivers, 0);
}

void tst_Connection::statementError()
{
    // A driver other than ODBC: Qt's text of every record and the native number of the last,
    // whose text goes with it.
    const QSqlError error = driverError(QString::fromUtf8("[Oracle][ODBC]Statement aborted "
                                                          "[Oracle][ODBC][Ora]ORA-01418: el índice "
                                                          "especificado no existe"),
        "1418");
    FakeServer::answers["ALTER INDEX IDX_A REBUILD ONLINE"] = FakeAnswer {{}, {}, error, -1, {}};
    Connection cn;
    cn.Open(fake);
    const auto raised = raisedBy([&] { cn.Execute("ALTER INDEX IDX_A REBUILD ONLINE"); });
    QVERIFY(raised);
    QCOMPARE(raised->number(), 1418);
    QCOMPARE(raised->description(), QString::fromUtf8("ORA-01418: el índice especificado no existe"));
    // The connection stays usable.
    QVERIFY(cn.Execute("ALTER INDEX IDX_A REBUILD")->Eof());
}

void tst_Connection::fetchErrorIsRaised()
{
    // Rows cut short by an error must not look like a shorter list.
    FakeServer::answers["q"] = FakeAnswer {{"INDEX_NAME"}, {{"IDX_A"}, {"IDX_B"}, {"IDX_C"}}, {}, 2,
        driverError("[Oracle][ODBC][Ora]ORA-01555: snapshot too old", "1555")};
    Connection cn;
    cn.Open(fake);
    const auto raised = raisedBy([&] { cn.Execute("q"); });
    QVERIFY(raised);
    QCOMPARE(raised->number(), 1555);
    QCOMPARE(raised->description(), QStringLiteral("ORA-01555: snapshot too old"));
}

QTEST_GUILESS_MAIN(tst_Connection)
#include "tst_Connection.moc"
