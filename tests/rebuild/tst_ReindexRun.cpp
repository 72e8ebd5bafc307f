#include "OracleSql.h"
#include "RunFixture.h"

#include "ErrorNumbers.h"
#include "ProfileLock.h"

#include <QTest>
#include <QThread>

// The run's normal road and its cancel timing, against the simulated server, on this thread.
class tst_ReindexRun : public QObject
{
    Q_OBJECT

private slots:
    void normalRunRebuildsEveryIndexInOrder();
    void blankProfileTextOpensNothing_data();
    void blankProfileTextOpensNothing();
    void profileNameGoesUntrimmed();
    void noSuchProfileOpensNothing();
    void whatIsSentAndShown_data();
    void whatIsSentAndShown();

    void cancelBeforeTheLoopStillQueries_data();
    void cancelBeforeTheLoopStillQueries();
    void cancelStopsBeforeTheNextStatement_data();
    void cancelStopsBeforeTheNextStatement();

    void lockWaitAfterTheLogon_data();
    void lockWaitAfterTheLogon();
    void noStatementStartsAfterTheDeadline_data();
    void noStatementStartsAfterTheDeadline();
    void oneRunPerProfile();
};

using End = RunOutcome::End;
static const QString Query = OracleSql::indexListQuery();

void tst_ReindexRun::normalRunRebuildsEveryIndexInOrder()
{
    RunFixture f(QStringLiteral("Indexes=IDX_C,IDX_A,SYS_C0042,IDX_B"));
    f.run();

    QCOMPARE(f.outcome.end, End::Finished);
    QVERIFY(!f.outcome.error);
    QCOMPARE(f.observer.statuses(),
        QStringList({"Conectando...", "Procesando...", "Reindexando: IDX_A", "Reindexando: IDX_B",
            "Reindexando: IDX_C", "Terminado"}));
    // One session, every statement without a time-out ("EXEC 0"), closed before the last text.
    QCOMPARE(f.serverLog(),
        QStringList({"CONNECT", "EXEC 0 " + Query, "EXEC 0 ALTER INDEX IDX_A REBUILD",
            "EXEC 0 ALTER INDEX IDX_B REBUILD", "EXEC 0 ALTER INDEX IDX_C REBUILD", "DISCONNECT"}));
    QCOMPARE(f.plan->operations.last(), QString("Close"));
    QVERIFY(f.observer.errors().isEmpty());
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
    f.request.profileName = text;
    f.run();
    QCOMPARE(f.outcome.end, End::NoProfile);
    QCOMPARE(f.observer.statuses(), QStringList({"Seleccione la base de datos a reindexar"}));
    QVERIFY(f.plan->operations.isEmpty());
}

// The name chosen is a file's: " Prod " is not Prod.
void tst_ReindexRun::profileNameGoesUntrimmed()
{
    RunFixture f;
    f.writeProfile(QStringLiteral(" Prod "), QStringLiteral("Indexes=IDX_SPACED"));
    f.request.profileName = QStringLiteral(" Prod ");
    f.run();
    QCOMPARE(f.outcome.end, End::Finished);
    QCOMPARE(f.rebuilds(), QStringList({"ALTER INDEX IDX_SPACED REBUILD"}));
}

void tst_ReindexRun::noSuchProfileOpensNothing()
{
    RunFixture f;
    f.request.profileName = QStringLiteral("Nada");
    f.run();
    QCOMPARE(f.outcome.end, End::NoProfile);
    QCOMPARE(
        f.observer.statuses(), QStringList({"Conectando...", "Seleccione la base de datos a reindexar"}));
    QVERIFY(f.plan->operations.isEmpty());
    QVERIFY(f.observer.errors().isEmpty());
}

