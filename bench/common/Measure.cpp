#include "Measure.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Measure {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

namespace {

// The chance that the median lies between the k-th smallest and the k-th
// largest of n values (k from 1): 1 - 2 P(Binomial(n, 1/2) <= k - 1).
double orderStatisticCoverage(std::size_t n, std::size_t k)
{
    double term = std::ldexp(1.0, -static_cast<int>(n)); // P(X = 0)
    double below = 0.0;
    for (std::size_t i = 0; i < k; ++i) {
        below += term;
        term = term * static_cast<double>(n - i) / static_cast<double>(i + 1);
    }
    return 1.0 - 2.0 * below;
}

} // namespace

Ratio pairedRatio(const std::vector<double>& numerators, const std::vector<double>& denominators)
{
    if (numerators.size() != denominators.size() || numerators.empty())
        fail(QStringLiteral("a ratio needs pairs of measurements"));
    std::vector<double> ratios;
    for (std::size_t i = 0; i < numerators.size(); ++i)
        ratios.push_back(numerators[i] / denominators[i]);
    std::sort(ratios.begin(), ratios.end());

    const std::size_t n = ratios.size();
    std::size_t k = 1;
    while (2 * (k + 1) <= n + 1 && orderStatisticCoverage(n, k + 1) >= 0.95)
        ++k;
    Ratio ratio;
    ratio.median = median(ratios);
    ratio.low = ratios[k - 1];
    ratio.high = ratios[n - k];
    ratio.coverage = orderStatisticCoverage(n, k);
    ratio.pairs = n;
    return ratio;
}

QString describe(const Ratio& ratio, int decimals)
{
    return QStringLiteral("%1x (%2 % range %3x-%4x, %5 pairs)")
        .arg(ratio.median, 0, 'f', decimals)
        .arg(std::floor(ratio.coverage * 1000.0) / 10.0)
        .arg(ratio.low, 0, 'f', decimals)
        .arg(ratio.high, 0, 'f', decimals)
        .arg(ratio.pairs);
}

QString all(const std::vector<double>& values, double scale, int decimals)
{
    QStringList parts;
    for (const double v : values)
        parts.append(QString::number(v * scale, 'f', decimals));
    return parts.join(u' ');
}

void printSeries(
    const QString& name, const std::vector<double>& values, double scale, const QString& unit, int decimals)
{
    std::printf("    %-44s median %10s %-3s  [%s]\n", qPrintable(name),
        qPrintable(QString::number(median(values) * scale, 'f', decimals)), qPrintable(unit),
        qPrintable(all(values, scale, decimals)));
    std::fflush(stdout);
}

namespace {

void printLine(const QString& id, const QString& what, const QString& figure, const QString& absolute,
    const QString& target, const char* verdict)
{
    std::printf(
        "    => %s  (%s; %s)  %s\n", qPrintable(figure), qPrintable(absolute), qPrintable(target), verdict);
    std::printf("FIGURE %s | %s | %s | %s | %s | %s\n", qPrintable(id), qPrintable(what), qPrintable(figure),
        qPrintable(absolute), qPrintable(target), verdict);
    std::fflush(stdout);
}

} // namespace

void printFigure(const QString& id, const QString& what, const QString& figure, const QString& absolute,
    const QString& target, bool met)
{
    printLine(id, what, figure, absolute, QStringLiteral("target ") + target, met ? "MET" : "MISSED");
}

void printInformation(const QString& id, const QString& what, const QString& figure, const QString& absolute,
    const QString& note)
{
    printLine(id, what, figure, absolute, note, "REPORTED");
}

void fail(const QString& why)
{
    std::fprintf(stderr, "benchmark failed: %s\n", qPrintable(why));
    std::exit(2);
}

} // namespace Measure
