#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstddef>
#include <vector>

// Timing and the way every benchmark reports a figure.
namespace Measure {

template <typename F> double seconds(F&& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double median(std::vector<double> values);

// A figure taken side by side: the median of the ratios of paired measurements
// (each pair taken back to back, their order alternating), and the range that
// holds the true median with at least 95 % confidence. The range comes from the
// order statistics of the ratios, so it assumes nothing about how the machine's
// noise is distributed; with fewer than 6 pairs it is the whole spread and its
// confidence is lower (stated in coverage).
struct Ratio
{
    double median = 0.0;
    double low = 0.0;
    double high = 0.0;
    double coverage = 0.0; // the range's confidence, 0..1
    std::size_t pairs = 0;
};
Ratio pairedRatio(const std::vector<double>& numerators, const std::vector<double>& denominators);

// "1.023x (95 % range 1.011x-1.040x, 11 pairs)".
QString describe(const Ratio& ratio, int decimals);

// "a b c" with each value times scale, for the raw repetitions.
QString all(const std::vector<double>& values, double scale, int decimals);

// One line of measurement: its name, median and every repetition, in the unit given.
void printSeries(
    const QString& name, const std::vector<double>& values, double scale, const QString& unit, int decimals);

// The figure and its verdict, also as one "FIGURE" line the runner gathers.
void printFigure(const QString& id, const QString& what, const QString& figure, const QString& absolute,
    const QString& target, bool met);

// A figure reported without a verdict; note says why ("no target" unless given).
void printInformation(const QString& id, const QString& what, const QString& figure, const QString& absolute,
    const QString& note = QStringLiteral("no target"));

// Stops the benchmark with a reason: a figure from a broken run means nothing.
[[noreturn]] void fail(const QString& why);

} // namespace Measure
