#include "ConsoleObserver.h"

#include "RunTexts.h"
#include "TarvelinError.h"

#include <QDateTime>

#include <cstdio>

namespace {

// Local time with its offset from UTC, so that lines written across a change to or from summer
// time still read in order.
QString timeStamp()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
}

// Whole lines, written at once: a scheduler's log reads them as they come.
void writeLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

ConsoleObserver::ConsoleObserver(bool lockWhenOnlineRefused)
    : m_lockWhenOnlineRefused(lockWhenOnlineRefused)
{ }

void ConsoleObserver::ShowInfo(const QString& text)
{
    const std::lock_guard<std::mutex> lock(m_writing);
    writeLine(stdout, timeStamp() + u' ' + text);
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
    const std::lock_guard<std::mutex> lock(m_writing);
    writeLine(stderr, RunTexts::errorMessage(error.number(), error.description()));
}
