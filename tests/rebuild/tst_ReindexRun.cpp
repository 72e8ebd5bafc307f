#include "OracleSql.h"
#include "RunFixture.h"
#include "RunPlatform.h"

#include <QSemaphore>
#include <QSqlDatabase>
#include <QTest>

// The run's normal road and its cancel timing, against the simulated server.
class tst_ReindexRun : public QObject
{
    Q_OBJECT

private slots:
    void normalRunRebuildsEveryIndexInOrder();
    void realPlatformPassesTheProgramIdentity();
    void blankProfileTextOpensNothing_data();
    void blankProfileTextOpensNothing();
    void profileNameGoesUntrimmed();
    void rejectedProfileOpensNothing();
    void whatIsSentAndShown_data();
    void whatIsSentAndShown();
    void previousCancelDoesNotStopANewRun();
    void changingTheTickDuringARunHasNoEffect();

    void cancelWhileConnectingStillQueries_data();
    void cancelWhileConnectingStillQueries();
    void cancelWhileIndexAnnouncedFinishesThatIndex();
    void cancelDuringARebuildIsServedAtOnceAndStopsAfterIt_data();
    void cancelDuringARebuildIsServedAtOnceAndStopsAfterIt();
    void cancelWhileLastIndexAnnouncedEndsCancelado();
    void cancelServedOnTheFinalText();
    void cancelInsideAPartitionedIndex_data();
    void cancelInsideAPartitionedIndex();
};

static const QString Query = OracleSql::indexListQuery();

void tst_ReindexRun::normalRunRebuildsEveryIndexInOrder()
{
    RunFixture f(QStringLiteral("Indexes=IDX_C,IDX_A,SYS_C0042,IDX_B"));
    // The Qt driver of every connection open while a statement runs: the run goes through ODBC.
    QStringList drivers;
    f.plan->beforeExecute = [&drivers](const QString&) {
        for (const QString& name : QSqlDatabase::connectionNames())
            drivers << QSqlDatabase::database(name, false).driverName();
    };
    f.run();

    QCOMPARE(f.plan->statements,
        QStringList(
            {Query, "ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD", "ALTER INDEX IDX_C REBUILD"}));
    QCOMPARE(f.window.statuses(),
        QStringList({"Conectando...", "Procesando...", "Reindexando: IDX_A", "Reindexando: IDX_B",
            "Reindexando: IDX_C", "Terminado"}));
    QCOMPARE(f.window.journal.mid(0, 2), QStringList({"hideReindexar", "showCancelar"}));
    QCOMPARE(
        f.window.journal.mid(f.window.journal.size() - 2), QStringList({"showReindexar", "hideCancelar"}));
    QVERIFY(f.idle());
    QCOMPARE(f.profile->calls, QStringList({"Load:Corvath S.L.|/opt/tarvelin|Prod", "Get:Corvath S.L.|1"}));
    QCOMPARE(f.profilesCreated, 1);
    QCOMPARE(f.connectionsCreated, 1);
    // The list and the connection are closed before the final text.
    QVERIFY(f.plan->operations.contains("CloseRows"));
    QCOMPARE(f.plan->operations.last(), QString("Close"));
    QVERIFY(!f.window.journal.join('\n').contains("error:"));
    QCOMPARE(drivers, QStringList(4, "QODBC"));
    // A rebuild takes as long as it takes: no statement runs with a time-out.
    QCOMPARE(f.plan->timeouts, QList<qint32>(4, 0));
}

void tst_ReindexRun::realPlatformPassesTheProgramIdentity()
{
    const RunPlatform real = RunPlatform::real();
    QCOMPARE(real.vendorName(), QString("Corvath S.L."));
    QCOMPARE(real.programFolder(), QCoreApplication::applicationDirPath());
}

void tst_ReindexRun::blankProfileTextOpensNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces") << "   ";
}

