#include "LogLines.h"
#include "TestPlugins.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

// The simulated server reached the way the program reaches a database: through Qt Sql, with the
// driver loaded from the test plugin folder.
class TestOraSimDriver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void features();
    void dictionaryQuery();
    void rowNavigation();
    void rebuild();
    void statementErrors_data();
    void statementErrors();
    void openErrors_data();
    void openErrors();
    void passwordAccepted_data();
    void passwordAccepted();
    void unwritableLog();
    void prepareThenExec();
    void rebuildWhileWalkingRows();
    void logFile();
    void closeAndReopen();
    void connectionsAreIndependent();

private:
    QSqlDatabase addConnection(const QString& config, const QString& name = QStringLiteral("orasim"));
    QSqlDatabase openConnection(const QString& config, const QString& name = QStringLiteral("orasim"));

    QTemporaryDir* m_dir = nullptr;
};

namespace {

const QString programQuery
    = QStringLiteral("SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ORDER BY 1");

QStringList allRows(QSqlQuery& query)
{
    QStringList rows;
    while (query.next())
        rows.append(query.value(QStringLiteral("index_name")).toString());
    return rows;
}

} // namespace

QSqlDatabase TestOraSimDriver::addConnection(const QString& config, const QString& name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QORASIM"), name);
    db.setDatabaseName(config);
    return db;
}

QSqlDatabase TestOraSimDriver::openConnection(const QString& config, const QString& name)
{
    QSqlDatabase db = addConnection(config, name);
    if (!db.open())
        qWarning("open failed: %s", qPrintable(db.lastError().text()));
    return db;
}

void TestOraSimDriver::initTestCase()
{
    useTestPlugins();
    // Without the plugin every case below would fail for the same reason; say it once.
    QVERIFY2(QSqlDatabase::isDriverAvailable(QStringLiteral("QORASIM")),
        qPrintable(
            QStringLiteral("QORASIM not found; drivers: ") + QSqlDatabase::drivers().join(QLatin1Char(' '))));
}

void TestOraSimDriver::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void TestOraSimDriver::cleanup()
{
    for (const QString& name : QSqlDatabase::connectionNames())
        QSqlDatabase::removeDatabase(name);
    delete m_dir;
    m_dir = nullptr;
}

void TestOraSimDriver::features()
{
    QSqlDatabase db = addConnection(QString());
    QVERIFY(db.isValid());
    const QSqlDriver* driver = db.driver();
    QVERIFY(driver->hasFeature(QSqlDriver::QuerySize));
    QVERIFY(driver->hasFeature(QSqlDriver::Unicode));
    QVERIFY(!driver->hasFeature(QSqlDriver::PreparedQueries));
    QVERIFY(!driver->hasFeature(QSqlDriver::Transactions));
}

void TestOraSimDriver::dictionaryQuery()
{
    QSqlDatabase db = openConnection(QStringLiteral("Indexes=SYS_A,SYSTEM_X_IDX,SYS,SYSX,IDX_A,sys_lower"));
    QVERIFY(db.isOpen());
    QSqlQuery query(db);
    QVERIFY2(query.exec(programQuery), qPrintable(query.lastError().text()));
    QVERIFY(query.isSelect());
    QCOMPARE(query.size(), 3);
    QCOMPARE(query.record().count(), 1);
    QCOMPARE(query.record().fieldName(0), QString("INDEX_NAME"));
    QCOMPARE(allRows(query), (QStringList {"IDX_A", "SYS", "sys_lower"}));
}

void TestOraSimDriver::rowNavigation()
{
    QSqlDatabase db = openConnection(QStringLiteral("Indexes=C,A,B"));
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("SELECT index_name FROM user_indexes ORDER BY 1")));
    QCOMPARE(query.at(), int(QSql::BeforeFirstRow));
    QVERIFY(query.last());
    QCOMPARE(query.value(0).toString(), QString("C"));
    QVERIFY(query.previous());
    QCOMPARE(query.value(0).toString(), QString("B"));
    QVERIFY(query.first());
    QCOMPARE(query.value(0).toString(), QString("A"));
    QVERIFY(!query.isNull(0));
    QVERIFY(query.seek(2));
    QCOMPARE(query.value(0).toString(), QString("C"));
    QVERIFY(!query.next());
    QCOMPARE(query.at(), int(QSql::AfterLastRow));
    QTest::ignoreMessage(QtWarningMsg, "QSqlQuery::value: not positioned on a valid record");
    QVERIFY(!query.value(0).isValid());
    QVERIFY(!query.seek(3));
}

