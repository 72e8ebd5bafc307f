#include "Connection.h"
#include "ErrorNumbers.h"
#include "PgTestBed.h"
#include "RaisedError.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTest>

// Opening connections to the PostgreSQL test bed through psqlODBC.
class tst_PgConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void passwordInConnectionString();
    void dataSourceName_data();
    void dataSourceName();
    void wrongPassword();
    void serverDown();
    void noSuchDriver();
    void twoConnectionsAtOnce();

private:
    QString currentUser(Connection& cn);

    PgTestBed m_bed;
};

void tst_PgConnection::initTestCase()
{
    TV_NEED_PG_TEST_BED(m_bed);
}

QString tst_PgConnection::currentUser(Connection& cn)
{
    auto rs = cn.Execute("SELECT current_user AS who");
    return rs->Fields("who").toString();
}

void tst_PgConnection::passwordInConnectionString()
{
    // The bed's password holds ";", "=" and "}", so this also checks the escaping.
    Connection cn;
    cn.Open(m_bed.connectionWithPassword());
    QCOMPARE(currentUser(cn), m_bed.user);
    cn.Close();
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
    const auto error = raisedBy([&] { cn.Open(connectionString); });
    qputenv("ODBCINI", saved);
    QVERIFY2(!error, error ? qPrintable(error->description()) : "");
    QCOMPARE(currentUser(cn), m_bed.user);
}

void tst_PgConnection::wrongPassword()
{
    Connection cn;
    const auto error = raisedBy([&] { cn.Open(m_bed.connectionWithPassword(m_bed.password + "x")); });
    QVERIFY(error);
    // psqlODBC's number for a failed log-in, and the server's own words.
    QCOMPARE(error->number(), 101);
    QVERIFY2(error->description().contains(
                 QStringLiteral("password authentication failed for user \"%1\"").arg(m_bed.user)),
        qPrintable(error->description()));
    QVERIFY2(!error->description().startsWith(u'['), qPrintable(error->description()));
    QCOMPARE(error->description(), error->description().trimmed());
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
    const auto error = raisedBy([&] { cn.Open(connection); });
    QVERIFY(error);
    QCOMPARE(error->number(), 101);
    QVERIFY2(error->description().contains("Connection refused"), qPrintable(error->description()));
    QCOMPARE(error->description(), error->description().trimmed());
}

void tst_PgConnection::noSuchDriver()
{
    Connection cn;
    const auto error = raisedBy([&] { cn.Open("Driver={No Such Driver};Server=127.0.0.1;Uid=x;PWD={y}"); });
    QVERIFY(error);
    // Said in Spanish with the drivers there are; the driver manager's own words, prefixes gone, after it.
    QCOMPARE(error->number(), ErrorNumber::DriverNotInstalled);
    QVERIFY2(error->description().startsWith(QStringLiteral("El controlador ODBC «No Such Driver» que indica el perfil no "
                                                            "está instalado para este programa de 64 bits; los "
                                                            "instalados son: «")),
        qPrintable(error->description()));
    QVERIFY2(error->description().endsWith(
                 QStringLiteral(". El gestor de controladores dice: Can't open lib 'No Such Driver' : file not found")),
        qPrintable(error->description()));
}

void tst_PgConnection::twoConnectionsAtOnce()
{
    Connection first;
    Connection second;
    first.Open(m_bed.connectionWithPassword());
    second.Open(m_bed.connectionWithPassword());
    const int firstPid = first.Execute("SELECT pg_backend_pid() AS pid")->Fields("pid").toInt();
    const int secondPid = second.Execute("SELECT pg_backend_pid() AS pid")->Fields("pid").toInt();
    QVERIFY(firstPid != 0);
    QVERIFY(firstPid != secondPid);
    first.Close();
    QCOMPARE(currentUser(second), m_bed.user);
}

QTEST_GUILESS_MAIN(tst_PgConnection)
#include "tst_PgConnection.moc"
