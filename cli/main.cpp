#include "CancelSignals.h"
#include "ConsoleOptions.h"
#include "ConsoleWindow.h"
#include "ExitStatus.h"
#include "ProgramIdentity.h"
#include "ReindexRun.h"
#include "TarvelinError.h"

#include <QCoreApplication>

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

} // namespace

int main(int argc, char* argv[])
{
#ifdef Q_OS_WIN
    // The console shows what is written as UTF-8; redirected output is UTF-8 anyway.
    SetConsoleOutputCP(CP_UTF8);
#endif
    QCoreApplication app(argc, argv);
    // First, before any thread exists: they all leave the cancel signals to it.
    CancelSignals cancel;

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

    ConsoleWindow window(options.profile, options.online, options.lockWhenOnlineRefused, cancel);
    QObject::connect(&cancel, &CancelSignals::cancelRequested, [&window] { window.cancelClicked(); });
    ReindexRun(window, RunPlatform::real()).execute();
    CancelSignals::runEnded();
    const int status = window.exitStatus();
    if (status == ExitStatus::Usage) {
        print(stderr,
            QStringLiteral("tarvelin-cli: no hay ningún perfil «%1» (%1.cfp) en %2\n")
                .arg(options.profile, ProgramIdentity::programFolder()));
    }
    return status;
}
