#include "LogLines.h"
#include "OracleSimulator.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestOracleSimulator : public QObject
{
    Q_OBJECT

private slots:
    void dictionaryQuery_data();
    void dictionaryQuery();
    void binaryOrder();
    void unorderedKeepsStoredOrder();
    void emptyPatternIsNull();
    void unusablePatternFails_data();
    void unusablePatternFails();
    void rebuildSucceeds_data();
    void rebuildSucceeds();
    void rebuildFails_data();
    void rebuildFails();
    void delayOnlyForSuccessfulRebuilds_data();
    void delayOnlyForSuccessfulRebuilds();
    void logon_data();
    void logon();
    void logsEveryStatement();
    void generatedSchema();
};

namespace {

OracleSimulator simulator(const QString& configText, OracleSimulator::Sleeper sleeper = {})
{
    QString error;
    std::optional<SimulatorConfig> config = SimulatorConfig::parse(configText, &error);
    if (!config)
        qFatal("test configuration rejected: %s", qPrintable(error));
    // Tests never really block: a rebuild's delay is recorded, not slept, unless a test asks.
    if (!sleeper)
        sleeper = [](int) {};
    return OracleSimulator(std::move(*config), std::move(sleeper));
}

const QString programQuery
    = QStringLiteral("SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ORDER BY 1");
const QString edgeNames = QStringLiteral("Indexes=SYS_A,SYSTEM_X_IDX,SYS,SYSX,IDX_A,sys_lower");

} // namespace

void TestOracleSimulator::dictionaryQuery_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("SYS_% drops SYS plus one more character")
        << edgeNames << programQuery << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("escaped underscore drops only SYS_ names")
        << edgeNames
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS\\_%' ESCAPE '\\' ORDER BY 1"
        << QStringList {"IDX_A", "SYS", "SYSTEM_X_IDX", "SYSX", "sys_lower"};
    QTest::newRow("positive LIKE")
        << edgeNames << "SELECT index_name FROM user_indexes WHERE index_name LIKE 'SYS_%' ORDER BY 1"
        << QStringList {"SYSTEM_X_IDX", "SYSX", "SYS_A"};
    QTest::newRow("no WHERE") << edgeNames << "SELECT index_name FROM user_indexes ORDER BY 1"
                              << QStringList {"IDX_A", "SYS", "SYSTEM_X_IDX", "SYSX", "SYS_A", "sys_lower"};
    QTest::newRow("no indexes") << "" << programQuery << QStringList {};
    QTest::newRow("names needing quotes come back as stored")
        << "Indexes=my \"q\" idx,idx_lower,IDX_B" << programQuery
        << QStringList {"IDX_B", "idx_lower", "my \"q\" idx"};
}

void TestOracleSimulator::dictionaryQuery()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(QStringList, rows);

    OracleSimulator server = simulator(config);
    const OracleSimulator::Outcome outcome = server.execute(sql);
    QVERIFY2(!outcome.error, qPrintable(outcome.error ? outcome.error->text() : QString()));
    QVERIFY(outcome.isQuery);
    QCOMPARE(outcome.rows, rows);
}

void TestOracleSimulator::binaryOrder()
{
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, two UTF-16 units
    const QString fullwidthA = QString::fromUtf8("\xEF\xBC\xA1"); // U+FF21
    const QString eAcute = QString::fromUtf8("\xC3\xA9"); // U+00E9
    OracleSimulator server
        = simulator(QStringLiteral("Indexes=b,B,a,A,_x,Z,AB,A B,%1,%2,%3").arg(smile, fullwidthA, eAcute));
    const OracleSimulator::Outcome outcome
        = server.execute(QStringLiteral("SELECT index_name FROM user_indexes ORDER BY 1"));
    QVERIFY(!outcome.error);
    // Upper case before '_' before lower case; then by code point, not by UTF-16 unit.
    QCOMPARE(
        outcome.rows, (QStringList {"A", "A B", "AB", "B", "Z", "_x", "a", "b", eAcute, fullwidthA, smile}));
}

