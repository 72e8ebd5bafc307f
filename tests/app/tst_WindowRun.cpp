#include "FaultyConnection.h"
#include "LogLines.h"
#include "MessageBoxPrompter.h"
#include "ModalBox.h"
#include "OracleSql.h"
#include "ProfileLock.h"
#include "RecordingPrompter.h"
#include "WindowSystemInput.h"
#include "frmTarvelin.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Calls `action` when `target` receives an event of that type, before the target handles it.
class OnEvent : public QObject
{
public:
    OnEvent(QObject* target, QEvent::Type type, std::function<void()> action)
        : m_type(type)
        , m_action(std::move(action))
    {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            m_action();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_action;
};

} // namespace

// Whole runs through the real window: its buttons, status line, check box and message boxes, a
// real profile in the program folder, the simulated Oracle server behind the real database layer,
// Qt's ODBC driver and the driver manager. The run goes on the database thread: each case waits
// for the window's runEnded, and acts during a statement that the database thread holds back
// until the window's thread has served the action, which it can only do if it is not waiting.
class tst_WindowRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void clickRunsEveryIndexAndRestoresTheButtons();
    void cancelClickDuringARebuildIsServedAtOnce();
    void theRunReadsTheWindowOnce();
    void aCancelledRunDoesNotStopTheNext();
    void onlineRefusedRealQuestionAnsweredYes_data();
    void onlineRefusedRealQuestionAnsweredYes();
    void otherErrorRealBoxAndStatusLine_data();
    void otherErrorRealBoxAndStatusLine();
    void closingDuringARebuildCancelsAndClosesAfterIt();
    void closingWhenIdleCloses();
    void profileLockWaitIsSaidAfterTheLogon();
    void profileInUseShowsTheErrorBox();

private:
    void writeProfile(const QString& simulatorConfig, const QByteArray& moreLines = {});
    void makeWindow(const QString& simulatorConfig, std::shared_ptr<Prompter> prompter = {});
    // Clicks "Reindexar ahora" and returns once the run has ended.
    void runToTheEnd();
    // Makes `act` happen on the window's thread while the server runs `statement`; `wasServed`
    // says whether `served` was released meanwhile.
    void whileRunning(
        const QString& statement, std::function<void()> act, QSemaphore& served, bool& wasServed);
    QString log() const { return m_dir->filePath(QStringLiteral("log")); }
    QString status() const { return m_window->findChild<QLabel*>("lblInfo")->text(); }
    QPushButton* button(const char* name) const { return m_window->findChild<QPushButton*>(name); }
    QCheckBox* onLine() const { return m_window->findChild<QCheckBox*>("chkOnLine"); }

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

void tst_WindowRun::writeProfile(const QString& simulatorConfig, const QByteArray& moreLines)
{
    QFile file(m_dir->filePath(QStringLiteral("Sim.cfp")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QStringLiteral("[Corvath S.L.]\nConnection=Driver={Simulador Oracle};%1;Log={%2}\n")
                   .arg(simulatorConfig, log())
                   .toUtf8()
        + moreLines);
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
}

void tst_WindowRun::makeWindow(const QString& simulatorConfig, std::shared_ptr<Prompter> prompter)
{
    writeProfile(simulatorConfig);
    frmTarvelin::Services services;
    services.programFolder = [dir = m_dir->path()] { return dir; };
    services.prompter = prompter ? prompter : std::make_shared<RecordingPrompter>();
    services.newConnection = [plan = m_plan] { return std::make_unique<FaultyConnection>(plan); };
    m_window = std::make_unique<frmTarvelin>(services);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->findChild<QComboBox*>("cmbBase")->setCurrentIndex(0);
}

void tst_WindowRun::runToTheEnd()
{
    QSignalSpy ended(m_window.get(), &frmTarvelin::runEnded);
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);
    QVERIFY(ended.count() == 1 || ended.wait(60000));
    QCOMPARE(ended.count(), 1);
    QVERIFY(button("cmdReindexar")->isVisible());
    QVERIFY(!button("cmdCancelar")->isVisible());
}

