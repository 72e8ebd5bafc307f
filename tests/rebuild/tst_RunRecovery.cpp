#include "RunFixture.h"
#include "TarvelinError.h"

#include <QTest>

#include <QRegularExpression>

#include <new>

// What a run does when a step fails: the online question and its retry, the
// error box for everything else, and the clean-up when even that fails.
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
    void failureAtEachStep_data();
    void failureAtEachStep();
    void failingStatusLineIsReported();
    void unexpectedExceptionIsReported();
    void failureInsideTheErrorBoxStillRestoresTheButtons();
    void failureInsideTheQuestionStillRestoresTheButtons();
    void failingEndStepIsReportedOnce();
    void endStepThatKeepsFailingDoesNotLoop();
};

static const QString OnlineQuestion
    = QStringLiteral("ask:No se puede reindexar en línea|No se puede reindexar en línea.\r\n"
                     "¿Desea reindexar bloqueando las tablas?");

static int count(const QStringList& list, const QString& prefix)
{
    int n = 0;
    for (const QString& entry : list)
        n += entry.startsWith(prefix) ? 1 : 0;
    return n;
}

// The server refuses ONLINE: the status line says so, the tick is cleared, then the question.
// "Sí" rebuilds that same index or partition without ONLINE, and every later statement too; "No"
// touches nothing more. A partition is a step like an index.
void tst_RunRecovery::onlineRefused_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("rebuilds");
    QTest::addColumn<QStringList>("statuses");

    const QString refusal = QStringLiteral("No se puede reindexar en línea");
    const QStringList start {"Conectando...", "Procesando...", "Reindexando: IDX_A", refusal};
    QTest::newRow("first index, Sí") << "Indexes=IDX_A,IDX_B,IDX_C;Online=0" << true
                                     << QStringList(
                                            {"ALTER INDEX IDX_A REBUILD ONLINE", "ALTER INDEX IDX_A REBUILD",
                                                "ALTER INDEX IDX_B REBUILD", "ALTER INDEX IDX_C REBUILD"})
                                     << start
            + QStringList({"Reindexando: IDX_B", "Reindexando: IDX_C", "Terminado"});
    QTest::newRow("first index, No") << "Indexes=IDX_A,IDX_B;Online=0" << false
                                     << QStringList({"ALTER INDEX IDX_A REBUILD ONLINE"}) << start;

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
        << shown + QStringList({"Reindexando: V_IX (P3)", "Reindexando: W_IX", "Terminado"});
    QTest::newRow("second partition, No") << partitions << false << refused << shown;
}

void tst_RunRecovery::onlineRefused()
{
    QFETCH(QString, config);
    QFETCH(bool, answer);
    QFETCH(QStringList, rebuilds);
    QFETCH(QStringList, statuses);

    RunFixture f(config);
    f.window.onLine = 1;
    f.window.answers = {answer};
    f.run();
    QCOMPARE(f.rebuilds(), rebuilds);
    QCOMPARE(f.window.statuses(), statuses);
    const QStringList& j = f.window.journal;
    QVERIFY(j.indexOf("info:No se puede reindexar en línea") < j.indexOf("onLine=0"));
    QVERIFY(j.indexOf("onLine=0") < j.indexOf(OnlineQuestion));
    QCOMPARE(count(j, "ask:"), 1);
    QCOMPARE(count(j, "error:"), 0);
    QCOMPARE(f.window.onLine, 0);
    QVERIFY(f.idle());
}

// ORA-00439 is "feature not enabled" for any option; without ONLINE in the failed statement there
// is nothing to go without, so it ends the run like any other error instead of asking again.
void tst_RunRecovery::featureMissingWithoutOnlineIsAnOrdinaryError_data()
{
    QTest::addColumn<int>("onLine");
    QTest::addColumn<QString>("failing"); // the statement that fails, by its start
    QTest::addColumn<QStringList>("rebuilds");

    QTest::newRow("a rebuild without ONLINE")
        << 0 << "ALTER INDEX" << QStringList({"ALTER INDEX IDX_A REBUILD"});
    QTest::newRow("the dictionary query, En línea ticked") << 1 << "SELECT" << QStringList();
}

