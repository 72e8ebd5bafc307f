#pragma once

#include <QString>
#include <QStringList>

// A measurement taken in a process of its own, which reports it on one line
// "<key> <value>" of its standard output.
namespace FreshProcess {

struct Report
{
    double value = 0.0; // the number on the line
    double secondsToReport = 0.0; // from just before the start to that line's arrival
};

// Starts program with arguments (and environment entries "NAME=value" on top
// of this process's), waits for its line "<key> <value>" and then for its end.
// Stops the benchmark when the line never comes or the process fails.
Report run(const QString& program, const QStringList& arguments, const QString& key,
    const QStringList& environment = {});

} // namespace FreshProcess
