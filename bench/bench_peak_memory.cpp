// (d) Peak resident memory of a run of 100,000 indexes through the real
//     window, each in a fresh process, beside the same process running a
//     schema without indexes; and the program's own share of it: what the run
//     adds per index beyond a bare fetch loop, in the same kind of process,
//     that reads the same rows of the same query through Qt's ODBC driver from
//     the same simulated server and keeps none of them.
//
//   bench_peak_memory [--indexes=100000] [--reps=5]
//   bench_peak_memory --child=N   one run of N indexes; prints "peak_kib <KiB>"
//   bench_peak_memory --bare=N    the bare fetch loop over N indexes; prints "peak_kib <KiB>"

#include "BenchSetup.h"
#include "BenchWindow.h"
#include "FreshProcess.h"
#include "Measure.h"
#include "ProcessMemory.h"

#include "OracleSql.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QWidget>

#include <cstdio>

namespace {

int child(int indexes)
{
    BenchWindow bench(BenchSetup::simulatorConnection(indexes, 0));
    bench.clickReindexar();
    std::printf("peak_kib %lld\n", static_cast<long long>(ProcessMemory::peakResidentKiB()));
    return 0;
}

// The floor: the window of the program's size is shown, the rows come as a run's come (forward
// only, every value read) and are dropped as they come.
int bareChild(int indexes)
{
    QWidget window;
    window.resize(494, 163);
    window.show();
    QCoreApplication::processEvents();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("bare"));
        db.setDatabaseName(BenchSetup::simulatorConnection(indexes, 0));
        if (!db.open())
            Measure::fail(db.lastError().text());
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(OracleSql::indexListQuery()))
            Measure::fail(query.lastError().text());
        qsizetype characters = 0;
        while (query.next()) {
            for (int column = 0; column < 3; ++column)
                characters += query.value(column).toString().size();
        }
        if (characters < qsizetype(indexes) * 10)
            Measure::fail(QStringLiteral("the bare loop read %1 characters").arg(characters));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bare"));
    std::printf("peak_kib %lld\n", static_cast<long long>(ProcessMemory::peakResidentKiB()));
    return 0;
}

double peakOfFresh(const char* mode, int indexes)
{
    return FreshProcess::run(QCoreApplication::applicationFilePath(),
        {QStringLiteral("--%1=%2").arg(QLatin1String(mode)).arg(indexes)}, QStringLiteral("peak_kib"))
        .value;
}

} // namespace

int main(int argc, char** argv)
{
    BenchSetup::beforeApplication();
    QApplication app(argc, argv);

    const int childIndexes = BenchSetup::intOption(argc, argv, "child", -1);
    if (childIndexes >= 0)
        return child(childIndexes);
    const int bareIndexes = BenchSetup::intOption(argc, argv, "bare", -1);
    if (bareIndexes >= 0)
        return bareChild(bareIndexes);

    const int indexes = BenchSetup::intOption(argc, argv, "indexes", 100000);
    const int reps = BenchSetup::intOption(argc, argv, "reps", 5);
    std::printf("(d) peak resident memory of a run, fresh process each: %d indexes vs none, %d reps\n",
        indexes, reps);
    std::fflush(stdout);
    std::vector<double> full, empty, bareFull, bareEmpty;
    for (int rep = 0; rep < reps; ++rep) {
        // Each kind first in turn.
        const auto measureRun = [&] {
            full.push_back(peakOfFresh("child", indexes));
            empty.push_back(peakOfFresh("child", 0));
        };
        const auto measureBare = [&] {
            bareFull.push_back(peakOfFresh("bare", indexes));
            bareEmpty.push_back(peakOfFresh("bare", 0));
        };
        if (rep % 2 == 0) {
            measureRun();
            measureBare();
        } else {
            measureBare();
            measureRun();
        }
    }
    // Decimal megabytes, the unit of the target (KiB as the kernel counts them).
    const double mb = 1024.0 / 1e6;
    Measure::printSeries(QStringLiteral("run of %1 indexes").arg(indexes), full, mb, QStringLiteral("MB"), 1);
    Measure::printSeries(
        QStringLiteral("run of a schema without indexes"), empty, mb, QStringLiteral("MB"), 1);
    Measure::printSeries(QStringLiteral("bare fetch loop over %1 indexes").arg(indexes), bareFull, mb,
        QStringLiteral("MB"), 1);
    Measure::printSeries(QStringLiteral("bare fetch loop over none"), bareEmpty, mb, QStringLiteral("MB"), 1);
    const double f = Measure::median(full) * mb, e = Measure::median(empty) * mb;
    const double bf = Measure::median(bareFull) * mb, be = Measure::median(bareEmpty) * mb;
    std::printf(
        "    the indexes add %.1f MB, %.0f bytes per index; to the bare loop %.1f MB, %.0f bytes per index\n",
        f - e, (f - e) * 1e6 / indexes, bf - be, (bf - be) * 1e6 / indexes);
    Measure::printFigure(QStringLiteral("(d)"),
        QStringLiteral("peak resident memory of a %1-index run through the window").arg(indexes),
        QStringLiteral("%1 MB").arg(f, 0, 'f', 1),
        QStringLiteral("%1x the %2 MB of a run without indexes").arg(f / e, 0, 'f', 2).arg(e, 0, 'f', 1),
        QStringLiteral("<= 60 MB"), f <= 60.0);
    // What the run holds beyond what the server, the driver manager and Qt's driver cost the bare
    // loop for the same rows: the whole difference of the peaks, the window's fixed cost included,
    // counted against the indexes. Beside it, the difference of what the indexes add to each.
    const double own = (f - bf) * 1e6 / indexes;
    const double added = ((f - e) - (bf - be)) * 1e6 / indexes;
    Measure::printFigure(QStringLiteral("(d, own)"), QStringLiteral("the program's own bytes per index"),
        QStringLiteral("%1 bytes").arg(own, 0, 'f', 0),
        QStringLiteral("run %1 MB, bare fetch loop %2 MB; the indexes add %3 MB to the run, %4 MB to the "
                       "loop (%5 bytes per index more)")
            .arg(f, 0, 'f', 1)
            .arg(bf, 0, 'f', 1)
            .arg(f - e, 0, 'f', 1)
            .arg(bf - be, 0, 'f', 1)
            .arg(added, 0, 'f', 0),
        QStringLiteral("<= 100 bytes"), own <= 100.0);
    return 0;
}
