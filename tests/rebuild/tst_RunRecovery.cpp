#include "RunFixture.h"
#include "TarvelinError.h"

#include <QTest>

#include <new>

// What a run does when something fails: the online question and its one retry, the error box for
// everything else, and an end that lets go of what it holds, even when saying so fails too.
class tst_RunRecovery : public QObject
{
    Q_OBJECT

private slots:
    void onlineRefused_data();
    void onlineRefused();
    void featureMissingWithoutOnlineIsAnOrdinaryError_data();
    void featureMissingWithoutOnlineIsAnOrdinaryError();
    void otherCodesAreOrdinaryErrors_data();
    void otherCodesAreOrdinaryErrors();
    void emptyDescriptionAndNegativeNumber();
    void failingRebuildStopsTheRunThere_data();
    void failingRebuildStopsTheRunThere();
    void wrongPasswordShowsTheServerText();
    void unusableProfileReachesNoServer();
    void failureAtEachCall_data();
    void failureAtEachCall();
    void unexpectedExceptionIsReported();
    void failingObserverStillEndsTheRun_data();
    void failingObserverStillEndsTheRun();

    void keepGoingPastFailedStatements();
    void keepGoingStopsWhenTheSessionIsLost_data();
    void keepGoingStopsWhenTheSessionIsLost();
};

using End = RunOutcome::End;

// The server refuses ONLINE: the status line says so, then the question. "Sí" rebuilds that same
// index or partition without ONLINE, and every later statement too; "No" touches nothing more. A
// partition is a statement like an index.
void tst_RunRecovery::onlineRefused_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("rebuilds");
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<End>("end");

    const QString refusal = QStringLiteral("No se puede reindexar en línea");
    const QStringList start {"Conectando...", "Procesando...", "Reindexando: IDX_A", refusal};
    QTest::newRow("first index, Sí") << "Indexes=IDX_A,IDX_B,IDX_C;Online=0" << true
                                     << QStringList(
                                            {"ALTER INDEX IDX_A REBUILD ONLINE", "ALTER INDEX IDX_A REBUILD",
                                                "ALTER INDEX IDX_B REBUILD", "ALTER INDEX IDX_C REBUILD"})
                                     << start
            + QStringList({"Reindexando: IDX_B", "Reindexando: IDX_C", "Terminado"})
                                     << End::Finished;
    QTest::newRow("first index, No") << "Indexes=IDX_A,IDX_B;Online=0" << false
                                     << QStringList({"ALTER INDEX IDX_A REBUILD ONLINE"}) << start
                                     << End::OnlineRefused;

    const QString partitions
        = RunFixture::schema("V_IX normal V P1,P2,P3\nW_IX normal W\n") + ";Fail=V_IX.P2:439";
    const QStringList refused {
        "ALTER INDEX V_IX REBUILD PARTITION P1 ONLINE", "ALTER INDEX V_IX REBUILD PARTITION P2 ONLINE"};
    const QStringList shown {
        "Conectando...", "Procesando...", "Reindexando: V_IX (P1)", "Reindexando: V_IX (P2)", refusal};
    QTest::newRow("second partition, Sí")
        << partitions << true
        << refused
            + QStringList({"ALTER INDEX V_IX REBUILD PARTITION P2", "ALTER INDEX V_IX REBUILD PARTITION P3",
                "ALTER INDEX W_IX REBUILD"})
        << shown + QStringList({"Reindexando: V_IX (P3)", "Reindexando: W_IX", "Terminado"}) << End::Finished;
    QTest::newRow("second partition, No") << partitions << false << refused << shown << End::OnlineRefused;
}

void tst_RunRecovery::onlineRefused()
{
    QFETCH(QString, config);
    QFETCH(bool, answer);
    QFETCH(QStringList, rebuilds);
    QFETCH(QStringList, statuses);
    QFETCH(End, end);

    RunFixture f(config);
    f.request.online = true;
    f.observer.answers = {answer};
    f.run();
    QCOMPARE(f.outcome.end, end);
    QCOMPARE(f.rebuilds(), rebuilds);
    QCOMPARE(f.observer.statuses(), statuses);
    const QStringList& j = f.observer.journal;
    QCOMPARE(j.count("ask"), 1);
    QCOMPARE(j.indexOf("ask"), j.indexOf("info:No se puede reindexar en línea") + 1);
    QVERIFY(f.observer.errors().isEmpty());
    // Answered or not, the session ends with the run.
    QCOMPARE(f.serverLog().last(), QString("DISCONNECT"));
}

