#include "FakeFileFinder.h"
#include "FaultyConnection.h"
#include "LogLines.h"
#include "MessageBoxPrompter.h"
#include "ModalBox.h"
#include "OracleSql.h"
#include "RecordingPrompter.h"
#include "RunFixture.h"
#include "WindowSystemInput.h"
#include "frmTarvelin.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// Whole runs through the real window: its buttons, status line, check box and
// message boxes, with the simulated Oracle server behind the real database layer,
// Qt's ODBC driver and the driver manager.
class tst_WindowRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void clickRunsEveryIndexAndRestoresTheButtons();
    void queuedCancelClickStopsBeforeTheNextIndex();
    void onlineRefusedRealQuestionAnsweredYes_data();
    void onlineRefusedRealQuestionAnsweredYes();
    void otherErrorRealBoxAndStatusLine_data();
    void otherErrorRealBoxAndStatusLine();
    void closingDuringARunCancelsAndClosesAfterwards();
    void closingWhenIdleCloses();

private:
    void makeWindow(const QString& simulatorConfig, std::shared_ptr<Prompter> prompter = {});
    QStringList loggedStatements() const;
    QString status() const { return m_window->findChild<QLabel*>("lblInfo")->text(); }
    QPushButton* button(const char* name) const { return m_window->findChild<QPushButton*>(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<FaultPlan> m_plan;
    std::unique_ptr<frmTarvelin> m_window;
};

void tst_WindowRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_plan = std::make_shared<FaultPlan>();
}

void tst_WindowRun::cleanup()
{
    m_window.reset();
    m_plan.reset();
    m_dir.reset();
}

void tst_WindowRun::makeWindow(const QString& simulatorConfig, std::shared_ptr<Prompter> prompter)
{
    auto finder = std::make_shared<FakeFileFinder>();
    finder->found = {QStringLiteral("Sim.cfp")};
    auto answers = std::make_shared<StubProfileAnswers>();
    answers->connectionString
        = QStringLiteral("Driver={Simulador Oracle};%1;Log=%2").arg(simulatorConfig, m_dir->filePath("log"));

    frmTarvelin::Services services;
    services.fileFinder = [finder]() -> FileFinder& { return *finder; };
    services.prompter = prompter ? prompter : std::make_shared<RecordingPrompter>();
    services.runPlatform = stubbedPlatform(answers, m_plan, m_dir->path());
    m_window = std::make_unique<frmTarvelin>(services);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->findChild<QComboBox*>("cmbBase")->setCurrentIndex(0);
}

QStringList tst_WindowRun::loggedStatements() const
{
    return ::loggedStatements(m_dir->filePath("log"));
}

void tst_WindowRun::clickRunsEveryIndexAndRestoresTheButtons()
{
    makeWindow(QStringLiteral("Indexes=IDX_B,IDX_A"));
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);

    QCOMPARE(status(), QString("Terminado"));
    QVERIFY(button("cmdReindexar")->isVisible());
    QVERIFY(!button("cmdCancelar")->isVisible());
    const QStringList statements = loggedStatements();
    QCOMPARE(statements.mid(1), QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
    QCOMPARE(statements.first(), OracleSql::indexListQuery());
}

void tst_WindowRun::queuedCancelClickStopsBeforeTheNextIndex()
{
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"));
    bool cancelarShownDuringRun = false;
    m_plan->beforeExecute = [&](const QString& sql) {
        if (sql == "ALTER INDEX IDX_A REBUILD") {
            cancelarShownDuringRun
                = button("cmdCancelar")->isVisible() && !button("cmdReindexar")->isVisible();
            WindowSystemInput::queueClick(button("cmdCancelar"));
        }
    };
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);

    QVERIFY(cancelarShownDuringRun);
    // The click is served while IDX_B is announced: IDX_B is rebuilt, IDX_C is not.
    QCOMPARE(
        m_plan->statements.mid(1), QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
    QCOMPARE(status(), QString("Cancelado"));
    QVERIFY(m_window->cancelRequested());
    QVERIFY(button("cmdReindexar")->isVisible());
    QVERIFY(!button("cmdCancelar")->isVisible());
}

void tst_WindowRun::onlineRefusedRealQuestionAnsweredYes_data()
{
    QTest::addColumn<QString>("server");
    // Oracle's driver writes "[Oracle][ODBC][Ora]ORA-00439: ..."; only the first record counts.
    QTest::newRow("one diagnostic record") << "Indexes=IDX_A,IDX_B;Online=0";
    QTest::newRow("a second record after it") << "Indexes=IDX_A,IDX_B;Online=0;Records=2";
}