void tst_WindowRun::whileRunning(
    const QString& statement, std::function<void()> act, QSemaphore& served, bool& wasServed)
{
    m_plan->beforeExecute = [this, statement, act, &served, &wasServed](const QString& sql) {
        if (sql != statement)
            return;
        QMetaObject::invokeMethod(m_window.get(), act, Qt::QueuedConnection);
        wasServed = served.tryAcquire(1, 30000);
    };
}

void tst_WindowRun::clickRunsEveryIndexAndRestoresTheButtons()
{
    makeWindow(QStringLiteral("Indexes=IDX_B,IDX_A"));
    runToTheEnd();

    QCOMPARE(status(), QString("Terminado"));
    QCOMPARE(logLines(log()),
        QStringList({"CONNECT", "EXEC 0 " + OracleSql::indexListQuery(), "EXEC 0 ALTER INDEX IDX_A REBUILD",
            "EXEC 0 ALTER INDEX IDX_B REBUILD", "DISCONNECT"}));
}

// The click comes through the window system's queue while IDX_A is being rebuilt: the buttons are
// the running ones, "Cancelando..." shows at once and "Cancelar" goes, IDX_A is finished and
// nothing after it is started.
void tst_WindowRun::cancelClickDuringARebuildIsServedAtOnce()
{
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"));
    QSemaphore served;
    bool servedDuringTheRebuild = false;
    bool runningWhenClicked = false;
    bool cancellingWhenServed = false;
    connect(button("cmdCancelar"), &QPushButton::clicked, [&] {
        cancellingWhenServed = status() == "Cancelando..." && !button("cmdCancelar")->isVisible()
            && !button("cmdReindexar")->isVisible();
        served.release();
    });
    whileRunning(
        "ALTER INDEX IDX_A REBUILD",
        [&] {
            runningWhenClicked = button("cmdCancelar")->isVisible() && !button("cmdReindexar")->isVisible()
                && status() == "Reindexando: IDX_A";
            WindowSystemInput::queueClick(button("cmdCancelar"));
        },
        served, servedDuringTheRebuild);
    runToTheEnd();

    QVERIFY(runningWhenClicked);
    QVERIFY2(servedDuringTheRebuild, "the click waited for the rebuild to end");
    QVERIFY(cancellingWhenServed);
    QCOMPARE(loggedStatements(log()).mid(1), QStringList({"ALTER INDEX IDX_A REBUILD"}));
    QCOMPARE(status(), QString("Cancelado"));
}