void tst_ReindexRun::blankProfileTextOpensNothing()
{
    QFETCH(QString, text);
    RunFixture f;
    f.window.base = text;
    f.run();
    QCOMPARE(f.window.statuses(), QStringList({"Seleccione la base de datos a reindexar"}));
    QCOMPARE(f.profilesCreated, 0);
    QCOMPARE(f.connectionsCreated, 0);
    QVERIFY(f.idle());
}

void tst_ReindexRun::profileNameGoesUntrimmed()
{
    RunFixture f;
    f.window.base = QStringLiteral(" Prod ");
    f.profile->loads = false;
    f.run();
    QCOMPARE(f.profile->calls, QStringList({"Load:Corvath S.L.|/opt/tarvelin| Prod "}));
}

void tst_ReindexRun::rejectedProfileOpensNothing()
{
    RunFixture f;
    f.profile->loads = false;
    f.run();
    QCOMPARE(f.window.statuses(), QStringList({"Conectando...", "Seleccione la base de datos a reindexar"}));
    QCOMPARE(f.profile->calls.size(), 1); // no connection string asked for
    QCOMPARE(f.connectionsCreated, 0);
    QVERIFY(f.idle());
}

// What a run sends and shows: plain indexes in name order, quoted where they must be, "SYS_" ones
// left out; for the other kinds of index a schema holds, the ones no ALTER INDEX can rebuild are
// left out and a partitioned index goes partition by partition in position order.
void tst_ReindexRun::whatIsSentAndShown_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("online");
    QTest::addColumn<QStringList>("rebuilds");
    QTest::addColumn<QStringList>("shown"); // the "Reindexando: " texts

    const auto plain = [](const char* row, const char* indexes, int online, const QStringList& rebuilds,
                           const QStringList& shown) {
        QTest::newRow(row) << QStringLiteral("Indexes=") + QString::fromUtf8(indexes) << online << rebuilds
                           << shown;
    };
    plain("online tick adds the suffix", "IDX_B,IDX_A", 1,
        {"ALTER INDEX IDX_A REBUILD ONLINE", "ALTER INDEX IDX_B REBUILD ONLINE"},
        {"Reindexando: IDX_A", "Reindexando: IDX_B"});
    plain("no index", "", 0, {}, {});
    plain("only system indexes", "SYS_C001,SYS_IL0000012345C00002$$", 0, {}, {});
    // "SYS_" skips only what starts so: the "_" is no wildcard here.
    plain("names starting with SYS", "SYSTEM_X_IDX,SYS_C0001,SYSX,SYS", 0,
        {"ALTER INDEX SYS REBUILD", "ALTER INDEX SYSTEM_X_IDX REBUILD", "ALTER INDEX SYSX REBUILD"},
        {"Reindexando: SYS", "Reindexando: SYSTEM_X_IDX", "Reindexando: SYSX"});
    // Written quoted, in the server's code-point order: upper case before lower case.
    plain("names needing quotes", "idx_lower,My Idx,Q\"X,IDX_PLAIN", 0,
        {"ALTER INDEX IDX_PLAIN REBUILD", "ALTER INDEX \"My Idx\" REBUILD", "ALTER INDEX \"Q\"\"X\" REBUILD",
            "ALTER INDEX \"idx_lower\" REBUILD"},
        {"Reindexando: IDX_PLAIN", "Reindexando: My Idx", "Reindexando: Q\"X", "Reindexando: idx_lower"});

    const auto leftOut = [](const char* row, const char* kind, const char* name) {
        QTest::newRow(row) << RunFixture::schema(QStringLiteral("A_IX normal A\n%1 %2 T\nZ_IX normal Z\n")
                                                     .arg(QLatin1String(name), QLatin1String(kind)))
                           << 0 << QStringList({"ALTER INDEX A_IX REBUILD", "ALTER INDEX Z_IX REBUILD"})
                           << QStringList({"Reindexando: A_IX", "Reindexando: Z_IX"});
    };
    leftOut("recycle bin left out", "recyclebin", "BIN$n3kL0DqzRMeGRm1E2nF0sA==$0");
    leftOut("temporary table's index left out", "temporary", "TMP_IX");
    leftOut("IOT top index left out", "iot-top", "IOT_PK");
    leftOut("LOB index left out", "lob", "LOB_IX");
    QTest::newRow("partitions in position order, not name order")
        << RunFixture::schema("V_IX normal V P2026,P2024,P2025\n") << 0
        << QStringList({"ALTER INDEX V_IX REBUILD PARTITION P2026",
               "ALTER INDEX V_IX REBUILD PARTITION P2024", "ALTER INDEX V_IX REBUILD PARTITION P2025"})
        << QStringList(
               {"Reindexando: V_IX (P2026)", "Reindexando: V_IX (P2024)", "Reindexando: V_IX (P2025)"});
    QTest::newRow("a composite index by subpartition")
        << RunFixture::schema("M_IX normal M P1(S2,S1),P2(S3)\n") << 1
        << QStringList({"ALTER INDEX M_IX REBUILD SUBPARTITION S2 ONLINE",
               "ALTER INDEX M_IX REBUILD SUBPARTITION S1 ONLINE",
               "ALTER INDEX M_IX REBUILD SUBPARTITION S3 ONLINE"})
        << QStringList({"Reindexando: M_IX (S2)", "Reindexando: M_IX (S1)", "Reindexando: M_IX (S3)"});
    QTest::newRow("partitions between plain indexes, names quoted")
        << RunFixture::schema("a normal T\nB normal T p1,P2\nC normal T\n") << 0
        << QStringList({"ALTER INDEX B REBUILD PARTITION \"p1\"", "ALTER INDEX B REBUILD PARTITION P2",
               "ALTER INDEX C REBUILD", "ALTER INDEX \"a\" REBUILD"})
        << QStringList({"Reindexando: B (p1)", "Reindexando: B (P2)", "Reindexando: C", "Reindexando: a"});
    QTest::newRow("every kind at once, online")
        << QStringLiteral("Schema=" TARVELIN_ORASIM_SCHEMAS "/mixed.schema") << 1
        << QStringList({"ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024 ONLINE",
               "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2025 ONLINE",
               "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2026 ONLINE",
               "ALTER INDEX CLIENTES_PK REBUILD ONLINE",
               "ALTER INDEX \"DATE\" REBUILD PARTITION \"LEVEL\" ONLINE",
               "ALTER INDEX \"DATE\" REBUILD PARTITION P2027 ONLINE",
               "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_NORTE ONLINE",
               "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_SUR ONLINE",
               "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_NORTE ONLINE",
               "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_SUR ONLINE",
               "ALTER INDEX ZONAS_PK REBUILD ONLINE"})
        << QStringList({"Reindexando: CLIENTES_ALTA_IX (P2024)", "Reindexando: CLIENTES_ALTA_IX (P2025)",
               "Reindexando: CLIENTES_ALTA_IX (P2026)", "Reindexando: CLIENTES_PK",
               "Reindexando: DATE (LEVEL)", "Reindexando: DATE (P2027)",
               "Reindexando: MOVIMIENTOS_IX (P2025_NORTE)", "Reindexando: MOVIMIENTOS_IX (P2025_SUR)",
               "Reindexando: MOVIMIENTOS_IX (P2026_NORTE)", "Reindexando: MOVIMIENTOS_IX (P2026_SUR)",
               "Reindexando: ZONAS_PK"});
}