// ORA-00439 is "feature not enabled" for any option; without ONLINE in the failed statement there
// is nothing to go without, so it ends the run like any other error instead of asking again.
void tst_RunRecovery::featureMissingWithoutOnlineIsAnOrdinaryError_data()
{
    QTest::addColumn<bool>("online");
    QTest::addColumn<QString>("failing"); // the statement that fails, by its start
    QTest::addColumn<QStringList>("rebuilds");

    QTest::newRow("a rebuild without ONLINE")
        << false << "ALTER INDEX" << QStringList({"ALTER INDEX IDX_A REBUILD"});
    QTest::newRow("the dictionary query, online") << true << "SELECT" << QStringList();
}

void tst_RunRecovery::featureMissingWithoutOnlineIsAnOrdinaryError()
{
    QFETCH(bool, online);
    QFETCH(QString, failing);
    QFETCH(QStringList, rebuilds);
    const QString description = QStringLiteral("ORA-00439: feature not enabled: Partitioning");
    RunFixture f(QStringLiteral("Indexes=IDX_A,IDX_B"));
    f.request.online = online;
    f.plan->fail("Execute", 1, 439, description, -1, failing);
    f.run();

    QCOMPARE(f.outcome.end, End::Failed);
    QCOMPARE(f.outcome.error->number(), 439);
    QCOMPARE(f.observer.journal.count("ask"), 0);
    QCOMPARE(f.observer.errors(), QStringList({"error:Error 439: " + description}));
    QCOMPARE(f.observer.status(), description);
    QCOMPARE(f.rebuilds(), rebuilds);
}

void tst_RunRecovery::otherCodesAreOrdinaryErrors_data()
{
    QTest::addColumn<QString>("description");
    QTest::newRow("code in lower case") << "ora-00439: feature not enabled";
    QTest::newRow("code later in the text") << "ORA-01502: index 'IDX_A' unusable (after ORA-00439)";
    QTest::newRow("code after a blank") << " ORA-00439: feature not enabled";
    QTest::newRow("a code that differs in its last digit") << "ORA-00438: Partitioning Option not installed";
}

// Only a description that starts with the code, as Oracle writes it, is the online refusal.
void tst_RunRecovery::otherCodesAreOrdinaryErrors()
{
    QFETCH(QString, description);
    RunFixture f;
    f.request.online = true;
    f.plan->fail("Execute", 1, 439, description, 1, "ALTER INDEX");
    f.run();

    const QStringList& j = f.observer.journal;
    QCOMPARE(j.count("ask"), 0);
    const qsizetype box = j.indexOf("error:Error 439: " + description);
    QVERIFY2(box >= 0, qPrintable(j.join(u'\n')));
    // The box comes first; the status line takes the description once it is closed, as the last text.
    QCOMPARE(j.indexOf("info:" + description), box + 1);
    QCOMPARE(j.size(), box + 2);
    QCOMPARE(f.outcome.end, End::Failed);
    QCOMPARE(f.rebuilds(), QStringList({"ALTER INDEX IDX_A REBUILD ONLINE"}));
}

void tst_RunRecovery::emptyDescriptionAndNegativeNumber()
{
    RunFixture f;
    f.plan->fail("Open", 1, -2147467259, QString());
    f.run();

    QCOMPARE(f.observer.errors(), QStringList({"error:Error -2147467259: "}));
    QCOMPARE(f.observer.statuses().last(), QString());
    QCOMPARE(f.outcome.error->number(), -2147467259);
}

