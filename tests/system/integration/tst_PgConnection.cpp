#include "Connection.h"
#include "ErrorNumbers.h"
#include "PgTestBed.h"
#include "RaisedError.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

// Opening connections to the PostgreSQL test bed through psqlODBC.
class tst_PgConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void passwordInConnectionString();
    void userAndPasswordArguments();
    void dataSourceName_data();
    void dataSourceName();
    void wrongPassword();
    void wrongPasswordArgument();
    void serverDown();
    void noSuchDriver();
    void twoConnectionsAtOnce();

private:
    QString currentUser(Connection& cn);
    QString connectionWithoutUser() const;

    PgTestBed m_bed;
};

void tst_PgConnection::initTestCase()
{
    TV_NEED_PG_TEST_BED(m_bed);
}

QString tst_PgConnection::currentUser(Connection& cn)
{
    auto rs = cn.Execute("SELECT current_user AS who", Connection::adCmdText);
    return rs->Fields("who").toString();
}

QString tst_PgConnection::connectionWithoutUser() const
{
    QString connection = m_bed.connection;
    connection.remove(
        QRegularExpression(QStringLiteral(";\\s*Uid=[^;]*"), QRegularExpression::CaseInsensitiveOption));
    return connection;
}

void tst_PgConnection::passwordInConnectionString()
{
    // The bed's password holds ";", "=" and "}", so this also checks the escaping.
    Connection cn;
    cn.Open(m_bed.connectionWithPassword(), QString(), QString(), Connection::adOptionUnspecified);
    QVERIFY(cn.isOpen());
    QCOMPARE(currentUser(cn), m_bed.user);
    cn.Close();
    QVERIFY(!cn.isOpen());
}

void tst_PgConnection::userAndPasswordArguments()
{
    const QString connection = connectionWithoutUser();
    QVERIFY2(connection != m_bed.connection, "the bed's connection string names no Uid");
    Connection cn;
    cn.Open(connection, m_bed.user, m_bed.password, Connection::adOptionUnspecified);
    QCOMPARE(currentUser(cn), m_bed.user);
}

void tst_PgConnection::dataSourceName_data()
{
    QTest::addColumn<QString>("connectionString");
    const QString pwd = QString(m_bed.password).replace(QStringLiteral("}"), QStringLiteral("}}"));
    QTest::newRow("DSN first")
        << QStringLiteral("DSN=%1;Uid=%2;PWD={%3}").arg(m_bed.dataSource, m_bed.user, pwd);
    QTest::newRow("DSN after other pairs")
        << QStringLiteral("Uid=%2;dsn=%1;PWD={%3}").arg(m_bed.dataSource, m_bed.user, pwd);
}

void tst_PgConnection::dataSourceName()
{
    QFETCH(QString, connectionString);
    const QByteArray saved = qgetenv("ODBCINI");
    qputenv("ODBCINI", m_bed.dataSourceFile.toLocal8Bit());
    Connection cn;
    const auto error = raisedBy([&] { cn.Open(connectionString, QString(), QString(), -1); });
    qputenv("ODBCINI", saved);
    QVERIFY2(!error, error ? qPrintable(error->description()) : "");
    QCOMPARE(currentUser(cn), m_bed.user);
}

void tst_PgConnection::wrongPassword()
{
    Connection cn;
    const auto error = raisedBy(
        [&] { cn.Open(m_bed.connectionWithPassword(m_bed.password + "x"), QString(), QString(), -1); });
    QVERIFY(error);
    // psqlODBC's number for a failed log-in, and the server's own words.
    QCOMPARE(error->number(), 101);
    QVERIFY2(error->description().contains(
                 QStringLiteral("password authentication failed for user \"%1\"").arg(m_bed.user)),
        qPrintable(error->description()));
    QVERIFY2(!error->description().startsWith(u'['), qPrintable(error->description()));
    QCOMPARE(error->description(), error->description().trimmed());
    QVERIFY(!cn.isOpen());
}

void tst_PgConnection::wrongPasswordArgument()
{
    Connection cn;
    const auto error = raisedBy([&] { cn.Open(connectionWithoutUser(), m_bed.user, "wrong", -1); });
    QVERIFY(error);
    QCOMPARE(error->number(), 101);
    QVERIFY2(
        error->description().contains("password authentication failed"), qPrintable(error->description()));
}

void tst_PgConnection::serverDown()
{
    // A loopback port that nobody listens on.
    quint16 port = 0;
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        port = server.serverPort();
    }
    QString connection = m_bed.connectionWithPassword();
    connection.replace(QStringLiteral("Port=%1").arg(m_bed.port), QStringLiteral("Port=%1").arg(port));
    QVERIFY(connection.contains(QStringLiteral("Port=%1").arg(port)));

    Connection cn;
    const auto error = raisedBy([&] { cn.Open(connection, QString(), QString(), -1); });
    QVERIFY(error);
    QCOMPARE(error->number(), 101);
    QVERIFY2(error->description().contains("Connection refused"), qPrintable(error->description()));
    QCOMPARE(error->description(), error->description().trimmed());
    QVERIFY(!cn.isOpen());
}

void tst_PgConnection::noSuchDriver()
{
    Connection cn;
    const auto error = raisedBy(
        [&] { cn.Open("Driver={No Such Driver};Server=127.0.0.1;Uid=x;PWD={y}", QString(), QString(), -1); });
    QVERIFY(error);
    // The driver manager's own error: no native number, prefixes gone.
    QCOMPARE(error->number(), ErrorNumber::DriverFailure);
    QCOMPARE(error->description(), QStringLiteral("Can't open lib 'No Such Driver' : file not found"));
}

void tst_PgConnection::twoConnectionsAtOnce()
{
    Connection first;
    Connection second;
    first.Open(m_bed.connectionWithPassword(), QString(), QString(), -1);
    second.Open(m_bed.connectionWithPassword(), QString(), QString(), -1);
    const int firstPid = first.Execute("SELECT pg_backend_pid() AS pid", 1)->Fields("pid").toInt();
    const int secondPid = second.Execute("SELECT pg_backend_pid() AS pid", 1)->Fields("pid").toInt();
    QVERIFY(firstPid != 0);
    QVERIFY(firstPid != secondPid);
    first.Close();
    QCOMPARE(currentUser(second), m_bed.user);
}

QTEST_GUILESS_MAIN(tst_PgConnection)
#include "tst_PgConnection.moc"