void tst_ReindexRun::whatIsSentAndShown()
{
    QFETCH(QString, config);
    QFETCH(int, online);
    QFETCH(QStringList, rebuilds);
    QFETCH(QStringList, shown);

    RunFixture f(config);
    f.window.onLine = online;
    f.run();
    QCOMPARE(f.plan->statements, QStringList(Query) + rebuilds);
    QCOMPARE(f.window.statuses(),
        QStringList({"Conectando...", "Procesando..."}) + shown + QStringList("Terminado"));
    QVERIFY(!f.window.journal.join('\n').contains("error:"));
    QCOMPARE(f.window.onLine, online);
    // The list and the connection are closed, whatever there was to rebuild.
    QVERIFY(f.plan->operations.contains("CloseRows"));
    QCOMPARE(f.plan->operations.last(), QString("Close"));
    QVERIFY(f.idle());
}

void tst_ReindexRun::previousCancelDoesNotStopANewRun()
{
    RunFixture f;
    f.window.bCancel = true; // left over from a cancelled run
    f.run();
    QCOMPARE(f.rebuilds().size(), 3);
    QCOMPARE(f.window.status, QString("Terminado"));
}

void tst_ReindexRun::changingTheTickDuringARunHasNoEffect()
{
    RunFixture f(QStringLiteral("Indexes=IDX_A,IDX_B"));
    f.window.onCall = [&](const QString& entry) {
        if (entry == "info:Reindexando: IDX_A")
            f.window.onLine = 1;
    };
    f.run();
    QCOMPARE(f.rebuilds(), QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
}

// A click is served as soon as the window serves events: in ShowInfo, or at once while a statement
// runs. The run looks at the flag before each statement and at the end.

void tst_ReindexRun::cancelWhileConnectingStillQueries_data()
{
    QTest::addColumn<QString>("servedAt");
    QTest::newRow("Conectando") << "Conectando...";
    QTest::newRow("Procesando") << "Procesando...";
}

void tst_ReindexRun::cancelWhileConnectingStillQueries()
{
    QFETCH(QString, servedAt);
    RunFixture f;
    f.window.onCall = [&](const QString& entry) {
        if (entry == "info:" + servedAt)
            f.window.postCancelClick();
    };
    f.run();
    QVERIFY(f.plan->operations.contains("Open"));
    QCOMPARE(f.plan->statements, QStringList({Query}));
    QCOMPARE(f.rebuilds().size(), 0);
    const QStringList statuses = f.window.statuses();
    QCOMPARE(statuses.last(), QString("Cancelado"));
    QCOMPARE(statuses.at(statuses.indexOf(servedAt) + 1), QString("Cancelando..."));
    QVERIFY(statuses.contains("Procesando..."));
    QVERIFY(f.plan->operations.contains("CloseRows"));
    QVERIFY(f.idle());
}

void tst_ReindexRun::cancelWhileIndexAnnouncedFinishesThatIndex()
{
    RunFixture f;
    f.window.onCall = [&](const QString& entry) {
        if (entry == "info:Reindexando: IDX_A")
            f.window.postCancelClick();
    };
    f.run();
    QCOMPARE(f.rebuilds(), QStringList({"ALTER INDEX IDX_A REBUILD"}));
    QCOMPARE(f.window.statuses().mid(2), QStringList({"Reindexando: IDX_A", "Cancelando...", "Cancelado"}));
    QVERIFY(f.idle());
}

// The click is made while the server rebuilds: the database thread holds the statement back until
// the window has served the click, which it can only do while the statement is under way. The
// rebuild under way is finished, no other is started.
void tst_ReindexRun::cancelDuringARebuildIsServedAtOnceAndStopsAfterIt_data()
{
    QTest::addColumn<QString>("during");
    QTest::addColumn<QStringList>("rebuilds");
    QTest::addColumn<QStringList>("lastStatuses");

    QTest::newRow("the first of three")
        << "ALTER INDEX IDX_A REBUILD" << QStringList({"ALTER INDEX IDX_A REBUILD"})
        << QStringList({"Reindexando: IDX_A", "Cancelando...", "Cancelado"});
    QTest::newRow("the last") << "ALTER INDEX IDX_C REBUILD"
                              << QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD",
                                     "ALTER INDEX IDX_C REBUILD"})
                              << QStringList({"Reindexando: IDX_C", "Cancelando...", "Cancelado"});
}