// The profile and "En línea" are read when the run starts: changed while it runs, they count from
// the next run.
void tst_WindowRun::theRunReadsTheWindowOnce()
{
    // Zeta.cfp reaches the same server, holding another index.
    QFile zeta(m_dir->filePath(QStringLiteral("Zeta.cfp")));
    QVERIFY(zeta.open(QIODevice::WriteOnly));
    zeta.write(QStringLiteral("[Corvath S.L.]\nConnection=Driver={Simulador Oracle};Indexes=IDX_Z;Log={%1}\n")
                   .arg(log())
                   .toUtf8());
    zeta.close();
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B"));
    QSemaphore served;
    bool changedDuringTheRebuild = false;
    whileRunning(
        "ALTER INDEX IDX_A REBUILD",
        [&] {
            onLine()->setChecked(true);
            m_window->findChild<QComboBox*>("cmbBase")->setCurrentText(QStringLiteral("Zeta"));
            served.release();
        },
        served, changedDuringTheRebuild);
    runToTheEnd();

    QVERIFY(changedDuringTheRebuild);
    QCOMPARE(loggedStatements(log()).mid(1),
        QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
    m_plan->beforeExecute = nullptr;
    runToTheEnd();
    QCOMPARE(loggedStatements(log()).mid(4), QStringList({"ALTER INDEX IDX_Z REBUILD ONLINE"}));
}

void tst_WindowRun::aCancelledRunDoesNotStopTheNext()
{
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B"));
    QSemaphore served;
    bool cancelled = false;
    whileRunning(
        "ALTER INDEX IDX_A REBUILD",
        [&] {
            button("cmdCancelar")->click();
            served.release();
        },
        served, cancelled);
    runToTheEnd();
    QVERIFY(cancelled);
    QCOMPARE(status(), QString("Cancelado"));

    m_plan->beforeExecute = nullptr;
    runToTheEnd();
    QCOMPARE(status(), QString("Terminado"));
    QCOMPARE(loggedStatements(log()).mid(3),
        QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
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
    onLine()->setChecked(true);
    ModalBox::Seen seen;
    bool statusAlreadyShown = false;
    ModalBox::whenItOpens(seen, [&](QMessageBox* box) {
        statusAlreadyShown = status() == "No se puede reindexar en línea" && !onLine()->isChecked();
        ModalBox::clicking(QStringLiteral("Sí"))(box);
    });
    runToTheEnd();

    QCOMPARE(seen.title, QString("No se puede reindexar en línea"));
    QCOMPARE(
        seen.text, QString("No se puede reindexar en línea.\r\n¿Desea reindexar bloqueando las tablas?"));
    QCOMPARE(seen.buttons.size(), 2);
    QVERIFY(seen.buttons.contains("Sí") && seen.buttons.contains("No"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.parent, static_cast<QWidget*>(m_window.get()));
    QVERIFY(statusAlreadyShown);
    QCOMPARE(logLines(log()),
        QStringList(
            {"CONNECT", "EXEC 0 " + OracleSql::indexListQuery(), "EXEC 0 ALTER INDEX IDX_A REBUILD ONLINE",
                "EXEC 0 ALTER INDEX IDX_A REBUILD", "EXEC 0 ALTER INDEX IDX_B REBUILD", "DISCONNECT"}));
    QCOMPARE(status(), QString("Terminado"));
    QVERIFY(!onLine()->isChecked());
}

// Errors raised on the database thread reach the window's thread as they were raised: the real box
// with the number and the server's text, then the status line; the next run works.
void tst_WindowRun::otherErrorRealBoxAndStatusLine_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("box"); // how the box's text starts
    QTest::addColumn<int>("minimumLength");
    QTest::addColumn<QStringList>("rebuilds");

    const QStringList first {"ALTER INDEX IDX_A REBUILD"};
    QTest::newRow("one record") << "Indexes=IDX_A,IDX_B;Fail=IDX_A:01502"
                                << "Error 1502: ORA-01502: index 'IDX_A'" << 0 << first;
    // Longer than the 511 characters an ODBC message usually fits in, and a record after it.
    QTest::newRow("long text, second record") << "Indexes=IDX_A,IDX_B;Fail=IDX_A:01502;LongText=1;Records=2"
                                              << "Error 1502: ORA-01502: index 'IDX_A'" << 512 << first;
    QTest::newRow("the index is gone")
        << "Indexes=IDX_A,IDX_B;Fail=IDX_A:1418"
        << "Error 1418: ORA-01418: specified index does not exist" << 0 << first;
    QTest::newRow("a failed logon") << "Indexes=IDX_A;ExpectPwd=tiger;PWD=lion"
                                    << "Error 1017: ORA-01017: invalid username/password; logon denied" << 0
                                    << QStringList();
}

void tst_WindowRun::otherErrorRealBoxAndStatusLine()
{
    QFETCH(QString, server);
    QFETCH(QString, box);
    QFETCH(int, minimumLength);
    QFETCH(QStringList, rebuilds);
    makeWindow(server, std::make_shared<MessageBoxPrompter>());
    ModalBox::Seen seen;
    QString statusWhileOpen;
    ModalBox::whenItOpens(seen, [&](QMessageBox* shown) {
        statusWhileOpen = status();
        ModalBox::clicking(QStringLiteral("Aceptar"))(shown);
    });
    runToTheEnd();

    QCOMPARE(seen.title, QString("Tarvelin"));
    QVERIFY2(seen.text.startsWith(box), qPrintable(seen.text));
    QVERIFY2(!seen.text.contains(u'[') && seen.text.count("ORA-") == 1, qPrintable(seen.text));
    QCOMPARE(seen.buttons, QStringList({"Aceptar"}));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.parent, static_cast<QWidget*>(m_window.get()));
    // The status line takes the description once the box is closed.
    QVERIFY(statusWhileOpen != status());
    QVERIFY(status().size() >= minimumLength);
    QCOMPARE(status(), seen.text.mid(seen.text.indexOf(QStringLiteral(": ")) + 2));
    QCOMPARE(m_plan->statements.filter(QRegularExpression("^ALTER")), rebuilds);

    writeProfile(QStringLiteral("Indexes=IDX_A"));
    runToTheEnd();
    QCOMPARE(status(), QString("Terminado"));
    QCOMPARE(m_plan->statements.last(), QString("ALTER INDEX IDX_A REBUILD"));
}

void tst_WindowRun::closingDuringARebuildCancelsAndClosesAfterIt()
{
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"));
    QSemaphore served;
    bool servedDuringTheRebuild = false;
    bool visibleAfterCloseRequest = false;
    // "Cancelar" hides as the close request is served, during the rebuild: the window is still there.
    const OnEvent hidden(button("cmdCancelar"), QEvent::Hide, [&] {
        visibleAfterCloseRequest = m_window->isVisible() && status() == "Reindexando: IDX_A";
        served.release();
    });
    whileRunning(
        "ALTER INDEX IDX_A REBUILD", [&] { WindowSystemInput::queueCloseRequest(m_window.get()); }, served,
        servedDuringTheRebuild);
    QSignalSpy ended(m_window.get(), &frmTarvelin::runEnded);
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);
    QVERIFY(ended.wait(60000));

    // The window outlived the close request until the rebuild under way had ended, and nothing
    // after it was started; then it closed.
    QVERIFY2(servedDuringTheRebuild, "the close request waited for the rebuild to end");
    QVERIFY(visibleAfterCloseRequest);
    QCOMPARE(loggedStatements(log()).mid(1), QStringList({"ALTER INDEX IDX_A REBUILD"}));
    QCOMPARE(status(), QString("Cancelado"));
    QVERIFY(!m_window->isVisible());
}