void tst_RunRecovery::failingRebuildStopsTheRunThere_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QStringList>("rebuilds");

    QTest::newRow("an index") << "Indexes=IDX_A,IDX_B,IDX_C;Fail=IDX_B:01502"
                              << QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"});
    QTest::newRow("a partition") << RunFixture::schema("IDX_A normal T P1,P2,P3\nIDX_B normal T\n")
            + ";Fail=IDX_A.P2:1502"
                                 << QStringList({"ALTER INDEX IDX_A REBUILD PARTITION P1",
                                        "ALTER INDEX IDX_A REBUILD PARTITION P2"});
}

void tst_RunRecovery::failingRebuildStopsTheRunThere()
{
    QFETCH(QString, config);
    QFETCH(QStringList, rebuilds);
    RunFixture f(config);
    f.run();

    QCOMPARE(f.rebuilds(), rebuilds);
    const QStringList errors = f.observer.errors();
    QCOMPARE(errors.size(), 1);
    // The driver's "[vendor][component]" prefixes are gone: the text starts with the code.
    QVERIFY2(errors.first().startsWith("error:Error 1502: ORA-01502"), qPrintable(errors.first()));
    QVERIFY2(f.observer.status().startsWith("ORA-01502"), qPrintable(f.observer.status()));
    QVERIFY(!f.observer.statuses().contains("Terminado"));
    QCOMPARE(f.outcome.end, End::Failed);
    QCOMPARE(f.outcome.error->number(), 1502);
    // Released without closing: the session ends all the same.
    QCOMPARE(f.serverLog().last(), QString("DISCONNECT"));
    QVERIFY(!f.plan->operations.contains("Close"));
}

void tst_RunRecovery::wrongPasswordShowsTheServerText()
{
    RunFixture f(QStringLiteral("Indexes=IDX_A;ExpectPwd=tiger;PWD={lion}"));
    f.run();

    const QStringList errors = f.observer.errors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith("error:Error 1017: ORA-01017"), qPrintable(errors.first()));
    QVERIFY(f.observer.status().startsWith("ORA-01017"));
    QCOMPARE(f.serverLog(), QStringList({"CONNECT REFUSED"}));
}

// The profile library's own errors take the same road, before anything reaches the server.
void tst_RunRecovery::unusableProfileReachesNoServer()
{
    RunFixture f;
    f.writeProfile(QStringLiteral("Prod"), QStringLiteral("Indexes=IDX_A"), "Usuario=scott\n");
    f.run();
    QCOMPARE(f.outcome.end, End::Failed);
    QCOMPARE(f.outcome.error->number(), -2147220987);
    QCOMPARE(f.observer.statuses(), QStringList({"Conectando...", f.outcome.error->description()}));
    QVERIFY(f.plan->operations.isEmpty());
}

// Wherever the layer fails, the run ends the same way: the box, the description, no "Terminado".
void tst_RunRecovery::failureAtEachCall_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("sqlPrefix");
    QTest::addColumn<int>("rebuildsSent");

    QTest::newRow("open") << "Open"
                          << "" << 0;
    QTest::newRow("dictionary query") << "Execute"
                                      << "SELECT" << 0;
    QTest::newRow("closing the connection") << "Close"
                                            << "" << 3;
}

void tst_RunRecovery::failureAtEachCall()
{
    QFETCH(QString, operation);
    QFETCH(QString, sqlPrefix);
    QFETCH(int, rebuildsSent);

    RunFixture f;
    f.plan->fail(operation, 1, 3001, "Fallo provocado", 1, sqlPrefix);
    f.run();

    QCOMPARE(f.rebuilds().size(), rebuildsSent);
    QCOMPARE(f.observer.errors(), QStringList({"error:Error 3001: Fallo provocado"}));
    QCOMPARE(f.observer.status(), QString("Fallo provocado"));
    QVERIFY(!f.observer.statuses().contains("Terminado"));
    QCOMPARE(f.outcome.end, End::Failed);
}

void tst_RunRecovery::unexpectedExceptionIsReported()
{
    RunFixture f;
    f.observer.onCall = [](const QString& entry) {
        if (entry == "info:Procesando...")
            throw std::bad_alloc();
    };
    f.run();
    const QStringList errors = f.observer.errors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith("error:Error -2147418113: "), qPrintable(errors.first()));
    QCOMPARE(f.outcome.end, End::Failed);
    QVERIFY(f.plan->operations.isEmpty());
}

