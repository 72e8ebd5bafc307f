#include "ConnectionProfile.h"
#include "FaultyConnection.h"
#include "PgTestBed.h"
#include "ReindexRun.h"
#include "ScriptedWindow.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Whole runs against the PostgreSQL test bed: the real profile library reads a
// profile file, the real layer talks to the server through psqlODBC.
class tst_PgRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wrongPasswordShowsTheServerText();
    void dictionaryQueryRunsAndTheFirstRebuildFailsCleanly();

private:
    void writeProfile(const QString& password);
    QStringList run(ScriptedWindow& window);

    PgTestBed m_bed;
    QTemporaryDir m_folder;
};

void tst_PgRun::initTestCase()
{
    TV_NEED_PG_TEST_BED(m_bed);
    QVERIFY(m_folder.isValid());
}

void tst_PgRun::writeProfile(const QString& password)
{
    QFile file(m_folder.filePath("Pg.cfp"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(
        ("[Corvath S.L.]\nProvider=QODBC\nConnection=" + m_bed.connection + "\nPassword=" + password + "\n")
            .toUtf8());
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

// The statements the run sent, in order.
QStringList tst_PgRun::run(ScriptedWindow& window)
{
    auto plan = std::make_shared<FaultPlan>();
    RunPlatform platform = RunPlatform::real();
    platform.programFolder = [this] { return m_folder.path(); };
    platform.newConnection = [plan] { return std::make_unique<FaultyConnection>(plan); };
    window.base = QStringLiteral("Pg");
    ReindexRun(window, platform).execute();
    return plan->statements;
}

void tst_PgRun::wrongPasswordShowsTheServerText()
{
    writeProfile(QStringLiteral("not-the-password"));
    ScriptedWindow window;
    const QStringList statements = run(window);

    QVERIFY(statements.isEmpty());
    const QStringList errors = window.journal.filter(QRegularExpression("^error:"));
    QCOMPARE(errors.size(), 1);
    // "Error <psqlODBC's native number>: <the server's own text>", without driver prefixes.
    const QRegularExpression shape("^error:Tarvelin\\|Error (\\d+): (.*password authentication failed.*)$",
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = shape.match(errors.first());
    QVERIFY2(match.hasMatch(), qPrintable(errors.first()));
    QVERIFY(!match.captured(2).startsWith('['));
    QCOMPARE(window.status, match.captured(2));
    QVERIFY(window.reindexarShown && !window.cancelarShown);
}

void tst_PgRun::dictionaryQueryRunsAndTheFirstRebuildFailsCleanly()
{
    writeProfile(m_bed.password);
    ScriptedWindow window;
    const QStringList statements = run(window);

    // The query ran and returned the bed's first own index; PostgreSQL has no
    // REBUILD, so that first statement fails and nothing after it is sent.
    QCOMPARE(statements.size(), 2);
    QCOMPARE(statements.at(1), QString("ALTER INDEX CUSTOMERS_PK REBUILD"));
    QVERIFY(window.statuses().contains("Reindexando: CUSTOMERS_PK"));
    const QStringList errors = window.journal.filter(QRegularExpression("^error:"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains("syntax error at or near \"REBUILD\""), qPrintable(errors.first()));
    QVERIFY(window.status.startsWith("ERROR: syntax error"));
    QVERIFY(window.reindexarShown && !window.cancelarShown);
}

QTEST_GUILESS_MAIN(tst_PgRun)
#include "tst_PgRun.moc"
