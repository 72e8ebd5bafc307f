#include "SimulatorConfig.h"

#include <QTest>

class TestSimulatorConfig : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void indexNamesStoredExactly_data();
    void indexNamesStoredExactly();
    void keysIgnoreCase();
    void bracedValues_data();
    void bracedValues();
    void generateLargest();
    void failures_data();
    void failures();
    void lastScalarWins();
    void rejected_data();
    void rejected();
};

namespace {

SimulatorConfig parsed(const QString& text)
{
    QString error;
    const std::optional<SimulatorConfig> config = SimulatorConfig::parse(text, &error);
    if (!config)
        qWarning("configuration rejected: %s", qPrintable(error));
    return config.value_or(SimulatorConfig());
}

} // namespace

void TestSimulatorConfig::defaults()
{
    QString error;
    const std::optional<SimulatorConfig> config = SimulatorConfig::parse(QString(), &error);
    QVERIFY2(config, qPrintable(error));
    QVERIFY(config->indexes.isEmpty());
    QVERIFY(config->onlineEnabled);
    QVERIFY(config->failures.isEmpty());
    QVERIFY(!config->expectedPassword);
    QVERIFY(config->password.isEmpty());
    QCOMPARE(config->delayMs, 0);
    QVERIFY(config->logPath.isEmpty());
}

void TestSimulatorConfig::indexNamesStoredExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("indexes");

    QTest::newRow("case, spaces and quotes kept")
        << "Indexes=IDX_A,idx_b, Spaced Name ,My\"Q\"Idx"
        << QStringList {"IDX_A", "idx_b", " Spaced Name ", "My\"Q\"Idx"};
    QTest::newRow("empty items skipped") << "Indexes=A,,B," << QStringList {"A", "B"};
    QTest::newRow("none") << "Indexes=" << QStringList {};
    QTest::newRow("repeated key adds") << "Indexes=B;Indexes=A" << QStringList {"B", "A"};
    QTest::newRow("braced") << "Indexes={A,B};PWD=x" << QStringList {"A", "B"};
    QTest::newRow("semicolons around") << ";;Indexes=A;;" << QStringList {"A"};
    QTest::newRow("Generate=0") << "Generate=0" << QStringList {};
    QTest::newRow("generated after the listed ones")
        << "Generate=2;Indexes=B" << QStringList {"B", "IDX_000001", "IDX_000002"};
}

void TestSimulatorConfig::indexNamesStoredExactly()
{
    QFETCH(QString, text);
    QFETCH(QStringList, indexes);

    QString error;
    const std::optional<SimulatorConfig> config = SimulatorConfig::parse(text, &error);
    QVERIFY2(config, qPrintable(error));
    QCOMPARE(config->indexes, indexes);
}

void TestSimulatorConfig::keysIgnoreCase()
{
    const SimulatorConfig config
        = parsed("indexes=A,B;ONLINE=0;fail=A:1502;expectpwd=x;Pwd=y;delayms=5;LOG=/tmp/x.log;uid=scott");
    QCOMPARE(config.indexes, (QStringList {"A", "B"}));
    QVERIFY(!config.onlineEnabled);
    QCOMPARE(config.failures.value("A"), 1502);
    QCOMPARE(config.expectedPassword, std::optional<QString>("x"));
    QCOMPARE(config.password, QString("y"));
    QCOMPARE(config.delayMs, 5);
    QCOMPARE(config.logPath, QString("/tmp/x.log"));
}

void TestSimulatorConfig::bracedValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("password");

    QTest::newRow("braced") << "PWD={tiger}"
                            << "tiger";
    QTest::newRow("semicolon inside") << "PWD={se;cr}}et}"
                                      << "se;cr}et";
    QTest::newRow("only a brace") << "PWD={}}}"
                                  << "}";
    QTest::newRow("empty braces") << "PWD={}"
                                  << "";
    QTest::newRow("equals inside braces") << "PWD={a=b}"
                                          << "a=b";
    QTest::newRow("equals in plain value") << "PWD=a=b"
                                           << "a=b";
    QTest::newRow("opening brace inside") << "PWD={{x}"
                                          << "{x";
    QTest::newRow("as the profile appends it") << "Indexes=A;UID=scott;PWD={ti}}ger}"
                                               << "ti}ger";
    QTest::newRow("space before next key") << "PWD={x} ;Indexes=A"
                                           << "x";
}