void tst_WindowRun::onlineRefusedRealQuestionAnsweredYes()
{
    QFETCH(QString, server);
    makeWindow(server, std::make_shared<MessageBoxPrompter>());
    m_window->findChild<QCheckBox*>("chkOnLine")->setChecked(true);
    ModalBox::Seen seen;
    bool statusAlreadyShown = false;
    ModalBox::whenItOpens(seen, [&](QMessageBox* box) {
        statusAlreadyShown = status() == "No se puede reindexar en línea"
            && !m_window->findChild<QCheckBox*>("chkOnLine")->isChecked();
        ModalBox::clicking(QStringLiteral("Sí"))(box);
    });
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);

    QCOMPARE(seen.title, QString("No se puede reindexar en línea"));
    QCOMPARE(
        seen.text, QString("No se puede reindexar en línea.\r\n¿Desea reindexar bloqueando las tablas?"));
    QCOMPARE(seen.buttons.size(), 2);
    QVERIFY(seen.buttons.contains("Sí") && seen.buttons.contains("No"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.parent, static_cast<QWidget*>(m_window.get()));
    QVERIFY(statusAlreadyShown);
    // One session, no statement time-out.
    const QString query = OracleSql::indexListQuery();
    QCOMPARE(logLines(m_dir->filePath("log")),
        QStringList({"CONNECT", "EXEC 0 " + query, "EXEC 0 ALTER INDEX IDX_A REBUILD ONLINE",
            "EXEC 0 ALTER INDEX IDX_A REBUILD", "EXEC 0 ALTER INDEX IDX_B REBUILD", "DISCONNECT"}));
    QCOMPARE(status(), QString("Terminado"));
    QVERIFY(!m_window->findChild<QCheckBox*>("chkOnLine")->isChecked());
}

void tst_WindowRun::otherErrorRealBoxAndStatusLine_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("minimumLength");
    QTest::newRow("one record") << "Indexes=IDX_A,IDX_B;Fail=IDX_A:01502" << 0;
    // Longer than the 511 characters an ODBC message usually fits in, and a record after it.
    QTest::newRow("long text, second record")
        << "Indexes=IDX_A,IDX_B;Fail=IDX_A:01502;LongText=1;Records=2" << 512;
}

void tst_WindowRun::otherErrorRealBoxAndStatusLine()
{
    QFETCH(QString, server);
    QFETCH(int, minimumLength);
    makeWindow(server, std::make_shared<MessageBoxPrompter>());
    ModalBox::Seen seen;
    ModalBox::whenItOpens(seen, ModalBox::clicking(QStringLiteral("Aceptar")));
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);

    QCOMPARE(seen.title, QString("Tarvelin"));
    QVERIFY2(seen.text.startsWith("Error 1502: ORA-01502: index 'IDX_A'"), qPrintable(seen.text));
    QVERIFY2(!seen.text.contains(u'[') && seen.text.count("ORA-") == 1, qPrintable(seen.text));
    QVERIFY(status().size() >= minimumLength);
    QCOMPARE(seen.buttons, QStringList({"Aceptar"}));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.parent, static_cast<QWidget*>(m_window.get()));
    QCOMPARE(status(), seen.text.mid(QStringLiteral("Error 1502: ").size()));
    QCOMPARE(loggedStatements().mid(1), QStringList({"ALTER INDEX IDX_A REBUILD"}));
    QVERIFY(button("cmdReindexar")->isVisible());
    QVERIFY(!button("cmdCancelar")->isVisible());
}

void tst_WindowRun::closingDuringARunCancelsAndClosesAfterwards()
{
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"));
    bool visibleAfterCloseRequest = false;
    m_plan->beforeExecute = [&](const QString& sql) {
        if (sql == "ALTER INDEX IDX_A REBUILD")
            WindowSystemInput::queueCloseRequest(m_window.get());
        if (sql == "ALTER INDEX IDX_B REBUILD")
            visibleAfterCloseRequest = m_window->isVisible();
    };
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);

    // The window outlived the close request until the run had ended, and no
    // index after the one being announced was started.
    QVERIFY(visibleAfterCloseRequest);
    QCOMPARE(
        m_plan->statements.mid(1), QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
    QVERIFY(!m_window->isVisible());
}

void tst_WindowRun::closingWhenIdleCloses()
{
    makeWindow(QStringLiteral("Indexes=IDX_A"));
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(tst_WindowRun)
#include "tst_WindowRun.moc"