void TestOraSimDriver::rebuild()
{
    QSqlDatabase db = openConnection(QStringLiteral("Indexes=IDX_A"));
    QSqlQuery query(db);
    QVERIFY2(
        query.exec(QStringLiteral("ALTER INDEX idx_a REBUILD ONLINE")), qPrintable(query.lastError().text()));
    QVERIFY(query.isActive());
    QVERIFY(!query.isSelect());
    QCOMPARE(query.numRowsAffected(), 0);
    QCOMPARE(query.size(), -1);
    QVERIFY(!query.next());
    QCOMPARE(query.record().count(), 0);
}

void TestOraSimDriver::statementErrors_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("native");
    QTest::addColumn<QString>("databaseText");

    QTest::newRow("ONLINE refused")
        << "Indexes=IDX_A;Online=0"
        << "ALTER INDEX IDX_A REBUILD ONLINE"
        << "439"
        << "[Simulador][Oracle]ORA-00439: feature not enabled: Online Index Build";
    QTest::newRow("bad escape")
        << "Indexes=IDX_A"
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'X' ESCAPE ''"
        << "1425"
        << "[Simulador][Oracle]ORA-01425: escape character must be character string of "
           "length 1";
}

void TestOraSimDriver::statementErrors()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(QString, native);
    QFETCH(QString, databaseText);

    QSqlDatabase db = openConnection(config);
    QVERIFY(db.isOpen());
    QSqlQuery query(db);
    QVERIFY(!query.exec(sql));
    QVERIFY(!query.isActive());
    const QSqlError error = query.lastError();
    QCOMPARE(error.type(), QSqlError::StatementError);
    QCOMPARE(error.nativeErrorCode(), native);
    QCOMPARE(error.databaseText(), databaseText);
}

void TestOraSimDriver::openErrors_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("native");
    QTest::addColumn<QString>("textStart");

    const QString logonDenied
        = QStringLiteral("[Simulador][Oracle]ORA-01017: invalid username/password; logon denied");
    QTest::newRow("wrong PWD") << "Indexes=A;ExpectPwd=tiger;PWD={lion}"
                               << ""
                               << "1017" << logonDenied;
    QTest::newRow("wrong password argument") << "Indexes=A;ExpectPwd=tiger;PWD=tiger"
                                             << "lion"
                                             << "1017" << logonDenied;
    QTest::newRow("provider not removed")
        << "Provider=QORASIM;Indexes=A"
        << ""
        << "0"
        << "[Simulador][Oracle]invalid simulator configuration: unknown key "
           "'Provider'";
}

void TestOraSimDriver::openErrors()
{
    QFETCH(QString, config);
    QFETCH(QString, password);
    QFETCH(QString, native);
    QFETCH(QString, textStart);

    QSqlDatabase db = addConnection(config);
    QVERIFY(!db.open(QString(), password));
    QVERIFY(!db.isOpen());
    QVERIFY(db.isOpenError());
    const QSqlError error = db.lastError();
    QCOMPARE(error.type(), QSqlError::ConnectionError);
    QCOMPARE(error.nativeErrorCode(), native);
    QVERIFY2(error.databaseText().startsWith(textStart), qPrintable(error.databaseText()));
}

void TestOraSimDriver::passwordAccepted_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("password");

    QTest::newRow("PWD") << "Indexes=A;ExpectPwd=tiger;PWD=tiger"
                         << "";
    QTest::newRow("password argument") << "Indexes=A;ExpectPwd=tiger"
                                       << "tiger";
    QTest::newRow("password argument over PWD") << "Indexes=A;ExpectPwd=tiger;PWD=lion"
                                                << "tiger";
}

void TestOraSimDriver::passwordAccepted()
{
    QFETCH(QString, config);
    QFETCH(QString, password);

    QSqlDatabase db = addConnection(config);
    QVERIFY2(db.open(QString(), password), qPrintable(db.lastError().text()));
    QVERIFY(db.isOpen());
    QSqlQuery query(db);
    QVERIFY(query.exec(programQuery));
    QCOMPARE(allRows(query), QStringList {"A"});
}

void TestOraSimDriver::unwritableLog()
{
    const QString path = m_dir->filePath(QStringLiteral("missing-folder/statements.log"));
    QSqlDatabase db = addConnection(QStringLiteral("Indexes=A;Log={%1}").arg(path));
    QVERIFY(!db.open());
    QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
    QVERIFY2(db.lastError().databaseText().contains(path), qPrintable(db.lastError().databaseText()));
}