void TestSimulatorConfig::bracedValues()
{
    QFETCH(QString, text);
    QFETCH(QString, password);

    QString error;
    const std::optional<SimulatorConfig> config = SimulatorConfig::parse(text, &error);
    QVERIFY2(config, qPrintable(error));
    QCOMPARE(config->password, password);
}

void TestSimulatorConfig::generateLargest()
{
    const SimulatorConfig config = parsed("Generate=1000000");
    QCOMPARE(config.indexes.size(), 1000000);
    QCOMPARE(config.indexes.at(12344), QString("IDX_012345"));
    QCOMPARE(config.indexes.at(999998), QString("IDX_999999"));
    QCOMPARE(config.indexes.last(), QString("IDX_1000000"));
}

void TestSimulatorConfig::failures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("codes");

    QTest::newRow("comma list and repeated key")
        << "Indexes=A,B,C;Fail=A:1502,B:54;Fail=C:1652" << QStringList {"A", "B", "C"}
        << QList<int> {1502, 54, 1652};
    QTest::newRow("name holding a colon")
        << "Indexes=X:Y;Fail=X:Y:1" << QStringList {"X:Y"} << QList<int> {1};
    QTest::newRow("exact stored name") << "Indexes=idx_a, sp;Fail=idx_a:99999, sp:8"
                                       << QStringList {"idx_a", " sp"} << QList<int> {99999, 8};
    QTest::newRow("generated name") << "Generate=5;Fail=IDX_000004:1031" << QStringList {"IDX_000004"}
                                    << QList<int> {1031};
    QTest::newRow("same name again, last wins")
        << "Indexes=A;Fail=A:1;Fail=A:2" << QStringList {"A"} << QList<int> {2};
}

void TestSimulatorConfig::failures()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, codes);

    QString error;
    const std::optional<SimulatorConfig> config = SimulatorConfig::parse(text, &error);
    QVERIFY2(config, qPrintable(error));
    QCOMPARE(config->failures.size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        QVERIFY2(config->failures.contains(names.at(i)), qPrintable(names.at(i)));
        QCOMPARE(config->failures.value(names.at(i)), codes.at(i));
    }
}

void TestSimulatorConfig::lastScalarWins()
{
    const SimulatorConfig config = parsed("Online=0;Online=1;DelayMs=7;DelayMs=3;PWD=a;PWD=b;Log=x;Log=y");
    QVERIFY(config.onlineEnabled);
    QCOMPARE(config.delayMs, 3);
    QCOMPARE(config.password, QString("b"));
    QCOMPARE(config.logPath, QString("y"));
}

void TestSimulatorConfig::rejected_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("unknown key") << "Indexs=A"
                                 << "'Indexs'";
    QTest::newRow("provider left in") << "Provider=QORASIM;Indexes=A"
                                      << "'Provider'";
    QTest::newRow("Online=2") << "Online=2"
                              << "Online";
    QTest::newRow("negative delay") << "DelayMs=-1"
                                    << "DelayMs";
    QTest::newRow("delay not a number") << "DelayMs=abc"
                                        << "DelayMs";
    QTest::newRow("too many generated") << "Generate=1000001"
                                        << "Generate";
    QTest::newRow("Generate with sign") << "Generate=+3"
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

void TestSimulatorConfig::rejected()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);

    QString error;
    QVERIFY(!SimulatorConfig::parse(text, &error));
    QVERIFY2(error.contains(mentions), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestSimulatorConfig)
#include "tst_simulatorconfig.moc"