void TestOracleSimulator::unorderedKeepsStoredOrder()
{
    OracleSimulator server = simulator(QStringLiteral("Indexes=Z,SYSX,A,M"));
    const OracleSimulator::Outcome outcome = server.execute(
        QStringLiteral("SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%'"));
    QVERIFY(!outcome.error);
    QCOMPARE(outcome.rows, (QStringList {"Z", "A", "M"}));
}

void TestOracleSimulator::emptyPatternIsNull()
{
    OracleSimulator server = simulator(QStringLiteral("Indexes=A,B"));
    for (const char* sql : {"SELECT index_name FROM user_indexes WHERE NOT index_name LIKE '' ORDER BY 1",
             "SELECT index_name FROM user_indexes WHERE index_name LIKE '' ORDER BY 1"}) {
        const OracleSimulator::Outcome outcome = server.execute(QString::fromLatin1(sql));
        QVERIFY2(!outcome.error, sql);
        QVERIFY(outcome.isQuery);
        QCOMPARE(outcome.rows, QStringList());
    }
}

void TestOracleSimulator::unusablePatternFails_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("code");

    QTest::newRow("two-character escape")
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS\\_%' ESCAPE '\\\\' ORDER BY 1"
        << 1425;
    QTest::newRow("escape before a letter")
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS\\X' ESCAPE '\\' ORDER BY 1"
        << 1424;
}

void TestOracleSimulator::unusablePatternFails()
{
    QFETCH(QString, sql);
    QFETCH(int, code);

    OracleSimulator server = simulator(edgeNames);
    const OracleSimulator::Outcome outcome = server.execute(sql);
    QVERIFY(outcome.error);
    QCOMPARE(outcome.error->code(), code);
    QVERIFY(outcome.rows.isEmpty());
}

void TestOracleSimulator::rebuildSucceeds_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");

    QTest::newRow("plain") << "Indexes=IDX_A"
                           << "ALTER INDEX IDX_A REBUILD";
    QTest::newRow("online") << "Indexes=IDX_A"
                            << "ALTER INDEX IDX_A REBUILD ONLINE";
    QTest::newRow("unquoted lower resolves to upper") << "Indexes=IDX_A"
                                                      << "ALTER INDEX idx_a REBUILD";
    QTest::newRow("quoted lower finds lower") << "Indexes=IDX_A,idx_a"
                                              << "ALTER INDEX \"idx_a\" REBUILD";
    QTest::newRow("doubled quotes") << "Indexes=my \"q\" idx"
                                    << "ALTER INDEX \"my \"\"q\"\" idx\" REBUILD";
    QTest::newRow("Online=0 leaves plain rebuilds alone") << "Indexes=IDX_A;Online=0"
                                                          << "ALTER INDEX IDX_A REBUILD";
    QTest::newRow("Fail is for its index only") << "Indexes=IDX_A,IDX_B;Fail=IDX_A:1502"
                                                << "ALTER INDEX IDX_B REBUILD ONLINE";
}

void TestOracleSimulator::rebuildSucceeds()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);

    OracleSimulator server = simulator(config);
    const OracleSimulator::Outcome outcome = server.execute(sql);
    QVERIFY2(!outcome.error, qPrintable(outcome.error ? outcome.error->text() : QString()));
    QVERIFY(!outcome.isQuery);
    QVERIFY(outcome.rows.isEmpty());
}