void tst_RunRecovery::featureMissingWithoutOnlineIsAnOrdinaryError()
{
    QFETCH(int, onLine);
    QFETCH(QString, failing);
    QFETCH(QStringList, rebuilds);
    const QString description = QStringLiteral("ORA-00439: feature not enabled: Partitioning");
    RunFixture f(QStringLiteral("Indexes=IDX_A,IDX_B"));
    f.window.onLine = onLine;
    f.plan->fail("Execute", 1, 439, description, -1, failing);
    f.run();

    const QStringList& j = f.window.journal;
    QCOMPARE(count(j, "ask:"), 0);
    QCOMPARE(
        j.filter(QRegularExpression("^error:")), QStringList({"error:Tarvelin|Error 439: " + description}));
    QCOMPARE(f.window.status, description);
    QCOMPARE(f.window.onLine, onLine);
    QCOMPARE(f.rebuilds(), rebuilds);
    QVERIFY(f.idle());
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
    f.window.onLine = 1;
    f.plan->fail("Execute", 1, 439, description, 1, "ALTER INDEX");
    f.run();

    const QStringList& j = f.window.journal;
    QCOMPARE(count(j, "ask:"), 0);
    const qsizetype box = j.indexOf("error:Tarvelin|Error 439: " + description);
    QVERIFY2(box >= 0, qPrintable(j.join(u'\n')));
    // The box comes first; the status line takes the description once it is closed.
    QCOMPARE(j.indexOf("info:" + description), box + 1);
    QCOMPARE(f.window.statuses().count(description), 1);
    QCOMPARE(f.window.status, description);
    QCOMPARE(f.window.onLine, 1);
    QCOMPARE(f.rebuilds(), QStringList({"ALTER INDEX IDX_A REBUILD ONLINE"}));
    QVERIFY(f.idle());
}

void tst_RunRecovery::emptyDescriptionAndNegativeNumber()
{
    RunFixture f;
    f.plan->fail("Open", 1, -2147467259, QString());
    f.run();

    QVERIFY(f.window.journal.contains("error:Tarvelin|Error -2147467259: "));
    QCOMPARE(f.window.status, QString());
    QVERIFY(f.idle());
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
    const QStringList errors = f.window.journal.filter(QRegularExpression("^error:"));
    QCOMPARE(errors.size(), 1);
    // The driver's "[vendor][component]" prefixes are gone: the text starts with the code.
    QVERIFY2(errors.first().startsWith("error:Tarvelin|Error 1502: ORA-01502"), qPrintable(errors.first()));
    QVERIFY2(f.window.status.startsWith("ORA-01502"), qPrintable(f.window.status));
    QVERIFY(!f.window.statuses().contains("Terminado"));
    QVERIFY(f.idle());
}

void tst_RunRecovery::wrongPasswordShowsTheServerText()
{
    RunFixture f(QStringLiteral("Indexes=IDX_A;ExpectPwd=tiger;PWD={lion}"));
    f.run();

    const QStringList errors = f.window.journal.filter(QRegularExpression("^error:"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith("error:Tarvelin|Error 1017: ORA-01017"), qPrintable(errors.first()));
    QVERIFY(f.window.status.startsWith("ORA-01017"));
    QCOMPARE(f.plan->statements.size(), 0);
    QVERIFY(f.idle());
}

void tst_RunRecovery::failureAtEachStep_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("atCall");
    QTest::addColumn<QString>("sqlPrefix");
    QTest::addColumn<int>("rebuildsSent");

    QTest::newRow("open") << "Open" << 1 << "" << 0;
    QTest::newRow("time-out") << "SetTimeout" << 1 << "" << 0;
    QTest::newRow("dictionary query") << "Execute" << 1 << "SELECT" << 0;
    QTest::newRow("first loop test") << "Eof" << 1 << "" << 0;
    QTest::newRow("second loop test") << "Eof" << 2 << "" << 1;
    QTest::newRow("reading the name") << "Fields" << 1 << "" << 0;
    QTest::newRow("moving to the next row") << "MoveNext" << 2 << "" << 2;
    QTest::newRow("closing the list") << "CloseRows" << 1 << "" << 3;
    QTest::newRow("closing the connection") << "Close" << 1 << "" << 3;
}