// What a run sends and shows: plain indexes in name order, quoted where they must be, "SYS_" ones
// left out; for the other kinds of index a schema holds, the ones no ALTER INDEX can rebuild are
// left out and a partitioned index goes partition by partition in position order.
void tst_ReindexRun::whatIsSentAndShown_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("online");
    QTest::addColumn<QStringList>("rebuilds");
    QTest::addColumn<QStringList>("shown"); // the "Reindexando: " texts

    const auto plain = [](const char* row, const char* indexes, bool online, const QStringList& rebuilds,
                           const QStringList& shown) {
        QTest::newRow(row) << QStringLiteral("Indexes=") + QString::fromUtf8(indexes) << online << rebuilds
                           << shown;
    };
    plain("online adds the suffix", "IDX_B,IDX_A", true,
        {"ALTER INDEX IDX_A REBUILD ONLINE", "ALTER INDEX IDX_B REBUILD ONLINE"},
        {"Reindexando: IDX_A", "Reindexando: IDX_B"});
    plain("no index", "", false, {}, {});
    plain("only system indexes", "SYS_C001,SYS_IL0000012345C00002$$", false, {}, {});
    // "SYS_" skips only what starts so: the "_" is no wildcard here.
    plain("names starting with SYS", "SYSTEM_X_IDX,SYS_C0001,SYSX,SYS", false,
        {"ALTER INDEX SYS REBUILD", "ALTER INDEX SYSTEM_X_IDX REBUILD", "ALTER INDEX SYSX REBUILD"},
        {"Reindexando: SYS", "Reindexando: SYSTEM_X_IDX", "Reindexando: SYSX"});
    // Written quoted, in the server's code-point order: upper case before lower case.
    plain("names needing quotes", "idx_lower,My Idx,Q\"X,IDX_PLAIN", false,
        {"ALTER INDEX IDX_PLAIN REBUILD", "ALTER INDEX \"My Idx\" REBUILD", "ALTER INDEX \"Q\"\"X\" REBUILD",
            "ALTER INDEX \"idx_lower\" REBUILD"},
        {"Reindexando: IDX_PLAIN", "Reindexando: My Idx", "Reindexando: Q\"X", "Reindexando: idx_lower"});

    const auto leftOut = [](const char* row, const char* kind, const char* name) {
        QTest::newRow(row) << RunFixture::schema(QStringLiteral("A_IX normal A\n%1 %2 T\nZ_IX normal Z\n")
                                                     .arg(QLatin1String(name), QLatin1String(kind)))
                           << false << QStringList({"ALTER INDEX A_IX REBUILD", "ALTER INDEX Z_IX REBUILD"})
                           << QStringList({"Reindexando: A_IX", "Reindexando: Z_IX"});
    };
    leftOut("recycle bin left out", "recyclebin", "BIN$n3kL0DqzRMeGRm1E2nF0sA==$0");
    leftOut("temporary table's index left out", "temporary", "TMP_IX");
    leftOut("IOT top index left out", "iot-top", "IOT_PK");
    leftOut("LOB index left out", "lob", "LOB_IX");
    QTest::newRow("partitions in position order, not name order")
        << RunFixture::schema("V_IX normal V P2026,P2024,P2025\n") << false
        << QStringList({"ALTER INDEX V_IX REBUILD PARTITION P2026",
               "ALTER INDEX V_IX REBUILD PARTITION P2024", "ALTER INDEX V_IX REBUILD PARTITION P2025"})
        << QStringList(
               {"Reindexando: V_IX (P2026)", "Reindexando: V_IX (P2024)", "Reindexando: V_IX (P2025)"});
    QTest::newRow("a composite index by subpartition")
        << RunFixture::schema("M_IX normal M P1(S2,S1),P2(S3)\n") << true
        << QStringList({"ALTER INDEX M_IX REBUILD SUBPARTITION S2 ONLINE",
               "ALTER INDEX M_IX REBUILD SUBPARTITION S1 ONLINE",
               "ALTER INDEX M_IX REBUILD SUBPARTITION S3 ONLINE"})
        << QStringList({"Reindexando: M_IX (S2)", "Reindexando: M_IX (S1)", "Reindexando: M_IX (S3)"});
    QTest::newRow("partitions between plain indexes, names quoted")
        << RunFixture::schema("a normal T\nB normal T p1,P2\nC normal T\n") << false
        << QStringList({"ALTER INDEX B REBUILD PARTITION \"p1\"", "ALTER INDEX B REBUILD PARTITION P2",
               "ALTER INDEX C REBUILD", "ALTER INDEX \"a\" REBUILD"})
        << QStringList({"Reindexando: B (p1)", "Reindexando: B (P2)", "Reindexando: C", "Reindexando: a"});
    QTest::newRow("every kind at once, online")
        << QStringLiteral("Schema=" TARVELIN_ORASIM_SCHEMAS "/mixed.schema") << true
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
    QFETCH(bool, online);
    QFETCH(QStringList, rebuilds);
    QFETCH(QStringList, shown);

    RunFixture f(config);
    f.request.online = online;
    f.run();
    QCOMPARE(f.outcome.end, End::Finished);
    QCOMPARE(f.plan->statements, QStringList(Query) + rebuilds);
    QCOMPARE(f.observer.statuses(),
        QStringList({"Conectando...", "Procesando..."}) + shown + QStringList("Terminado"));
    QVERIFY(f.observer.errors().isEmpty());
    // The connection is closed, whatever there was to rebuild.
    QCOMPARE(f.serverLog().last(), QString("DISCONNECT"));
}