// Showing the error may fail as well: the run still ends, as failed, and its session with it.
void tst_RunRecovery::failingObserverStillEndsTheRun_data()
{
    QTest::addColumn<QString>("failingCall");
    QTest::newRow("the error box") << "error:";
    QTest::newRow("the question") << "ask";
    QTest::newRow("a status text") << "info:Reindexando: IDX_B";
}

void tst_RunRecovery::failingObserverStillEndsTheRun()
{
    QFETCH(QString, failingCall);
    RunFixture f(QStringLiteral("Indexes=IDX_A,IDX_B;Online=0;Fail=IDX_B:1502"));
    f.request.online = failingCall == "ask";
    f.observer.onCall = [&](const QString& entry) {
        if (entry.startsWith(failingCall))
            throw TarvelinError(7, "Memoria insuficiente");
    };
    f.run();
    QCOMPARE(f.outcome.end, End::Failed);
    QCOMPARE(f.serverLog().last(), QString("DISCONNECT"));
    QVERIFY(!f.observer.statuses().contains("Terminado"));
}

// Asked to go on, a run reports each statement that fails for its own reasons and goes on with
// the next; it counts them, and ends as a run that went through.
void tst_RunRecovery::keepGoingPastFailedStatements()
{
    RunFixture f(RunFixture::schema("A_IX normal T\nB_IX normal T P1,P2\nC_IX normal T\nD_IX normal T\n")
        + ";Fail=B_IX.P1:8104,C_IX:1654");
    f.request.keepGoing = true;
    f.run();

    QCOMPARE(f.outcome.end, End::Finished);
    QCOMPARE(f.outcome.targets, 5);
    QCOMPARE(f.outcome.rebuilt, 3);
    QCOMPARE(f.outcome.failed, 2);
    QCOMPARE(f.rebuilds(),
        QStringList({"ALTER INDEX A_IX REBUILD", "ALTER INDEX B_IX REBUILD PARTITION P1",
            "ALTER INDEX B_IX REBUILD PARTITION P2", "ALTER INDEX C_IX REBUILD",
            "ALTER INDEX D_IX REBUILD"}));
    QCOMPARE(f.observer.journal.filter(QRegularExpression("^failed:")),
        QStringList({"failed:B_IX|P1|Error 8104: ORA-08104: this index object 87654 is being online built or "
                     "rebuilt",
            "failed:C_IX||Error 1654: ORA-01654: unable to extend index C_IX by 128 in tablespace USERS"}));
    QVERIFY(f.observer.errors().isEmpty());
    QCOMPARE(f.observer.status(), QString("Terminado"));
}

// A lost session leaves nothing to go on with: the run stops there as any run does.
void tst_RunRecovery::keepGoingStopsWhenTheSessionIsLost_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("rebuilds");

    // The dictionary query is the session's first statement.
    QTest::newRow("end-of-file on the channel")
        << "Indexes=IDX_A,IDX_B,IDX_C;LoseAt=3" << 3113
        << QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"});
    for (const int code : {3114, 3135, 1012, 2396})
        QTest::addRow("ORA-%05d", code) << QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C;Fail=IDX_A:%1").arg(code)
                                        << code << QStringList({"ALTER INDEX IDX_A REBUILD"});
}

void tst_RunRecovery::keepGoingStopsWhenTheSessionIsLost()
{
    QFETCH(QString, config);
    QFETCH(int, number);
    QFETCH(QStringList, rebuilds);
    RunFixture f(config);
    f.request.keepGoing = true;
    f.run();

    QCOMPARE(f.outcome.end, End::Failed);
    QCOMPARE(f.outcome.error->number(), number);
    QCOMPARE(f.rebuilds(), rebuilds);
    QCOMPARE(f.outcome.failed, 1);
    QCOMPARE(f.outcome.notSent(), 3 - rebuilds.size());
    QCOMPARE(f.observer.errors().size(), 1);
    QVERIFY(f.observer.journal.filter(QRegularExpression("^failed:")).isEmpty());
}

QTEST_GUILESS_MAIN(tst_RunRecovery)
#include "tst_RunRecovery.moc"
