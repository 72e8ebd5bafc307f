#include "LogLines.h"
#include "OracleSimulator.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The simulated server's rules, one table each: what the dictionary query returns (LIKE with
// ESCAPE, binary order, names stored exactly), how ALTER INDEX resolves names and in which order
// it checks, which configurations are refused, the logon, the delay and the log.
class tst_SimulatorRules : public QObject
{
    Q_OBJECT

private slots:
    void queries_data();
    void queries();
    void statements_data();
    void statements();
    void configurationRefused_data();
    void configurationRefused();
    void largestGeneratedSchema();
    void logon_data();
    void logon();
    void delayOnlyForSuccessfulRebuilds_data();
    void delayOnlyForSuccessfulRebuilds();
    void sessionLog();
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
const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, two UTF-16 units

QString select(const QString& where)
{
    return QStringLiteral("SELECT index_name FROM user_indexes WHERE ") + where;
}

} // namespace

void tst_SimulatorRules::queries_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("rows");

    // '_' is exactly one character: SYS_% takes SYS plus at least one more, in upper case only.
    QTest::newRow("the program's pattern")
        << edgeNames << programQuery << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("escaped underscore")
        << edgeNames << select("NOT index_name LIKE 'SYS\\_%' ESCAPE '\\' ORDER BY 1")
        << QStringList {"IDX_A", "SYS", "SYSTEM_X_IDX", "SYSX", "sys_lower"};
    QTest::newRow("positive LIKE") << edgeNames << select("index_name LIKE 'SYS_%' ORDER BY 1")
                                   << QStringList {"SYSTEM_X_IDX", "SYSX", "SYS_A"};
    QTest::newRow("NOT LIKE form") << edgeNames << select("index_name NOT LIKE 'SYS_%' ORDER BY index_name")
                                   << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("keywords in any case, spread out")
        << edgeNames
        << "select  index_name\nfrom user_indexes\twhere not index_name like 'SYS_%'  order by 1 "
        << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("quoted upper-case names")
        << edgeNames
        << "SELECT \"INDEX_NAME\" FROM \"USER_INDEXES\" WHERE NOT \"INDEX_NAME\" LIKE 'SYS_%' ORDER BY 1"
        << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("without an ESCAPE clause a backslash is a character")
        << "Indexes=SYS\\AB,SYS_A" << select("index_name LIKE 'SYS\\_%'") << QStringList {"SYS\\AB"};
    QTest::newRow("% backtracks") << "Indexes=AABC,ABCD" << select("index_name LIKE '%A_C'")
                                  << QStringList {"AABC"};
    QTest::newRow("% then a literal end")
        << "Indexes=XABYAB,ABA,AB,AXXBC,ABB" << select("index_name LIKE 'A%B'") << QStringList {"AB", "ABB"};
    QTest::newRow("% twice") << "Indexes=XABYAB,ABA,ABAB" << select("index_name LIKE '%AB%AB'")
                             << QStringList {"XABYAB", "ABAB"};
    QTest::newRow("_ is one code point") << "Indexes=A" + smile + ",A" + smile + smile
                                         << select("index_name LIKE 'A_'") << QStringList {"A" + smile};
    QTest::newRow("escape beyond U+FFFF")
        << "Indexes=_,x" << select("index_name LIKE '" + smile + "_' ESCAPE '" + smile + "'")
        << QStringList {"_"};
    QTest::newRow("escaped escape") << "Indexes=!,!!" << select("index_name LIKE '!!' ESCAPE '!'")
                                    << QStringList {"!"};
    QTest::newRow("percent as escape")
        << "Indexes=10%,10%5" << select("index_name LIKE '10%%' ESCAPE '%'") << QStringList {"10%"};
    QTest::newRow("doubled quote in the pattern")
        << "Indexes=O'XA,OX" << select("index_name LIKE 'O''X%'") << QStringList {"O'XA"};
    // The server's binary order: code points, so upper case before '_' before lower case, and a
    // character beyond U+FFFF after U+FF21 although its first UTF-16 unit is smaller.
    QTest::newRow("binary order")
        << QString::fromUtf8("Indexes=b,B,a,A,_x,Z,AB,A B,%1,\xEF\xBC\xA1,\xC3\xA9").arg(smile)
        << "SELECT index_name FROM user_indexes ORDER BY 1"
        << QStringList {"A", "A B", "AB", "B", "Z", "_x", "a", "b", QString::fromUtf8("\xC3\xA9"),
               QString::fromUtf8("\xEF\xBC\xA1"), smile};
    QTest::newRow("without ORDER BY the stored order")
        << "Indexes=Z,SYSX,A,M" << select("NOT index_name LIKE 'SYS_%'") << QStringList {"Z", "A", "M"};
    // An empty text is NULL to the server: neither LIKE nor NOT LIKE lets a row through.
    QTest::newRow("empty pattern, NOT LIKE")
        << edgeNames << select("NOT index_name LIKE ''") << QStringList {};
    QTest::newRow("empty pattern, LIKE") << edgeNames << select("index_name LIKE ''") << QStringList {};
    QTest::newRow("names stored exactly") << "Indexes=IDX_A,idx_b, Spaced Name ,My\"Q\"Idx"
                                          << "SELECT index_name FROM user_indexes"
                                          << QStringList {"IDX_A", "idx_b", " Spaced Name ", "My\"Q\"Idx"};
    QTest::newRow("empty items skipped, repeated and braced keys add")
        << "indexes=B,,;INDEXES={A,C}"
        << "SELECT index_name FROM user_indexes" << QStringList {"B", "A", "C"};
    QTest::newRow("generated after the listed ones")
        << "Generate=3;Indexes=SYS_X,A_FIRST" << programQuery
        << QStringList {"A_FIRST", "IDX_000001", "IDX_000002", "IDX_000003"};
    QTest::newRow("no indexes") << "" << programQuery << QStringList {};
}

