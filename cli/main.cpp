#include "CancelSignals.h"
#include "ConsoleObserver.h"
#include "ConsoleOptions.h"
#include "ErrorNumbers.h"
#include "ExitStatus.h"
#include "ProgramIdentity.h"
#include "ReindexRun.h"
#include "RunTexts.h"
#include "TarvelinError.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int exitStatus(const RunOutcome& outcome)
{
    switch (outcome.end) {
    case RunOutcome::End::Finished:
        return outcome.failed > 0 ? ExitStatus::Failed : ExitStatus::Finished;
    case RunOutcome::End::Cancelled:
        return ExitStatus::Cancelled;
    case RunOutcome::End::DeadlineReached:
        return ExitStatus::DeadlineReached;
    case RunOutcome::End::OnlineRefused:
        return ExitStatus::OnlineRefused;
    case RunOutcome::End::NoProfile:
        return ExitStatus::Usage;
    case RunOutcome::End::Failed:
        break;
    }
    return outcome.error && outcome.error->number() == ErrorNumber::ProfileInUse ? ExitStatus::ProfileInUse
                                                                                 : ExitStatus::Failed;
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef Q_OS_WIN
    // The console shows what is written as UTF-8; redirected output is UTF-8 anyway.
    SetConsoleOutputCP(CP_UTF8);
#endif
    QCoreApplication app(argc, argv);
    const ConsoleOptions options = ConsoleOptions::parse(QCoreApplication::arguments());
    switch (options.action) {
    case ConsoleOptions::Action::Usage:
        print(stderr,
            QStringLiteral("tarvelin-cli: %1\nPruebe «tarvelin-cli --help» para más información.\n")
                .arg(options.error));
        return ExitStatus::Usage;
    case ConsoleOptions::Action::Help:
        print(stdout, ConsoleOptions::helpText(ProgramIdentity::programFolder()));
        return ExitStatus::Finished;
    case ConsoleOptions::Action::Version:
        try {
            print(stdout,
                QStringLiteral("tarvelin-cli (%1) %2\n%3\n")
                    .arg(ProgramIdentity::productName(), ProgramIdentity::versionText(),
                        ProgramIdentity::companyName()));
            return ExitStatus::Finished;
        } catch (const TarvelinError& error) {
            print(stderr, QStringLiteral("Error %1: %2\n").arg(error.number()).arg(error.description()));
            return ExitStatus::Failed;
        }
    case ConsoleOptions::Action::Run:
        break;
    }

    ConsoleObserver observer(options.lockWhenOnlineRefused);
    if (QString reason; !options.logFile.isEmpty() && !observer.openLog(options.logFile, &reason)) {
        print(stderr,
            QStringLiteral("tarvelin-cli: no se puede abrir el registro «%1»: %2\n")
                .arg(options.logFile, reason));
        return ExitStatus::Usage;
    }
    CancelToken cancel;
    // Before any other thread exists: they all leave the cancel signals to it.
    const CancelSignals cancelSignals(cancel, [&observer] { observer.ShowInfo(RunTexts::cancelling()); });

    // The same request the window makes, and what only a run nobody watches asks for. The run goes
    // on this thread: there is nothing else to serve.
    RunRequest request;
    request.profileName = options.profile;
    request.programFolder = ProgramIdentity::programFolder();
    request.online = options.online;
    request.lockWaitSeconds = options.lockWaitSeconds;
    request.keepGoing = options.keepGoing;
    request.deadline = options.deadlineAfter(QDateTime::currentDateTime());
    try {
        request.vendorName = ProgramIdentity::companyName();
    } catch (const TarvelinError& error) {
        observer.showError(error);
        return ExitStatus::Failed;
    }
    QElapsedTimer clock;
    clock.start();
    const RunOutcome outcome = ReindexRun::execute(request, cancel, observer);
    CancelSignals::runEnded();
    observer.showSummary(outcome, std::chrono::milliseconds(clock.elapsed()));
    if (outcome.end == RunOutcome::End::NoProfile) {
        observer.note(QStringLiteral("tarvelin-cli: no hay ningún perfil «%1» (%1.cfp) en %2")
                          .arg(options.profile, request.programFolder));
    }
    int status = exitStatus(outcome);
    if (observer.outputLost()) {
        observer.note(QStringLiteral("tarvelin-cli: no se pudo escribir todo en la salida estándar"));
        if (status == ExitStatus::Finished)
            status = ExitStatus::OutputLost;
    }
    return status;
}
