#include "ConsoleWindow.h"

#include "CancelSignals.h"
#include "ExitStatus.h"
#include "RunTexts.h"

#include <QCoreApplication>
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

ConsoleWindow::ConsoleWindow(
    QString profile, bool online, bool lockWhenOnlineRefused, const CancelSignals& cancel)
    : m_profile(std::move(profile))
    , m_online(online ? 1 : 0)
    , m_lockWhenOnlineRefused(lockWhenOnlineRefused)
    , m_cancel(cancel)
{ }

bool ConsoleWindow::cancelRequested() const
{
    return m_cancel.requested();
}

void ConsoleWindow::ShowInfo(const QString& text)
{
    writeLine(stdout, timeStamp() + u' ' + text);
    // Only the texts that end a run tell how it ended; an error already did.
    if (m_outcome != Outcome::Failed && m_outcome != Outcome::OnlineRefused) {
        if (text == RunTexts::finished())
            m_outcome = Outcome::Finished;
        else if (text == RunTexts::cancelled())
            m_outcome = Outcome::Cancelled;
        else if (text == RunTexts::selectDatabase())
            m_outcome = Outcome::NoProfile;
    }
    // As the window does: a request made meanwhile is served before the run goes on.
    QCoreApplication::processEvents();
}

bool ConsoleWindow::askYesNo(const QString&, const QString& prompt)
{
    // Asked of nobody: the command line has answered. The prompt's last line is the question.
    const QString question = prompt.section(QStringLiteral("\r\n"), -1);
    writeLine(stdout,
        timeStamp() + u' ' + question + u' '
            + (m_lockWhenOnlineRefused ? QStringLiteral("Sí") : QStringLiteral("No")));
    if (!m_lockWhenOnlineRefused)
        m_outcome = Outcome::OnlineRefused;
    return m_lockWhenOnlineRefused;
}

void ConsoleWindow::showError(const QString&, const QString& text)
{
    writeLine(stderr, text);
    m_outcome = Outcome::Failed;
}

void ConsoleWindow::cancelClicked()
{
    ShowInfo(RunTexts::cancelling());
}

int ConsoleWindow::exitStatus() const
{
    switch (m_outcome) {
    case Outcome::Finished:
        return ExitStatus::Finished;
    case Outcome::Cancelled:
        return ExitStatus::Cancelled;
    case Outcome::NoProfile:
        return ExitStatus::Usage;
    case Outcome::OnlineRefused:
        return ExitStatus::OnlineRefused;
    case Outcome::None:
    case Outcome::Failed:
        break;
    }
    return ExitStatus::Failed;
}