void TestOracleSimulator::rebuildFails_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    const QString notExist = QStringLiteral("ORA-01418: specified index does not exist");
    const QString invalid = QStringLiteral("ORA-00900: invalid SQL statement");
    const QString noOnline = QStringLiteral("ORA-00439: feature not enabled: Online Index Build");

    QTest::newRow("unknown index") << "Indexes=IDX_A"
                                   << "ALTER INDEX IDX_B REBUILD" << 1418 << notExist;
    QTest::newRow("lower-case name sent unquoted") << "Indexes=idx_a"
                                                   << "ALTER INDEX idx_a REBUILD" << 1418 << notExist;
    QTest::newRow("quoted upper, stored lower") << "Indexes=idx_a"
                                                << "ALTER INDEX \"IDX_A\" REBUILD" << 1418 << notExist;
    QTest::newRow("stored with spaces, quoted without")
        << "Indexes= IDX_A"
        << "ALTER INDEX \"IDX_A\" REBUILD" << 1418 << notExist;
    QTest::newRow("garbage") << "Indexes=IDX_A"
                             << "HELLO" << 900 << invalid;
    QTest::newRow("empty") << "Indexes=IDX_A"
                           << "" << 900 << invalid;
    QTest::newRow("semicolon") << "Indexes=IDX_A"
                               << "ALTER INDEX IDX_A REBUILD;" << 900 << invalid;
    QTest::newRow("name with a space, unquoted") << "Indexes=MY IDX"
                                                 << "ALTER INDEX MY IDX REBUILD" << 900 << invalid;
    QTest::newRow("ONLINE refused") << "Indexes=IDX_A;Online=0"
                                    << "ALTER INDEX IDX_A REBUILD ONLINE" << 439 << noOnline;
    QTest::newRow("Fail with a known text")
        << "Indexes=IDX_A;Fail=IDX_A:1502"
        << "ALTER INDEX IDX_A REBUILD" << 1502
        << "ORA-01502: index 'IDX_A' or partition of such index is in unusable state";
    QTest::newRow("Fail with a generic text")
        << "Indexes=IDX_A;Fail=IDX_A:12345"
        << "ALTER INDEX IDX_A REBUILD" << 12345 << "ORA-12345: simulated failure";
    QTest::newRow("Fail of a quoted name")
        << "Indexes=idx_a;Fail=idx_a:7"
        << "ALTER INDEX \"idx_a\" REBUILD ONLINE" << 7 << "ORA-00007: simulated failure";
    // Order of checks: statement, name, Fail, then ONLINE.
    QTest::newRow("Fail before Online=0")
        << "Indexes=IDX_A;Online=0;Fail=IDX_A:1502"
        << "ALTER INDEX IDX_A REBUILD ONLINE" << 1502
        << "ORA-01502: index 'IDX_A' or partition of such index is in unusable state";
    QTest::newRow("unknown name before Online=0") << "Indexes=IDX_A;Online=0"
                                                  << "ALTER INDEX IDX_B REBUILD ONLINE" << 1418 << notExist;
    QTest::newRow("statement before everything") << "Indexes=IDX_A;Online=0;Fail=IDX_A:1502"
                                                 << "ALTER INDEX IDX_A REBUILD ONLINE;" << 900 << invalid;
}

void TestOracleSimulator::rebuildFails()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(int, code);
    QFETCH(QString, text);

    OracleSimulator server = simulator(config);
    const OracleSimulator::Outcome outcome = server.execute(sql);
    QVERIFY(outcome.error);
    QCOMPARE(outcome.error->code(), code);
    QCOMPARE(outcome.error->text(), text);
    QVERIFY(outcome.rows.isEmpty());
}

void TestOracleSimulator::delayOnlyForSuccessfulRebuilds_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QList<int>>("sleeps");

    const QString config = QStringLiteral("Indexes=IDX_A,IDX_B;Online=0;Fail=IDX_B:1502;DelayMs=250");
    QTest::newRow("rebuild") << config << "ALTER INDEX IDX_A REBUILD" << QList<int> {250};
    QTest::newRow("refused ONLINE") << config << "ALTER INDEX IDX_A REBUILD ONLINE" << QList<int> {};
    QTest::newRow("Fail") << config << "ALTER INDEX IDX_B REBUILD" << QList<int> {};
    QTest::newRow("dictionary query") << config << programQuery << QList<int> {};
    QTest::newRow("no delay configured") << "Indexes=IDX_A"
                                         << "ALTER INDEX IDX_A REBUILD" << QList<int> {};
}