void tst_SimulatorRules::queries()
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

void tst_SimulatorRules::statements_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("code"); // 0: the statement succeeds
    QTest::addColumn<QString>("text");

    const QString notExist = QStringLiteral("ORA-01418: specified index does not exist");
    const QString invalid = QStringLiteral("ORA-00900: invalid SQL statement");
    const QString noOnline = QStringLiteral("ORA-00439: feature not enabled: Online Index Build");
    const QString unusable
        = QStringLiteral("ORA-01502: index 'IDX_A' or partition of such index is in unusable state");
    const QString badEscape
        = QStringLiteral("ORA-01425: escape character must be character string of length 1");
    const QString afterEscape
        = QStringLiteral("ORA-01424: missing or illegal character following the escape character");

    // Name resolution: unquoted names are upper-cased, quoted ones taken exactly.
    QTest::newRow("plain") << "Indexes=IDX_A"
                           << "ALTER INDEX IDX_A REBUILD" << 0 << "";
    QTest::newRow("online, white space, lower case")
        << "Indexes=IDX_A"
        << "  alter\tINDEX\n idx_a   REBUILD \r\n  online  " << 0 << "";
    QTest::newRow("quoted lower finds lower") << "Indexes=IDX_A,idx_a"
                                              << "ALTER INDEX \"idx_a\" REBUILD" << 0 << "";
    QTest::newRow("doubled quotes") << "Indexes=my \"q\" idx"
                                    << "ALTER INDEX \"my \"\"q\"\" idx\" REBUILD" << 0 << "";
    QTest::newRow("quoted then keyword without space") << "Indexes=x"
                                                       << "ALTER INDEX \"x\"REBUILD" << 0 << "";
    QTest::newRow("word characters") << "Indexes=IDX$1#X"
                                     << "ALTER INDEX Idx$1#x REBUILD" << 0 << "";
    QTest::newRow("name like a keyword") << "Indexes=REBUILD"
                                         << "ALTER INDEX rebuild REBUILD" << 0 << "";
    QTest::newRow("quoted keyword") << "Indexes=ONLINE"
                                    << "ALTER INDEX \"ONLINE\" REBUILD ONLINE" << 0 << "";
    QTest::newRow("quoted non-ASCII")
        << QString::fromUtf8("Indexes=\xC3\xADndice")
        << QString::fromUtf8("ALTER INDEX \"\xC3\xADndice\" REBUILD") << 0 << "";
    QTest::newRow("lower-case name sent unquoted") << "Indexes=idx_a"
                                                   << "ALTER INDEX idx_a REBUILD" << 1418 << notExist;
    QTest::newRow("quoted upper, stored lower") << "Indexes=idx_a"
                                                << "ALTER INDEX \"IDX_A\" REBUILD" << 1418 << notExist;
    QTest::newRow("stored with a space, quoted without")
        << "Indexes= IDX_A"
        << "ALTER INDEX \"IDX_A\" REBUILD" << 1418 << notExist;
    QTest::newRow("generated name beyond the last") << "Generate=3"
                                                    << "ALTER INDEX idx_000004 REBUILD" << 1418 << notExist;

    // Anything but the two statements is ORA-00900.
    const char* notStatements[] = {"", "HELLO", "ALTER INDEX IDX_A REBUILD;", "ALTER INDEX MY IDX REBUILD",
        "ALTER INDEX", "ALTER INDEX IDX_A", "ALTER INDEX IDX_A REBUILD ONLINE NOW",
        "ALTER INDEX \"\" REBUILD", "ALTER INDEX \"IDX_A REBUILD", "ALTER INDEX IDX-A REBUILD",
        "ALTER INDEX 1IDX REBUILD", "ALTER INDEX SCOTT.IDX_A REBUILD", "ALTER TABLE IDX_A REBUILD",
        "\"ALTER\" INDEX IDX_A REBUILD", "ALTER INDEX IDX_A ONLINE REBUILD", "ALTERINDEX IDX_A REBUILD",
        "ALTER INDEX 'IDX_A' REBUILD", "SELECT index_name FROM user_indexes ORDER BY 2",
        "SELECT * FROM user_indexes", "SELECT index_name, index_name FROM user_indexes",
        "SELECT index_name FROM all_indexes", "SELECT \"index_name\" FROM user_indexes",
        "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE SYS_%",
        "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ESCAPE ORDER BY 1",
        "SELECT index_name FROM user_indexes WHERE NOT index_name NOT LIKE 'X'",
        "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%",
        "SELECT index_name FROM user_indexes ORDER 1",
        "SELECT index_name FROM user_indexes WHERE NOT table_name LIKE 'X'"};
    for (const char* sql : notStatements)
        QTest::addRow("not a statement: %s", sql) << "Indexes=IDX_A,MY,IDX" << sql << 900 << invalid;
    QTest::newRow("program's query with a semicolon") << "" << programQuery + ";" << 900 << invalid;

    QTest::newRow("two-character escape")
        << edgeNames << select("NOT index_name LIKE 'SYS\\_%' ESCAPE '\\\\'") << 1425 << badEscape;
    QTest::newRow("empty escape") << edgeNames << select("NOT index_name LIKE 'SYS' ESCAPE ''") << 1425
                                  << badEscape;
    QTest::newRow("escape before a letter")
        << edgeNames << select("NOT index_name LIKE 'SYS\\X' ESCAPE '\\'") << 1424 << afterEscape;
    QTest::newRow("escape at the end")
        << edgeNames << select("NOT index_name LIKE 'SYS\\' ESCAPE '\\'") << 1424 << afterEscape;

    // Fail and Online=0, keys in any case, and the order of checks: the statement, the name,
    // Fail, then ONLINE.
    QTest::newRow("ONLINE refused") << "indexes=IDX_A;online=0"
                                    << "ALTER INDEX IDX_A REBUILD ONLINE" << 439 << noOnline;
    QTest::newRow("Online=0 leaves plain rebuilds alone") << "Indexes=IDX_A;Online=0"
                                                          << "ALTER INDEX IDX_A REBUILD" << 0 << "";
    QTest::newRow("the last Online counts") << "Indexes=IDX_A;Online=0;ONLINE=1"
                                            << "ALTER INDEX IDX_A REBUILD ONLINE" << 0 << "";
    QTest::newRow("Fail with the server's text") << "Indexes=IDX_A;fail=IDX_A:01502"
                                                 << "ALTER INDEX IDX_A REBUILD" << 1502 << unusable;
    QTest::newRow("Fail with a generic text")
        << "Indexes=IDX_A;Fail=IDX_A:12345"
        << "ALTER INDEX IDX_A REBUILD" << 12345 << "ORA-12345: simulated failure";
    QTest::newRow("Fail is for its index only") << "Indexes=IDX_A,IDX_B;Fail=IDX_A:1502"
                                                << "ALTER INDEX IDX_B REBUILD ONLINE" << 0 << "";
    QTest::newRow("Fail of a quoted name")
        << "Indexes=idx_a, sp;Fail=idx_a:7, sp:8"
        << "ALTER INDEX \" sp\" REBUILD" << 8 << "ORA-00008: simulated failure";
    QTest::newRow("Fail list and repeated key add up")
        << "Indexes=A,B,C;Fail=A:1502,B:54;Fail=C:1652"
        << "ALTER INDEX C REBUILD" << 1652
        << "ORA-01652: unable to extend temp segment by 128 in "
           "tablespace TEMP";
    QTest::newRow("Fail code after the last colon")
        << "Indexes=X:Y;Fail=X:Y:1"
        << "ALTER INDEX \"X:Y\" REBUILD" << 1 << "ORA-00001: simulated failure";
    QTest::newRow("Fail for the same name again")
        << "Indexes=A;Fail=A:1;Fail=A:2"
        << "ALTER INDEX A REBUILD" << 2 << "ORA-00002: simulated failure";
    QTest::newRow("Fail before Online=0") << "Indexes=IDX_A;Online=0;Fail=IDX_A:1502"
                                          << "ALTER INDEX IDX_A REBUILD ONLINE" << 1502 << unusable;
    QTest::newRow("unknown name before Online=0") << "Indexes=IDX_A;Online=0"
                                                  << "ALTER INDEX IDX_B REBUILD ONLINE" << 1418 << notExist;
    QTest::newRow("statement before everything") << "Indexes=IDX_A;Online=0;Fail=IDX_A:1502"
                                                 << "ALTER INDEX IDX_A REBUILD ONLINE;" << 900 << invalid;
}

