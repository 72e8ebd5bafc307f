#include "Connection.h"
#include "ErrorNumbers.h"
#include "RaisedError.h"
#include "TestPlugins.h"

#include <QSqlDatabase>
#include <QTest>

// The layer through the simulated Oracle server: its errors carry a
// driver-style prefix and an ORA number, as Oracle's ODBC driver's do.
class TestOrasimConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dictionaryQueryAndRebuilds();
    void onlineRebuildRefused();
    void wrongPassword();
    void badConfiguration();
};

namespace {

const QString runQuery
    = QStringLiteral("SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ORDER BY 1");

} // namespace

void TestOrasimConnection::initTestCase()
{
    useTestPlugins();
    QVERIFY2(QSqlDatabase::isDriverAvailable("QORASIM"), "the QORASIM plugin was not found");
}

void TestOrasimConnection::dictionaryQueryAndRebuilds()
{
    Connection cn;
    cn.Open("Provider=QORASIM;Indexes=IDX_B,SYS_C001,IDX_A,SYSTEM_X", QString(), QString(), -1);
    cn.setCommandTimeout(0);
    auto rs = cn.Execute(runQuery, Connection::adCmdText);
    QStringList rebuilt;
    while (!rs->Eof()) {
        const QString name = rs->Fields("index_name").toString();
        QVERIFY(cn.Execute("ALTER INDEX " + name + " REBUILD", Connection::adCmdText)->Eof());
        rebuilt.append(name);
        rs->MoveNext();
    }
    rs->Close();
    cn.Close();
    // "SYS_%" leaves out SYSTEM_X as well: "_" matches any one character.
    QCOMPARE(rebuilt, (QStringList {"IDX_A", "IDX_B"}));
}

void TestOrasimConnection::onlineRebuildRefused()
{
    Connection cn;
    cn.Open("Provider=QORASIM;Indexes=IDX_A;Online=0", QString(), QString(), -1);
    const auto error
        = raisedBy([&] { cn.Execute("ALTER INDEX IDX_A REBUILD ONLINE", Connection::adCmdText); });
    QVERIFY(error);
    QCOMPARE(error->number(), 439);
    // Begins with the code, which is what the run looks for.
    QCOMPARE(error->description(), QStringLiteral("ORA-00439: feature not enabled: Online Index Build"));
    QVERIFY(cn.Execute("ALTER INDEX IDX_A REBUILD", Connection::adCmdText)->Eof());
}

void TestOrasimConnection::wrongPassword()
{
    Connection cn;
    const auto error = raisedBy([&] {
        cn.Open("Provider=QORASIM;Indexes=IDX_A;ExpectPwd=tiger;PWD={lion}", QString(), QString(), -1);
    });
    QVERIFY(error);
    QCOMPARE(error->number(), 1017);
    QVERIFY2(error->description().startsWith("ORA-01017: "), qPrintable(error->description()));
    QVERIFY(!cn.isOpen());
    // The password given to Open counts as well.
    cn.Open("Provider=QORASIM;Indexes=IDX_A;ExpectPwd=tiger", QString(), QStringLiteral("tiger"), -1);
    QVERIFY(cn.isOpen());
}

void TestOrasimConnection::badConfiguration()
{
    // The simulator's own complaint has no ORA number.
    Connection cn;
    const auto error = raisedBy([&] { cn.Open("Provider=QORASIM;Colour=blue", QString(), QString(), -1); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::DriverFailure);
    QVERIFY2(!error->description().startsWith(u'['), qPrintable(error->description()));
}

QTEST_GUILESS_MAIN(TestOrasimConnection)
#include "tst_orasim_connection.moc"