void tst_RunRecovery::failureAtEachStep()
{
    QFETCH(QString, operation);
    QFETCH(int, atCall);
    QFETCH(QString, sqlPrefix);
    QFETCH(int, rebuildsSent);

    RunFixture f;
    f.plan->fail(operation, atCall, 3001, "Fallo provocado", 1, sqlPrefix);
    f.run();

    QCOMPARE(f.rebuilds().size(), rebuildsSent);
    QCOMPARE(f.window.journal.filter(QRegularExpression("^error:")),
        QStringList({"error:Tarvelin|Error 3001: Fallo provocado"}));
    QCOMPARE(f.window.status, QString("Fallo provocado"));
    QVERIFY(!f.window.statuses().contains("Terminado"));
    QCOMPARE(
        f.window.journal.mid(f.window.journal.size() - 2), QStringList({"showReindexar", "hideCancelar"}));
    QVERIFY(f.idle());
}

void tst_RunRecovery::failingStatusLineIsReported()
{
    RunFixture f;
    bool failed = false;
    f.window.onCall = [&](const QString& entry) {
        if (entry == "info:Reindexando: IDX_B" && !failed) {
            failed = true;
            throw TarvelinError(380, "Valor de propiedad no válido");
        }
    };
    f.run();
    QCOMPARE(f.rebuilds(), QStringList({"ALTER INDEX IDX_A REBUILD"}));
    QVERIFY(f.window.journal.contains("error:Tarvelin|Error 380: Valor de propiedad no válido"));
    QVERIFY(f.idle());
}

void tst_RunRecovery::unexpectedExceptionIsReported()
{
    RunFixture f;
    f.window.onCall = [](const QString& entry) {
        if (entry == "info:Procesando...")
            throw std::bad_alloc();
    };
    f.run();
    const QStringList errors = f.window.journal.filter(QRegularExpression("^error:"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith("error:Tarvelin|Error -2147418113: "), qPrintable(errors.first()));
    QCOMPARE(f.connectionsCreated, 0);
    QVERIFY(f.idle());
}

void tst_RunRecovery::failureInsideTheErrorBoxStillRestoresTheButtons()
{
    RunFixture f;
    f.plan->fail("Execute", 1, 942, "ORA-00942: table or view does not exist", 1, "SELECT");
    int boxes = 0;
    f.window.onCall = [&](const QString& entry) {
        if (entry.startsWith("error:") && ++boxes == 1)
            throw TarvelinError(7, "Memoria insuficiente");
    };
    f.run();

    // The first box failed; the fallback box says why, and the buttons come back.
    QCOMPARE(boxes, 2);
    QVERIFY(f.window.journal.contains("error:Tarvelin|Error 7: Memoria insuficiente"));
    QVERIFY(f.idle());
}

void tst_RunRecovery::failureInsideTheQuestionStillRestoresTheButtons()
{
    RunFixture f(QStringLiteral("Indexes=IDX_A,IDX_B;Online=0"));
    f.window.onLine = 1;
    f.window.onCall = [](const QString& entry) {
        if (entry.startsWith("ask:"))
            throw TarvelinError(7, "Memoria insuficiente");
    };
    f.run();
    QCOMPARE(f.rebuilds(), QStringList({"ALTER INDEX IDX_A REBUILD ONLINE"}));
    QVERIFY(f.window.journal.contains("error:Tarvelin|Error 7: Memoria insuficiente"));
    QVERIFY(f.idle());
}

void tst_RunRecovery::failingEndStepIsReportedOnce()
{
    RunFixture f;
    bool failed = false;
    f.window.onCall = [&](const QString& entry) {
        if (entry == "showReindexar" && !failed) {
            failed = true;
            throw TarvelinError(5, "Llamada a procedimiento no válida");
        }
    };
    f.run();
    QCOMPARE(f.rebuilds().size(), 3);
    QCOMPARE(f.window.journal.filter(QRegularExpression("^error:")),
        QStringList({"error:Tarvelin|Error 5: Llamada a procedimiento no válida"}));
    QVERIFY(f.idle());
}

void tst_RunRecovery::endStepThatKeepsFailingDoesNotLoop()
{
    RunFixture f;
    f.window.onCall = [](const QString& entry) {
        if (entry == "hideCancelar")
            throw TarvelinError(5, "Llamada a procedimiento no válida");
    };
    f.run(); // returns: a failure in the end steps after the recovery gave up ends the run
    QVERIFY(f.window.reindexarShown);
    QVERIFY(count(f.window.journal, "error:") >= 1);
    QVERIFY(count(f.window.journal, "error:") <= 2);
}

QTEST_GUILESS_MAIN(tst_RunRecovery)
#include "tst_RunRecovery.moc"
