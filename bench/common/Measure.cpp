#include "Measure.h"

#include <QStringList>

#include <algorithm>
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

void printFigure(const QString& id, const QString& what, const QString& figure, const QString& absolute,
    const QString& target, bool met)
{
    const char* verdict = met ? "MET" : "MISSED";
    std::printf("    => %s  (%s; target %s)  %s\n", qPrintable(figure), qPrintable(absolute),
        qPrintable(target), verdict);
    std::printf("FIGURE %s | %s | %s | %s | target %s | %s\n", qPrintable(id), qPrintable(what),
        qPrintable(figure), qPrintable(absolute), qPrintable(target), verdict);
    std::fflush(stdout);
}

void fail(const QString& why)
{
    std::fprintf(stderr, "benchmark failed: %s\n", qPrintable(why));
    std::exit(2);
}

} // namespace Measure