void tst_SimulatorRules::statements()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(int, code);
    QFETCH(QString, text);

    OracleSimulator server = simulator(config);
    const OracleSimulator::Outcome outcome = server.execute(sql);
    QVERIFY(outcome.rows.isEmpty());
    if (code == 0) {
        QVERIFY2(!outcome.error, qPrintable(outcome.error ? outcome.error->text() : QString()));
        QVERIFY(!outcome.isQuery);
        return;
    }
    QVERIFY(outcome.error);
    QCOMPARE(outcome.error->code(), code);
    QCOMPARE(outcome.error->text(), text);
}

void tst_SimulatorRules::configurationRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("unknown key") << "Indexs=A"
                                 << "'Indexs'";
    QTest::newRow("Online=2") << "Online=2"
                              << "Online";
    QTest::newRow("Records=3") << "Records=3"
                               << "Records";
    QTest::newRow("LongText=yes") << "LongText=yes"
                                  << "LongText";
    QTest::newRow("negative delay") << "DelayMs=-1"
                                    << "DelayMs";
    QTest::newRow("delay not a number") << "DelayMs=abc"
                                        << "DelayMs";
    QTest::newRow("too many generated") << "Generate=1000001"
                                        << "Generate";
    QTest::newRow("Generate with a sign") << "Generate=+3"
                                          << "Generate";
    QTest::newRow("Fail without code") << "Indexes=A;Fail=A"
                                       << "'A'";
    QTest::newRow("Fail code not a number") << "Indexes=A;Fail=A:abc"
                                            << "'A:abc'";
    QTest::newRow("Fail code zero") << "Indexes=A;Fail=A:0"
                                    << "'A:0'";
    QTest::newRow("Fail code too long") << "Indexes=A;Fail=A:100000"
                                        << "'A:100000'";
    QTest::newRow("Fail without name") << "Indexes=A;Fail=:1502"
                                       << "':1502'";
    QTest::newRow("Fail of an index not stored") << "Indexes=A;Fail=B:1502"
                                                 << "'B'";
    QTest::newRow("Fail with other case") << "Indexes=idx_a;Fail=IDX_A:1502"
                                          << "'IDX_A'";
    QTest::newRow("index twice") << "Indexes=A,B,A"
                                 << "'A'";
    QTest::newRow("generated name listed too") << "Indexes=IDX_000001;Generate=1"
                                               << "'IDX_000001'";
    QTest::newRow("unterminated brace") << "PWD={abc"
                                        << "PWD";
    QTest::newRow("text after brace") << "PWD={abc}x;Indexes=A"
                                      << "PWD";
    QTest::newRow("no equals") << "Indexes"
                               << "'Indexes'";
    QTest::newRow("no key") << "=A"
                            << "key";
}