// Asked to stop while connecting: the connection is still opened and the dictionary still read,
// then the loop stops at its first test; nothing is rebuilt.
void tst_ReindexRun::cancelBeforeTheLoopStillQueries_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("Conectando") << "info:Conectando...";
    QTest::newRow("Procesando") << "info:Procesando...";
}

void tst_ReindexRun::cancelBeforeTheLoopStillQueries()
{
    QFETCH(QString, when);
    RunFixture f;
    f.observer.onCall = [&](const QString& entry) {
        if (entry == when)
            f.cancel.request();
    };
    f.run();
    QCOMPARE(f.outcome.end, End::Cancelled);
    QCOMPARE(f.serverLog(), QStringList({"CONNECT", "EXEC 0 " + Query, "DISCONNECT"}));
    QCOMPARE(f.observer.statuses(), QStringList({"Conectando...", "Procesando...", "Cancelado"}));
}

// The token is looked at before each statement, between partitions as between indexes, and at
// the end: the statement announced or under way is finished, nothing after it is started.
void tst_ReindexRun::cancelStopsBeforeTheNextStatement_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("announced"); // asked to stop as this is announced...
    QTest::addColumn<QString>("during"); // ...or while the server runs this
    QTest::addColumn<QStringList>("rebuilds");

    const QString three = QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C");
    QTest::newRow("the first index announced") << three << "Reindexando: IDX_A"
                                               << "" << QStringList({"ALTER INDEX IDX_A REBUILD"});
    QTest::newRow("during the first rebuild")
        << three << ""
        << "ALTER INDEX IDX_A REBUILD" << QStringList({"ALTER INDEX IDX_A REBUILD"});
    QTest::newRow("the last index announced")
        << three << "Reindexando: IDX_C"
        << ""
        << QStringList(
               {"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD", "ALTER INDEX IDX_C REBUILD"});
    QTest::newRow("during the last rebuild")
        << three << ""
        << "ALTER INDEX IDX_C REBUILD"
        << QStringList(
               {"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD", "ALTER INDEX IDX_C REBUILD"});

    const QString partitioned = RunFixture::schema("V_IX normal V P1,P2,P3\nW_IX normal W\n");
    QTest::newRow("the first partition announced")
        << partitioned << "Reindexando: V_IX (P1)"
        << "" << QStringList({"ALTER INDEX V_IX REBUILD PARTITION P1"});
    QTest::newRow("during the second partition's rebuild")
        << partitioned << ""
        << "ALTER INDEX V_IX REBUILD PARTITION P2"
        << QStringList({"ALTER INDEX V_IX REBUILD PARTITION P1", "ALTER INDEX V_IX REBUILD PARTITION P2"});
}

void tst_ReindexRun::cancelStopsBeforeTheNextStatement()
{
    QFETCH(QString, config);
    QFETCH(QString, announced);
    QFETCH(QString, during);
    QFETCH(QStringList, rebuilds);

    RunFixture f(config);
    f.observer.onCall = [&](const QString& entry) {
        if (entry == "info:" + announced)
            f.cancel.request();
    };
    f.plan->beforeExecute = [&](const QString& sql) {
        if (sql == during)
            f.cancel.request();
    };
    f.run();
    QCOMPARE(f.outcome.end, End::Cancelled);
    QCOMPARE(f.rebuilds(), rebuilds);
    const QStringList statuses = f.observer.statuses();
    QCOMPARE(statuses.size(), 2 + rebuilds.size() + 1);
    QCOMPARE(statuses.last(), QString("Cancelado"));
    QCOMPARE(f.serverLog().last(), QString("DISCONNECT"));
}

// How long a rebuild waits for a table's lock: asked of the run, or else the profile's
// EsperaBloqueo; said to the server right after the logon, and nothing is said without either.
void tst_ReindexRun::lockWaitAfterTheLogon_data()
{
    QTest::addColumn<QByteArray>("profileLine");
    QTest::addColumn<int>("asked"); // -1: not asked
    QTest::addColumn<QStringList>("afterTheLogon"); // what follows CONNECT, up to the query

    QTest::newRow("neither") << QByteArray() << -1 << QStringList();
    QTest::newRow("the profile's") << QByteArray("EsperaBloqueo=30\n") << -1
                                   << QStringList({"EXEC 0 ALTER SESSION SET DDL_LOCK_TIMEOUT = 30"});
    QTest::newRow("asked, over the profile's") << QByteArray(
        "EsperaBloqueo=30\n") << 0 << QStringList({"EXEC 0 ALTER SESSION SET DDL_LOCK_TIMEOUT = 0"});
    QTest::newRow("asked") << QByteArray() << 1000000
                           << QStringList({"EXEC 0 ALTER SESSION SET DDL_LOCK_TIMEOUT = 1000000"});
}

