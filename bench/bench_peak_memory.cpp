// (d) Peak resident memory of a run of 100,000 indexes through the real
//     window, each in a fresh process, beside the same process running a
//     schema without indexes.
//
//   bench_peak_memory [--indexes=100000] [--reps=5]
//   bench_peak_memory --child=N   one run of N indexes; prints "peak_kib <KiB>"

#include "BenchSetup.h"
#include "BenchWindow.h"
#include "FreshProcess.h"
#include "Measure.h"
#include "ProcessMemory.h"

#include <QApplication>

#include <cstdio>

namespace {

int child(int indexes)
{
    BenchWindow bench(BenchSetup::simulatorConnection(indexes, 0));
    bench.clickReindexar();
    std::printf("peak_kib %lld\n", static_cast<long long>(ProcessMemory::peakResidentKiB()));
    return 0;
}

double peakOfFreshRun(int indexes)
{
    return FreshProcess::run(QCoreApplication::applicationFilePath(),
        {QStringLiteral("--child=%1").arg(indexes)}, QStringLiteral("peak_kib"))
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

    const int indexes = BenchSetup::intOption(argc, argv, "indexes", 100000);
    const int reps = BenchSetup::intOption(argc, argv, "reps", 5);
    std::printf("(d) peak resident memory of a run, fresh process each: %d indexes vs none, %d reps\n",
        indexes, reps);
    std::fflush(stdout);
    std::vector<double> full, empty;
    for (int rep = 0; rep < reps; ++rep) {
        if (rep % 2 == 0) {
            full.push_back(peakOfFreshRun(indexes));
            empty.push_back(peakOfFreshRun(0));
        } else {
            empty.push_back(peakOfFreshRun(0));
            full.push_back(peakOfFreshRun(indexes));
        }
    }
    // Decimal megabytes, the unit of the target (KiB as the kernel counts them).
    const double mb = 1024.0 / 1e6;
    Measure::printSeries(QStringLiteral("run of %1 indexes").arg(indexes), full, mb, QStringLiteral("MB"), 1);
    Measure::printSeries(
        QStringLiteral("run of a schema without indexes"), empty, mb, QStringLiteral("MB"), 1);
    const double f = Measure::median(full) * mb, e = Measure::median(empty) * mb;
    std::printf("    the indexes add %.1f MB, %.0f bytes per index\n", f - e, (f - e) * 1e6 / indexes);
    Measure::printFigure(QStringLiteral("(d)"),
        QStringLiteral("peak resident memory of a %1-index run through the window").arg(indexes),
        QStringLiteral("%1 MB").arg(f, 0, 'f', 1),
        QStringLiteral("%1x the %2 MB of a run without indexes").arg(f / e, 0, 'f', 2).arg(e, 0, 'f', 1),
        QStringLiteral("<= 60 MB"), f <= 60.0);
    return 0;
}