void tst_WindowRun::closingWhenIdleCloses()
{
    makeWindow(QStringLiteral("Indexes=IDX_A"));
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
}

// The window has no option of its own for it: a profile's EsperaBloqueo is said to the server
// right after the logon.
void tst_WindowRun::profileLockWaitIsSaidAfterTheLogon()
{
    makeWindow(QStringLiteral("Indexes=IDX_A"));
    writeProfile(QStringLiteral("Indexes=IDX_A"), "EsperaBloqueo=15\n");
    runToTheEnd();
    QCOMPARE(logLines(log()).mid(0, 2),
        QStringList({"CONNECT", "EXEC 0 ALTER SESSION SET DDL_LOCK_TIMEOUT = 15"}));
    QCOMPARE(status(), QString("Terminado"));
}

// Another run (tarvelin-cli from cron, say) has the profile: the box says so and nothing is sent.
void tst_WindowRun::profileInUseShowsTheErrorBox()
{
    auto prompter = std::make_shared<RecordingPrompter>();
    makeWindow(QStringLiteral("Indexes=IDX_A"), prompter);
    {
        const ProfileLock other(QStringLiteral("Sim"), m_dir->filePath(QStringLiteral("Sim.cfp")));
        runToTheEnd();
    }
    QCOMPARE(prompter->asked.size(), 1);
    const QString box = prompter->asked.first().text;
    QVERIFY2(box.startsWith(QStringLiteral(
                 "Error -2147220978: El perfil Sim ya se está reindexando en otra ejecución (")),
        qPrintable(box));
    QCOMPARE(status(), box.mid(box.indexOf(QStringLiteral(": ")) + 2));
    QVERIFY(!QFile::exists(log()));

    runToTheEnd();
    QCOMPARE(status(), QString("Terminado"));
}

QTEST_MAIN(tst_WindowRun)
#include "tst_WindowRun.moc"
