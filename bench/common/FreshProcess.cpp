#include "FreshProcess.h"

#include "Measure.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

namespace FreshProcess {

Report run(
    const QString& program, const QStringList& arguments, const QString& key, const QStringList& environment)
{
    constexpr int patienceMs = 120000;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!environment.isEmpty()) {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : environment)
            variables.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        process.setProcessEnvironment(variables);
    }
    const QByteArray prefix = key.toUtf8() + ' ';
    Report report;
    bool reported = false;
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    // The line is taken the moment it arrives: the time to it is part of the report.
    while (!reported && process.waitForReadyRead(patienceMs)) {
        while (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            if (!reported && line.startsWith(prefix)) {
                report.secondsToReport = static_cast<double>(timer.nsecsElapsed()) / 1e9;
                report.value = line.mid(prefix.size()).toDouble(&reported);
            }
        }
    }
    if (!reported)
        Measure::fail(QStringLiteral("%1 %2 reported no \"%3\"").arg(program, arguments.join(u' '), key));
    if (!process.waitForFinished(patienceMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        Measure::fail(QStringLiteral("%1 %2 did not end cleanly").arg(program, arguments.join(u' ')));
    return report;
}

} // namespace FreshProcess
