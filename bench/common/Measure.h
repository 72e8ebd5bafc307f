#pragma once

#include <QElapsedTimer>
#include <QString>

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

// "a b c" with each value times scale, for the raw repetitions.
QString all(const std::vector<double>& values, double scale, int decimals);

// One line of measurement: its name, median and every repetition, in the unit given.
void printSeries(
    const QString& name, const std::vector<double>& values, double scale, const QString& unit, int decimals);

// The figure and its verdict, also as one "FIGURE" line the runner gathers.
void printFigure(const QString& id, const QString& what, const QString& figure, const QString& absolute,
    const QString& target, bool met);

// Stops the benchmark with a reason: a figure from a broken run means nothing.
[[noreturn]] void fail(const QString& why);

} // namespace Measure
