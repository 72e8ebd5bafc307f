#include "PgTestBed.h"
#include "RunFixture.h"

#include <QRegularExpression>
#include <QTest>

// Whole runs against the PostgreSQL test bed: the real profile library reads a profile file, the
// real layer talks to the server through psqlODBC.
class tst_PgRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wrongPasswordShowsTheServerText();
    void dictionaryQueryRunsAndTheFirstRebuildFailsCleanly();

private:
    void run(RunFixture& f, const QString& password);

    PgTestBed m_bed;
};

void tst_PgRun::initTestCase()
{
    TV_NEED_PG_TEST_BED(m_bed);
}

void tst_PgRun::run(RunFixture& f, const QString& password)
{
    f.writeFile(QStringLiteral("Pg.cfp"),
        ("[Corvath S.L.]\nProvider=QODBC\nConnection=" + m_bed.connection + "\nPassword=" + password + "\n")
            .toUtf8());
    f.request.profileName = QStringLiteral("Pg");
    f.run();
}

void tst_PgRun::wrongPasswordShowsTheServerText()
{
    RunFixture f;
    run(f, QStringLiteral("not-the-password"));

    QVERIFY(f.plan->statements.isEmpty());
    const QStringList errors = f.observer.errors();
    QCOMPARE(errors.size(), 1);
    // "Error <psqlODBC's native number>: <the server's own text>", without driver prefixes.
    const QRegularExpression shape("^error:Error (\\d+): (.*password authentication failed.*)$",
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = shape.match(errors.first());
    QVERIFY2(match.hasMatch(), qPrintable(errors.first()));
    QVERIFY(!match.captured(2).startsWith('['));
    QCOMPARE(f.observer.status(), match.captured(2));
    QCOMPARE(f.outcome.end, RunOutcome::End::Failed);
}

void tst_PgRun::dictionaryQueryRunsAndTheFirstRebuildFailsCleanly()
{
    RunFixture f;
    run(f, m_bed.password);

    // The query ran and returned the bed's first own index; PostgreSQL has no REBUILD, so that
    // first statement fails and nothing after it is sent.
    QCOMPARE(f.plan->statements.size(), 2);
    QCOMPARE(f.plan->statements.at(1), QString("ALTER INDEX CUSTOMERS_PK REBUILD"));
    QVERIFY(f.observer.statuses().contains("Reindexando: CUSTOMERS_PK"));
    const QStringList errors = f.observer.errors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains("syntax error at or near \"REBUILD\""), qPrintable(errors.first()));
    QVERIFY(f.observer.status().startsWith("ERROR: syntax error"));
    QCOMPARE(f.outcome.end, RunOutcome::End::Failed);
}

QTEST_GUILESS_MAIN(tst_PgRun)
#include "tst_PgRun.moc"
