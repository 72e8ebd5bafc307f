#include "ConsoleObserver.h"

#include "RunTexts.h"
#include "TarvelinError.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

// Local time with its offset from UTC, so that lines written across a change to or from summer
// time still read in order.
QString timeStamp()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
}

QString stamped(const QString& text)
{
    return timeStamp() + u' ' + text;
}

// What a failed statement was for: "índice X", with its partition or subpartition.
QString targetText(const OracleSql::RebuildTarget& target)
{
    QString text = QStringLiteral("índice ") + target.index;
    if (!target.subpartition.isEmpty())
        text += QStringLiteral(", subpartición ") + target.subpartition;
    else if (!target.partition.isEmpty())
        text += QStringLiteral(", partición ") + target.partition;
    return text;
}

QString duration(std::chrono::milliseconds elapsed)
{
    const qint64 seconds = (elapsed.count() + 500) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// Why statements were left unsent.
QString notSentReason(RunOutcome::End end)
{
    switch (end) {
    case RunOutcome::End::DeadlineReached:
        return QStringLiteral("hora límite");
    case RunOutcome::End::Cancelled:
        return QStringLiteral("cancelada");
    case RunOutcome::End::OnlineRefused:
        return QStringLiteral("sin reindexar en línea");
    case RunOutcome::End::Failed:
    case RunOutcome::End::NoProfile:
    case RunOutcome::End::Finished:
        break;
    }
    return QStringLiteral("error");
}

} // namespace

ConsoleObserver::ConsoleObserver(bool lockWhenOnlineRefused)
    : m_lockWhenOnlineRefused(lockWhenOnlineRefused)
{ }

bool ConsoleObserver::openLog(const QString& path, QString* reason)
{
    // A folder of its own for the file (C:\ProgramData\Tarvelin, say) is made on the first night.
    QFileInfo(path).absoluteDir().mkpath(QStringLiteral("."));
    m_log.setFileName(path);
    if (m_log.open(QIODevice::Append, QFile::ReadOwner | QFile::WriteOwner))
        return true;
    *reason = m_log.errorString();
    return false;
}

void ConsoleObserver::ShowInfo(const QString& text)
{
    write(stdout, stamped(text));
}

bool ConsoleObserver::goOnLockingTables()
{
    // Asked of nobody: the command line has answered.
    const QString answer = m_lockWhenOnlineRefused ? QStringLiteral("Sí") : QStringLiteral("No");
    ShowInfo(RunTexts::lockTablesQuestion() + u' ' + answer);
    return m_lockWhenOnlineRefused;
}

void ConsoleObserver::showError(const TarvelinError& error)
{
    write(stderr, RunTexts::errorMessage(error.number(), error.description()));
}

void ConsoleObserver::statementFailed(const OracleSql::RebuildTarget& target, const TarvelinError& error)
{
    write(stderr,
        RunTexts::errorMessage(error.number(), error.description()) + QStringLiteral(" (")
            + targetText(target) + u')');
}

void ConsoleObserver::showSummary(const RunOutcome& outcome, std::chrono::milliseconds elapsed)
{
    QString text = QStringLiteral("Resumen: %1 sentencias, %2 correctas, %3 con error, %4 sin enviar")
                       .arg(outcome.targets)
                       .arg(outcome.rebuilt)
                       .arg(outcome.failed)
                       .arg(outcome.notSent());
    if (outcome.notSent() > 0)
        text += QStringLiteral(" (") + notSentReason(outcome.end) + u')';
    ShowInfo(text + QStringLiteral("; duración ") + duration(elapsed));
}

void ConsoleObserver::note(const QString& line)
{
    write(stderr, line);
}

bool ConsoleObserver::outputLost() const
{
    const std::lock_guard<std::mutex> lock(m_writing);
    return m_outputLost;
}

// Whole lines, written at once and flushed: a scheduler's log reads them as they come. A line
// standard output refuses is noted and the run goes on.
void ConsoleObserver::write(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    const std::lock_guard<std::mutex> lock(m_writing);
    const bool written
        = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size())
        && std::fflush(stream) == 0;
    if (!written && stream == stdout)
        m_outputLost = true;
    if (m_log.isOpen()) {
        m_log.write(bytes);
        m_log.flush();
    }
}