void TestOraSimDriver::prepareThenExec()
{
    QSqlDatabase db = openConnection(QStringLiteral("Indexes=B,A,SYS_X"));
    QSqlQuery query(db);
    QVERIFY(query.prepare(programQuery));
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QCOMPARE(allRows(query), (QStringList {"A", "B"}));

    QSqlQuery rebuild(db);
    QVERIFY(rebuild.prepare(QStringLiteral("ALTER INDEX B REBUILD")));
    QVERIFY2(rebuild.exec(), qPrintable(rebuild.lastError().text()));
}

void TestOraSimDriver::rebuildWhileWalkingRows()
{
    const QString log = m_dir->filePath(QStringLiteral("run.log"));
    QSqlDatabase db = openConnection(QStringLiteral("Indexes=IDX_C,SYS_C001,IDX_A,IDX_B;Log={%1}").arg(log));
    QVERIFY(db.isOpen());

    QSqlQuery list(db);
    list.setForwardOnly(true);
    QVERIFY(list.exec(programQuery));
    QStringList walked;
    while (list.next()) {
        const QString name = list.value(QStringLiteral("index_name")).toString();
        walked.append(name);
        QSqlQuery rebuild(db);
        QVERIFY2(rebuild.exec(QStringLiteral("ALTER INDEX ") + name + QStringLiteral(" REBUILD")),
            qPrintable(rebuild.lastError().text()));
    }
    QCOMPARE(walked, (QStringList {"IDX_A", "IDX_B", "IDX_C"}));
    QCOMPARE(logLines(log),
        (QStringList {programQuery, "ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD",
            "ALTER INDEX IDX_C REBUILD"}));
}

void TestOraSimDriver::logFile()
{
    const QString log = m_dir->filePath(QStringLiteral("semi;colon }folder.log"));
    QSqlDatabase db = openConnection(QStringLiteral("Indexes=IDX_A;Online=0;Log={%1}")
                                         .arg(QString(log).replace(QLatin1Char('}'), QLatin1String("}}"))));
    QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
    // Opening writes nothing: only statements are logged.
    QCOMPARE(logLines(log), QStringList());

    // Failed statements are logged too.
    const QStringList statements {"ALTER INDEX IDX_A REBUILD ONLINE", "nonsense"};
    for (const QString& sql : statements) {
        QSqlQuery query(db);
        query.exec(sql);
    }
    QCOMPARE(logLines(log), statements);
}

void TestOraSimDriver::closeAndReopen()
{
    QSqlDatabase db = openConnection(QStringLiteral("Indexes=IDX_A"));
    QVERIFY(db.isOpen());
    db.close();
    QVERIFY(!db.isOpen());
    {
        QSqlQuery query(db);
        QTest::ignoreMessage(QtWarningMsg, "QSqlQuery::exec: database not open");
        QVERIFY(!query.exec(QStringLiteral("ALTER INDEX IDX_A REBUILD")));
    }
    QVERIFY(db.open());
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("ALTER INDEX IDX_A REBUILD")));
}

void TestOraSimDriver::connectionsAreIndependent()
{
    QSqlDatabase first = openConnection(QStringLiteral("Indexes=ONE;Online=0"), QStringLiteral("first"));
    QSqlDatabase second = openConnection(QStringLiteral("Indexes=TWO"), QStringLiteral("second"));
    QVERIFY(first.isOpen());
    QVERIFY(second.isOpen());

    QSqlQuery inFirst(first);
    QVERIFY(inFirst.exec(programQuery));
    QSqlQuery inSecond(second);
    QVERIFY(inSecond.exec(programQuery));
    QCOMPARE(allRows(inFirst), QStringList {"ONE"});
    QCOMPARE(allRows(inSecond), QStringList {"TWO"});

    QSqlQuery rebuild(second);
    QVERIFY(rebuild.exec(QStringLiteral("ALTER INDEX TWO REBUILD ONLINE")));
    QVERIFY(!rebuild.exec(QStringLiteral("ALTER INDEX ONE REBUILD")));
    QCOMPARE(rebuild.lastError().nativeErrorCode(), QString("1418"));
}

QTEST_GUILESS_MAIN(TestOraSimDriver)
#include "tst_orasimdriver.moc"