void TestOracleSimulator::delayOnlyForSuccessfulRebuilds()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(QList<int>, sleeps);

    QList<int> slept;
    OracleSimulator server = simulator(config, [&slept](int ms) { slept.append(ms); });
    server.execute(sql);
    QCOMPARE(slept, sleeps);
}

void TestOracleSimulator::logon_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("refused");

    QTest::newRow("no password expected") << "Indexes=A"
                                          << "anything" << false;
    QTest::newRow("right password") << "ExpectPwd=tiger"
                                    << "tiger" << false;
    QTest::newRow("wrong password") << "ExpectPwd=tiger"
                                    << "lion" << true;
    QTest::newRow("case counts") << "ExpectPwd=tiger"
                                 << "TIGER" << true;
    QTest::newRow("no password given") << "ExpectPwd=tiger"
                                       << "" << true;
    QTest::newRow("braced expected password") << "ExpectPwd={se;cr}}et}"
                                              << "se;cr}et" << false;
    QTest::newRow("empty password expected") << "ExpectPwd="
                                             << "" << false;
    QTest::newRow("empty password expected, one given") << "ExpectPwd="
                                                        << "x" << true;
}

void TestOracleSimulator::logon()
{
    QFETCH(QString, config);
    QFETCH(QString, password);
    QFETCH(bool, refused);

    const OracleSimulator server = simulator(config);
    const std::optional<OraError> error = server.logon(password);
    QCOMPARE(bool(error), refused);
    if (refused) {
        QCOMPARE(error->code(), 1017);
        QCOMPARE(error->text(), QString("ORA-01017: invalid username/password; logon denied"));
    }
}

void TestOracleSimulator::logsEveryStatement()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("statements.log");
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier line\n");
    }

    OracleSimulator server = simulator(QStringLiteral("Indexes=IDX_A;Online=0;Log={%1}").arg(path));
    const QStringList statements {programQuery, "ALTER INDEX IDX_A REBUILD",
        "ALTER INDEX IDX_A REBUILD ONLINE", "ALTER INDEX nope REBUILD", "GARBAGE",
        QString::fromUtf8("ALTER INDEX \"\xC3\xADndice\" REBUILD")};
    QStringList expected {"earlier line"};
    for (const QString& sql : statements) {
        server.execute(sql);
        expected.append(sql);
        // Each line is in the file as soon as the statement has been received.
        QCOMPARE(logLines(path), expected);
    }

    server.execute("ALTER INDEX\r\nIDX_A\nREBUILD");
    expected.append("ALTER INDEX IDX_A REBUILD");
    QCOMPARE(logLines(path), expected);
}

void TestOracleSimulator::generatedSchema()
{
    OracleSimulator server = simulator(QStringLiteral("Indexes=SYS_X,A_FIRST;Generate=1000"));
    const OracleSimulator::Outcome listed = server.execute(programQuery);
    QVERIFY(!listed.error);
    QCOMPARE(listed.rows.size(), 1001);
    QCOMPARE(listed.rows.first(), QString("A_FIRST"));
    QCOMPARE(listed.rows.at(1), QString("IDX_000001"));
    QCOMPARE(listed.rows.last(), QString("IDX_001000"));
    QVERIFY(!server.execute("ALTER INDEX idx_000500 REBUILD").error);
    const OracleSimulator::Outcome beyond = server.execute("ALTER INDEX IDX_001001 REBUILD");
    QVERIFY(beyond.error);
    QCOMPARE(beyond.error->code(), 1418);
}

QTEST_GUILESS_MAIN(TestOracleSimulator)
#include "tst_oraclesimulator.moc"
