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

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Opening.
    void providerNamesTheDriver_data();
    void providerNamesTheDriver();
    void userAndPassword();
    void unknownProvider();
    void odbcNeedsDriverOrDsn_data();
    void odbcNeedsDriverOrDsn();
    void odbcUnknownDataSource();
    void onlySynchronousOpen();
    void openTwice();
    void openError_data();
    void openError();
    void failedOpenLeavesNothingBehind();

    // Running statements.
    void rowsAreReadBeforeExecuteReturns();
    void statementError_data();
    void statementError();
    void fetchErrorIsRaised();
    void onlySqlText();
    void manyRows();

    // Closing, time-outs and the ODBC path end to end: tst_orasim_connection.
    void commandTimeout();
};

void TestConnection::init()
{
    FakeServer::reset();
    // The layer must not make Qt complain (a connection removed while in use,
    // a database used from the wrong thread...).
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void TestConnection::cleanup()
{
    QCOMPARE(FakeServer::openDrivers, 0);
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
}

void TestConnection::providerNamesTheDriver_data()
{
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<QString>("passedOn");

    QTest::newRow("as Qt spells it") << "Provider=TVFAKE;Indexes=A,B;Online=0"
                                     << "Indexes=A,B;Online=0";
    QTest::newRow("key and name in any case") << "provider=tvfake;Indexes=A"
                                              << "Indexes=A";
    QTest::newRow("blanks around key and name") << " Provider = TVFAKE ;Indexes=A"
                                                << "Indexes=A";
    QTest::newRow("the rest unchanged") << "Provider=TVFAKE; a=b ;;PWD={x;}}y}"
                                        << " a=b ;;PWD={x;}}y}";
    QTest::newRow("nothing after the provider") << "Provider=TVFAKE"
                                                << "";
}

void TestConnection::providerNamesTheDriver()
{
    QFETCH(QString, connectionString);
    QFETCH(QString, passedOn);
    Connection cn;
    cn.Open(connectionString, QString(), QString(), Connection::adOptionUnspecified);
    QVERIFY(cn.isOpen());
    QCOMPARE(FakeServer::openedDatabaseName, passedOn);
    QCOMPARE(FakeServer::openDrivers, 1);
}

void TestConnection::userAndPassword()
{
    {
        Connection cn;
        cn.Open(fake + "Indexes=A", QString(), QString(), -1);
        QCOMPARE(FakeServer::openedDatabaseName, QStringLiteral("Indexes=A"));
        QVERIFY(FakeServer::openedUser.isEmpty());
        QVERIFY(FakeServer::openedPassword.isEmpty());
    }
    // Passed beside the connection string, never added to it.
    Connection cn;
    cn.Open(fake + "Indexes=A", QStringLiteral("scott"), QStringLiteral("ti;ger"), -1);
    QCOMPARE(FakeServer::openedDatabaseName, QStringLiteral("Indexes=A"));
    QCOMPARE(FakeServer::openedUser, QStringLiteral("scott"));
    QCOMPARE(FakeServer::openedPassword, QStringLiteral("ti;ger"));
}

void TestConnection::unknownProvider()
{
    Connection cn;
    const auto error
        = raisedBy([&] { cn.Open("Provider=NoSuchDriver;Driver={x}", QString(), QString(), -1); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProviderNotFound);
    QVERIFY2(error->description().startsWith(QStringLiteral("No se encuentra el proveedor NoSuchDriver")),
        qPrintable(error->description()));
    QVERIFY(!cn.isOpen());
}

void TestConnection::odbcNeedsDriverOrDsn_data()
{
    QTest::addColumn<QString>("connectionString");
    QTest::newRow("empty") << "";
    QTest::newRow("no driver, no data source") << "Server=127.0.0.1;Uid=scott";
    QTest::newRow("explicit provider") << "Provider=QODBC;Dbq=//dbhost:1521/ORCLPDB1;Uid=scott";
    QTest::newRow("Driver= only inside a password") << "Uid=scott;PWD={Driver=x}";
    QTest::newRow("FILEDSN is not DSN") << "FILEDSN=/etc/prod.dsn";
}

void TestConnection::odbcNeedsDriverOrDsn()
{
    QFETCH(QString, connectionString);
    Connection cn;
    const auto error = raisedBy([&] { cn.Open(connectionString, QString(), QString(), -1); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::InvalidConnectionString);
    QCOMPARE(error->description(),
        QString::fromUtf8("La cadena de conexión no es válida: debe indicar Driver= o DSN=."));
    QVERIFY(!cn.isOpen());
}

void TestConnection::odbcUnknownDataSource()
{
    // Reaches the ODBC driver manager, whose own errors have no native number.
    Connection cn;
    const auto error
        = raisedBy([&] { cn.Open("DSN=tarvelin_no_such_data_source;Uid=x", QString(), QString(), -1); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::DriverFailure);
    QCOMPARE(
        error->description(), QStringLiteral("Data source name not found and no default driver specified"));
    QVERIFY(!cn.isOpen());
}

void TestConnection::onlySynchronousOpen()
{
    Connection cn;
    TV_VERIFY_RAISES(cn.Open(fake, QString(), QString(), 16), ErrorNumber::InvalidArgument);
    QVERIFY(!cn.isOpen());
}

void TestConnection::openTwice()
{
    Connection cn;
    cn.Open(fake, QString(), QString(), -1);
    TV_VERIFY_RAISES(cn.Open(fake, QString(), QString(), -1), ErrorNumber::ObjectOpen);
    QVERIFY(cn.isOpen());
    QCOMPARE(FakeServer::openDrivers, 1);
}

void TestConnection::openError_data()
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

void TestConnection::openError()
{
    QFETCH(QSqlError, error);
    QFETCH(qint32, number);
    QFETCH(QString, description);
    FakeServer::openError = error;
    Connection cn;
    const auto raised = raisedBy([&] { cn.Open(fake + "x=y", QString(), QString(), -1); });
    QVERIFY(raised);
    QCOMPARE(raised->number(), number);
    QCOMPARE(raised->description(), description);
    QVERIFY(!cn.isOpen());
}

void TestConnection::failedOpenLeavesNothingBehind()
{
    FakeServer::openError = driverError("[A][B]refused", "1");
    {
        Connection cn;
        QVERIFY(raisedBy([&] { cn.Open(fake, QString(), QString(), -1); }));
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
        TV_VERIFY_RAISES(cn.Execute("SELECT 1", Connection::adCmdText), ErrorNumber::ObjectClosed);
        // A later attempt on the same object may succeed.
        FakeServer::openError = QSqlError();
        cn.Open(fake, QString(), QString(), -1);
        QVERIFY(cn.isOpen());
    }
}

void TestConnection::rowsAreReadBeforeExecuteReturns()
{
    FakeServer::answers["SELECT index_name FROM user_indexes"]
        = FakeAnswer {{"INDEX_NAME"}, {{"IDX_A"}, {"IDX_B"}, {"IDX_C"}}, {}, -1, {}};
    Connection cn;
    cn.Open(fake, QString(), QString(), -1);
    auto rs = cn.Execute("SELECT index_name FROM user_indexes", Connection::adCmdText);
    QCOMPARE(FakeServer::rowsFetched, 3);
    QCOMPARE(rs->rowCount(), 3);

    // Other statements on the same connection while the rows are walked.
    QStringList seen;
    while (!rs->Eof()) {
        const QString name = rs->Fields("index_name").toString();
        seen.append(name);
        auto none = cn.Execute("ALTER INDEX " + name + " REBUILD", Connection::adCmdText);
        QVERIFY(none->Eof());
        rs->MoveNext();
    }
    QCOMPARE(seen, (QStringList {"IDX_A", "IDX_B", "IDX_C"}));
    QCOMPARE(FakeServer::statements,
        (QStringList {"SELECT index_name FROM user_indexes", "ALTER INDEX IDX_A REBUILD",
            "ALTER INDEX IDX_B REBUILD", "ALTER INDEX IDX_C REBUILD"}));
    rs->Close();
    cn.Close();
}

void TestConnection::statementError_data()
{
    QTest::addColumn<QSqlError>("error");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("description");

    QTest::newRow("Spanish text, first of two records") << driverError(
        QString::fromUtf8("[Oracle][ODBC][Ora]ORA-01418: el índice especificado no existe "
                          "[Oracle][ODBC]Statement aborted"),
        "1418") << 1418 << QString::fromUtf8("ORA-01418: el índice especificado no existe");
}

void TestConnection::statementError()
{
    QFETCH(QSqlError, error);
    QFETCH(qint32, number);
    QFETCH(QString, description);
    FakeServer::answers["ALTER INDEX IDX_A REBUILD ONLINE"] = FakeAnswer {{}, {}, error, -1, {}};
    Connection cn;
    cn.Open(fake, QString(), QString(), -1);
    const auto raised
        = raisedBy([&] { cn.Execute("ALTER INDEX IDX_A REBUILD ONLINE", Connection::adCmdText); });
    QVERIFY(raised);
    QCOMPARE(raised->number(), number);
    QCOMPARE(raised->description(), description);
    // The connection stays usable.
    QVERIFY(cn.isOpen());
    QVERIFY(cn.Execute("ALTER INDEX IDX_A REBUILD", Connection::adCmdText)->Eof());
}

void TestConnection::fetchErrorIsRaised()
{
    // Rows cut short by an error must not look like a shorter list.
    FakeServer::answers["q"] = FakeAnswer {{"INDEX_NAME"}, {{"IDX_A"}, {"IDX_B"}, {"IDX_C"}}, {}, 2,
        driverError("[Oracle][ODBC][Ora]ORA-01555: snapshot too old", "1555")};
    Connection cn;
    cn.Open(fake, QString(), QString(), -1);
    const auto raised = raisedBy([&] { cn.Execute("q", Connection::adCmdText); });
    QVERIFY(raised);
    QCOMPARE(raised->number(), 1555);
    QCOMPARE(raised->description(), QStringLiteral("ORA-01555: snapshot too old"));
}

void TestConnection::onlySqlText()
{
    Connection cn;
    cn.Open(fake, QString(), QString(), -1);
    TV_VERIFY_RAISES(cn.Execute("user_indexes", 2), ErrorNumber::InvalidArgument);
    QVERIFY(FakeServer::statements.isEmpty());
    QVERIFY(cn.Execute("SELECT 1", Connection::adOptionUnspecified));
}

void TestConnection::manyRows()
{
    FakeAnswer answer {{"INDEX_NAME", "N"}, {}, {}, -1, {}};
    constexpr int rows = 100000;
    answer.rows.reserve(rows);
    for (int i = 0; i < rows; ++i)
        answer.rows.push_back({QStringLiteral("IDX_%1").arg(i), i});
    FakeServer::answers["q"] = std::move(answer);
    Connection cn;
    cn.Open(fake, QString(), QString(), -1);
    auto rs = cn.Execute("q", Connection::adCmdText);
    QCOMPARE(rs->rowCount(), rows);
    FakeServer::answers.clear(); // the rows are the row set's own now
    int seen = 0;
    while (!rs->Eof()) {
        if (rs->Fields("n").toInt() != seen
            || rs->Fields("INDEX_NAME").toString() != QStringLiteral("IDX_%1").arg(seen))
            QFAIL(qPrintable(QStringLiteral("row %1 holds the wrong values").arg(seen)));
        rs->MoveNext();
        ++seen;
    }
    QCOMPARE(seen, rows);
}

void TestConnection::commandTimeout()
{
    Connection cn;
    // ADO's default.
    QCOMPARE(cn.CommandTimeout(), 30);
    cn.setCommandTimeout(0);
    QCOMPARE(cn.CommandTimeout(), 0);
    cn.setCommandTimeout(5);
    QCOMPARE(cn.CommandTimeout(), 5);
    TV_VERIFY_RAISES(cn.setCommandTimeout(-1), ErrorNumber::InvalidArgument);
    QCOMPARE(cn.CommandTimeout(), 5);
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