void tst_SimulatorRules::configurationRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);

    QString error;
    QVERIFY(!SimulatorConfig::parse(text, &error));
    QVERIFY2(error.contains(mentions), qPrintable(error));
}

void tst_SimulatorRules::largestGeneratedSchema()
{
    QString error;
    const std::optional<SimulatorConfig> config = SimulatorConfig::parse("Generate=1000000", &error);
    QVERIFY2(config, qPrintable(error));
    QCOMPARE(config->indexes.size(), 1000000);
    QCOMPARE(config->indexes.at(999998), QString("IDX_999999"));
    QCOMPARE(config->indexes.last(), QString("IDX_1000000"));
}

void tst_SimulatorRules::logon_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("refused");

    QTest::newRow("no password expected") << "Indexes=A;PWD=anything" << false;
    QTest::newRow("right password") << "ExpectPwd=tiger;UID=scott;PWD=tiger" << false;
    QTest::newRow("wrong password") << "ExpectPwd=tiger;PWD=lion" << true;
    QTest::newRow("case counts") << "ExpectPwd=tiger;PWD=TIGER" << true;
    QTest::newRow("no password given") << "ExpectPwd=tiger" << true;
    QTest::newRow("the last PWD counts") << "ExpectPwd=tiger;PWD=lion;PWD=tiger" << false;
    QTest::newRow("braced, as the layer appends it") << "ExpectPwd={se;cr}}et};PWD={se;cr}}et}" << false;
    QTest::newRow("braced, then a space and a key") << "ExpectPwd=x;PWD={x} ;Indexes=A" << false;
    QTest::newRow("equals in a plain value") << "ExpectPwd=a=b;PWD=a=b" << false;
    QTest::newRow("an opening brace inside braces") << "ExpectPwd=#x;PWD={{x}" << true;
    QTest::newRow("empty password expected") << "ExpectPwd=" << false;
    QTest::newRow("empty password expected, one given") << "ExpectPwd=;PWD=x" << true;
}

