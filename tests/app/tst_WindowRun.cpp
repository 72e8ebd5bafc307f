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
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
    void windowIsServedWhileTheServerWorks();
    void cancelClickDuringARebuildIsServedAtOnce();
    void onlineRefusedRealQuestionAnsweredYes_data();
    void onlineRefusedRealQuestionAnsweredYes();
    void otherErrorRealBoxAndStatusLine_data();
    void otherErrorRealBoxAndStatusLine();
    void closingDuringARebuildCancelsAndClosesAfterIt();
    void closingWhenIdleCloses();

private:
    void makeWindow(const QString& simulatorConfig, std::shared_ptr<Prompter> prompter = {});
    // Makes `act` happen on the window's thread while the server runs `statement`: the database
    // thread holds the statement back until `served` is released there, and notes whether it was.
    void whileRunning(
        const QString& statement, std::function<void()> act, QSemaphore& served, bool& wasServed);
    QStringList loggedStatements() const;
    QString status() const { return m_window->findChild<QLabel*>("lblInfo")->text(); }
    QPushButton* button(const char* name) const { return m_window->findChild<QPushButton*>(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<FaultPlan> m_plan;
    std::shared_ptr<StubProfileAnswers> m_answers;
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
    m_answers = std::make_shared<StubProfileAnswers>();
    m_answers->connectionString
        = QStringLiteral("Driver={Simulador Oracle};%1;Log=%2").arg(simulatorConfig, m_dir->filePath("log"));

    frmTarvelin::Services services;
    services.fileFinder = [finder]() -> FileFinder& { return *finder; };
    services.prompter = prompter ? prompter : std::make_shared<RecordingPrompter>();
    services.runPlatform = stubbedPlatform(m_answers, m_plan, m_dir->path());
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

// A statement of two seconds each: the window's thread goes on serving its events (a timer's
// ticks here) all the while, instead of stopping for the whole statement.
void tst_WindowRun::windowIsServedWhileTheServerWorks()
{
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B;DelayMs=2000"));
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticks;
    ticks.setInterval(10);
    connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        ticks.start();
    });
    QTimer::singleShot(0, button("cmdReindexar"), [this] { button("cmdReindexar")->click(); });
    QTRY_COMPARE_WITH_TIMEOUT(status(), QString("Terminado"), 30000);
    ticks.stop();
    QCOMPARE(
        loggedStatements().mid(1), QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
    QVERIFY2(clock.elapsed() >= 4000, "the rebuilds were not slow");
    QVERIFY2(longestGap < 500, qPrintable(QStringLiteral("the window stopped for %1 ms").arg(longestGap)));
}

// The click comes through the window system's queue while IDX_A is being rebuilt: "Cancelando..."
// shows at once, IDX_A is finished and nothing after it is started.
void tst_WindowRun::cancelClickDuringARebuildIsServedAtOnce()
{
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"));
    QSemaphore served;
    bool servedDuringTheRebuild = false;
    bool runningWhenClicked = false;
    QString statusWhenServed;
    connect(button("cmdCancelar"), &QPushButton::clicked, [&] {
        statusWhenServed = status();
        served.release();
    });
    whileRunning(
        "ALTER INDEX IDX_A REBUILD",
        [&] {
            runningWhenClicked = button("cmdCancelar")->isVisible() && !button("cmdReindexar")->isVisible();
            WindowSystemInput::queueClick(button("cmdCancelar"));
        },
        served, servedDuringTheRebuild);
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);

    QVERIFY(runningWhenClicked);
    QVERIFY2(servedDuringTheRebuild, "the click waited for the rebuild to end");
    QCOMPARE(statusWhenServed, QString("Cancelando..."));
    QCOMPARE(m_plan->statements.mid(1), QStringList({"ALTER INDEX IDX_A REBUILD"}));
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

// Errors raised on the database thread come back to the window's thread as they were raised: the
// real box with the number and the server's text, the status line; the next run works.
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
    ModalBox::whenItOpens(seen, ModalBox::clicking(QStringLiteral("Aceptar")));
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);

    QCOMPARE(seen.title, QString("Tarvelin"));
    QVERIFY2(seen.text.startsWith(box), qPrintable(seen.text));
    QVERIFY2(!seen.text.contains(u'[') && seen.text.count("ORA-") == 1, qPrintable(seen.text));
    QVERIFY(status().size() >= minimumLength);
    QCOMPARE(seen.buttons, QStringList({"Aceptar"}));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.parent, static_cast<QWidget*>(m_window.get()));
    QCOMPARE(status(), seen.text.mid(seen.text.indexOf(QStringLiteral(": ")) + 2));
    QCOMPARE(m_plan->statements.filter(QRegularExpression("^ALTER")), rebuilds);
    QVERIFY(button("cmdReindexar")->isVisible());
    QVERIFY(!button("cmdCancelar")->isVisible());

    m_answers->connectionString = QStringLiteral("Driver={Simulador Oracle};Indexes=IDX_A");
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);
    QCOMPARE(status(), QString("Terminado"));
    QCOMPARE(m_plan->statements.last(), QString("ALTER INDEX IDX_A REBUILD"));
}

void tst_WindowRun::closingDuringARebuildCancelsAndClosesAfterIt()
{
    makeWindow(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"));
    QSemaphore served;
    bool servedDuringTheRebuild = false;
    bool visibleAfterCloseRequest = false;
    // "Cancelar" hides as the close request is served: the cancel is recorded by then.
    const OnEvent hidden(button("cmdCancelar"), QEvent::Hide, [&] {
        visibleAfterCloseRequest = m_window->isVisible() && m_window->cancelRequested();
        served.release();
    });
    whileRunning(
        "ALTER INDEX IDX_A REBUILD", [&] { WindowSystemInput::queueCloseRequest(m_window.get()); }, served,
        servedDuringTheRebuild);
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);

    // The window outlived the close request until the rebuild under way had ended, and
    // nothing after it was started.
    QVERIFY2(servedDuringTheRebuild, "the close request waited for the rebuild to end");
    QVERIFY(visibleAfterCloseRequest);
    QCOMPARE(m_plan->statements.mid(1), QStringList({"ALTER INDEX IDX_A REBUILD"}));
    QCOMPARE(status(), QString("Cancelado"));
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