void tst_ReindexRun::cancelDuringARebuildIsServedAtOnceAndStopsAfterIt()
{
    QFETCH(QString, during);
    QFETCH(QStringList, rebuilds);
    QFETCH(QStringList, lastStatuses);

    RunFixture f;
    QSemaphore served;
    bool servedDuringTheStatement = false;
    f.window.onCall = [&](const QString& entry) {
        if (entry == "info:Cancelando...")
            served.release();
    };
    f.plan->beforeExecute = [&](const QString& sql) {
        if (sql != during)
            return;
        f.window.postCancelClick();
        servedDuringTheStatement = served.tryAcquire(1, 30000);
    };
    f.run();
    QVERIFY2(servedDuringTheStatement, "the click waited for the statement to end");
    QCOMPARE(f.rebuilds(), rebuilds);
    const QStringList statuses = f.window.statuses();
    QCOMPARE(statuses.mid(statuses.size() - lastStatuses.size()), lastStatuses);
    QVERIFY(f.plan->operations.contains("Close"));
    QVERIFY(f.idle());
}

void tst_ReindexRun::cancelWhileLastIndexAnnouncedEndsCancelado()
{
    RunFixture f;
    f.window.onCall = [&](const QString& entry) {
        if (entry == "info:Reindexando: IDX_C")
            f.window.postCancelClick();
    };
    f.run();
    QCOMPARE(f.rebuilds().size(), 3);
    QCOMPARE(f.window.status, QString("Cancelado"));
}