void tst_SimulatorRules::logon()
{
    QFETCH(QString, config);
    QFETCH(bool, refused);

    const OracleSimulator server = simulator(config);
    const std::optional<OraError> error = server.logon(server.config().password);
    QCOMPARE(bool(error), refused);
    if (refused)
        QCOMPARE(*error, OraError(1017, "ORA-01017: invalid username/password; logon denied"));
}

void tst_SimulatorRules::delayOnlyForSuccessfulRebuilds_data()
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

void tst_SimulatorRules::delayOnlyForSuccessfulRebuilds()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(QList<int>, sleeps);

    QList<int> slept;
    OracleSimulator server = simulator(config, [&slept](int ms) { slept.append(ms); });
    server.execute(sql);
    QCOMPARE(slept, sleeps);
}

void tst_SimulatorRules::sessionLog()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("session.log");
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier line\n");
    }
    const QString config = QStringLiteral("Indexes=IDX_A;Online=0;ExpectPwd=tiger;Log={%1}").arg(path);

    QStringList expected {"earlier line", "CONNECT REFUSED"};
    QVERIFY(simulator(config).logon("lion"));
    QCOMPARE(logLines(path), expected);

    OracleSimulator server = simulator(config);
    QVERIFY(!server.logon("tiger"));
    expected << "CONNECT";
    QCOMPARE(logLines(path), expected);
    // Each statement is in the file before its outcome is known, failing and unreadable ones too.
    const QList<std::pair<quint64, QString>> statements {{0, programQuery}, {30, "ALTER INDEX IDX_A REBUILD"},
        {0, "ALTER INDEX IDX_A REBUILD ONLINE"}, {7, "GARBAGE"},
        {0, QString::fromUtf8("ALTER INDEX \"\xC3\xADndice\" REBUILD")}};
    for (const auto& [timeout, sql] : statements) {
        server.execute(sql, timeout);
        expected << QStringLiteral("EXEC %1 %2").arg(timeout).arg(sql);
        QCOMPARE(logLines(path), expected);
    }
    server.execute("ALTER INDEX\r\nIDX_A\nREBUILD");
    expected << "EXEC 0 ALTER INDEX IDX_A REBUILD";
    server.logoff();
    expected << "DISCONNECT";
    QCOMPARE(logLines(path), expected);
}

QTEST_GUILESS_MAIN(tst_SimulatorRules)
#include "tst_SimulatorRules.moc"