void tst_ReindexRun::lockWaitAfterTheLogon()
{
    QFETCH(QByteArray, profileLine);
    QFETCH(int, asked);
    QFETCH(QStringList, afterTheLogon);

    RunFixture f(QStringLiteral("Indexes=IDX_A"));
    f.writeProfile(QStringLiteral("Prod"), QStringLiteral("Indexes=IDX_A"), profileLine);
    if (asked >= 0)
        f.request.lockWaitSeconds = asked;
    f.run();
    QCOMPARE(f.outcome.end, End::Finished);
    QCOMPARE(f.serverLog(),
        QStringList("CONNECT") + afterTheLogon
            + QStringList({"EXEC 0 " + Query, "EXEC 0 ALTER INDEX IDX_A REBUILD", "DISCONNECT"}));
}

// The deadline is looked at before each statement: the one under way when it comes is finished,
// no other is started, and the run says how many were left.
void tst_ReindexRun::noStatementStartsAfterTheDeadline_data()
{
    QTest::addColumn<QString>("reachedDuring"); // empty: already past when the run starts
    QTest::addColumn<QStringList>("rebuilds");
    QTest::addColumn<int>("notSent");

    QTest::newRow("during the second of four")
        << "ALTER INDEX IDX_B REBUILD"
        << QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}) << 2;
    QTest::newRow("during the last") << "ALTER INDEX IDX_D REBUILD"
                                     << QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD",
                                            "ALTER INDEX IDX_C REBUILD", "ALTER INDEX IDX_D REBUILD"})
                                     << 0;
    QTest::newRow("before the first") << "" << QStringList() << 4;
}

void tst_ReindexRun::noStatementStartsAfterTheDeadline()
{
    QFETCH(QString, reachedDuring);
    QFETCH(QStringList, rebuilds);
    QFETCH(int, notSent);

    RunFixture f(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C,IDX_D"));
    const QDateTime now = QDateTime::currentDateTime();
    f.request.deadline = reachedDuring.isEmpty() ? now.addMSecs(-1) : now.addSecs(3600);
    // The deadline comes while the server runs that statement: the test moves it to that moment.
    f.plan->beforeExecute = [&](const QString& sql) {
        if (sql == reachedDuring)
            f.request.deadline = QDateTime::currentDateTime();
    };
    f.run();

    QCOMPARE(f.rebuilds(), rebuilds);
    QCOMPARE(f.outcome.targets, 4);
    QCOMPARE(f.outcome.rebuilt, rebuilds.size());
    QCOMPARE(f.outcome.notSent(), notSent);
    // The last statement ended just as the deadline came: the run is over, nothing was left.
    QCOMPARE(f.outcome.end, notSent > 0 ? End::DeadlineReached : End::Finished);
    QCOMPARE(f.observer.status(),
        notSent > 0 ? QStringLiteral("Hora límite alcanzada: %1 sin reindexar").arg(notSent)
                    : QStringLiteral("Terminado"));
    QCOMPARE(f.serverLog().last(), QString("DISCONNECT"));
}

// While another run holds the profile, a second one ends before anything reaches the server, as a
// failure that names the holder; once it is let go, runs go on as before.
void tst_ReindexRun::oneRunPerProfile()
{
    RunFixture f;
    {
        const ProfileLock held(QStringLiteral("Prod"), f.folder.filePath(QStringLiteral("Prod.cfp")));
        f.run();
        QCOMPARE(f.outcome.end, End::Failed);
        QCOMPARE(f.outcome.error->number(), ErrorNumber::ProfileInUse);
        // The holder named as the lock file names it: its program and process, on this machine.
        const QString said = f.outcome.error->description();
        QVERIFY2(said.startsWith(QStringLiteral("El perfil Prod ya se está reindexando en otra ejecución (%1, proceso %2 en ")
                                     .arg(QCoreApplication::applicationName())
                                     .arg(QCoreApplication::applicationPid())),
            qPrintable(said));
        QVERIFY2(said.endsWith(QStringLiteral("); espere a que termine")), qPrintable(said));
        QVERIFY(f.serverLog().isEmpty());
        QVERIFY(f.plan->operations.isEmpty());
    }
    f.run();
    QCOMPARE(f.outcome.end, End::Finished);
    QCOMPARE(f.rebuilds().size(), 3);
}

QTEST_GUILESS_MAIN(tst_ReindexRun)
#include "tst_ReindexRun.moc"