void tst_ReindexRun::cancelServedOnTheFinalText()
{
    RunFixture f;
    f.window.base = QStringLiteral(" ");
    f.window.onCall = [&](const QString& entry) {
        if (entry == "info:Seleccione la base de datos a reindexar")
            f.window.postCancelClick();
    };
    f.run();
    QCOMPARE(f.window.statuses(), QStringList({"Seleccione la base de datos a reindexar", "Cancelando..."}));
    QVERIFY(f.idle());
}

// Between partitions as between indexes: the flag is looked at before each statement.
void tst_ReindexRun::cancelInsideAPartitionedIndex_data()
{
    QTest::addColumn<QString>("announced"); // the click is served while this is shown...
    QTest::addColumn<QString>("during"); // ...or is made while this statement runs
    QTest::addColumn<QStringList>("partitions"); // those rebuilt
    QTest::addColumn<QStringList>("lastStatuses");

    QTest::newRow("served while the first partition is announced")
        << "Reindexando: V_IX (P1)"
        << "" << QStringList({"P1"}) << QStringList({"Cancelando...", "Cancelado"});
    QTest::newRow("during the first partition's rebuild")
        << ""
        << "ALTER INDEX V_IX REBUILD PARTITION P1" << QStringList({"P1"})
        << QStringList({"Reindexando: V_IX (P1)", "Cancelando...", "Cancelado"});
    QTest::newRow("during the last partition's rebuild")
        << ""
        << "ALTER INDEX V_IX REBUILD PARTITION P3" << QStringList({"P1", "P2", "P3"})
        << QStringList({"Reindexando: V_IX (P3)", "Cancelando...", "Cancelado"});
}

void tst_ReindexRun::cancelInsideAPartitionedIndex()
{
    QFETCH(QString, announced);
    QFETCH(QString, during);
    QFETCH(QStringList, partitions);
    QFETCH(QStringList, lastStatuses);

    RunFixture f(RunFixture::schema("V_IX normal V P1,P2,P3\n"));
    f.window.onCall = [&](const QString& entry) {
        if (entry == "info:" + announced)
            f.window.postCancelClick();
    };
    f.plan->beforeExecute = [&](const QString& sql) {
        if (sql == during)
            f.window.postCancelClick();
    };
    f.run();
    QStringList rebuilds;
    for (const QString& partition : partitions)
        rebuilds << "ALTER INDEX V_IX REBUILD PARTITION " + partition;
    QCOMPARE(f.rebuilds(), rebuilds);
    const QStringList statuses = f.window.statuses();
    QCOMPARE(statuses.mid(statuses.size() - lastStatuses.size()), lastStatuses);
    QVERIFY(f.idle());
}

QTEST_GUILESS_MAIN(tst_ReindexRun)
#include "tst_ReindexRun.moc"
