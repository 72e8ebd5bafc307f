#include "LogLines.h"
#include "OracleSql.h"
#include "RunFixture.h"

#include <QTest>

// A schema with 100,000 indexes, run through the real database layer and Qt's
// ODBC driver against the simulated Oracle server: nothing is skipped,
// reordered or sent twice, and the run ends as a short one does.
class tst_FaultManyIndexes : public QObject
{
    Q_OBJECT

private slots:
    void hundredThousandIndexes();
};

void tst_FaultManyIndexes::hundredThousandIndexes()
{
    constexpr int count = 100000;
    RunFixture f(QStringLiteral("Generate=%1").arg(count));
    f.run();

    QStringList names;
    names.reserve(count);
    for (int i = 1; i <= count; ++i)
        names << QStringLiteral("IDX_%1").arg(i, 6, 10, QLatin1Char('0'));

    QStringList rebuilds;
    QStringList statuses {QStringLiteral("Conectando..."), QStringLiteral("Procesando...")};
    for (const QString& name : std::as_const(names)) {
        rebuilds << QStringLiteral("ALTER INDEX %1 REBUILD").arg(name);
        statuses << QStringLiteral("Reindexando: ") + name;
    }
    statuses << QStringLiteral("Terminado");

    // What the run sent, what the server received, and what the user saw.
    QCOMPARE(f.rebuilds(), rebuilds);
    const QStringList received = loggedStatements(f.logPath());
    QCOMPARE(received.size(), count + 1);
    QCOMPARE(received.first(), OracleSql::indexListQuery());
    QCOMPARE(received.mid(1), rebuilds);
    QCOMPARE(f.observer.statuses(), statuses);
    QCOMPARE(f.observer.journal.size(), statuses.size()); // no question, no error
    QCOMPARE(f.outcome.end, RunOutcome::End::Finished);
    QCOMPARE(f.serverLog().last(), QStringLiteral("DISCONNECT"));
}

QTEST_GUILESS_MAIN(tst_FaultManyIndexes)
#include "tst_FaultManyIndexes.moc"
