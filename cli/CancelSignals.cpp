#include "CancelSignals.h"

#ifdef Q_OS_WIN
#include <QWinEventNotifier>

#include <windows.h>
#else
#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#endif

#include <atomic>

namespace {

std::atomic<bool> requestedFlag {false};

#ifdef Q_OS_WIN
HANDLE requestEvent = nullptr; // set by the console's handler, served by the main thread
HANDLE endedEvent = nullptr; // set when the run has ended

BOOL WINAPI onConsoleEvent(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        requestedFlag.store(true);
        SetEvent(requestEvent);
        return TRUE;
    case CTRL_CLOSE_EVENT:
        // Windows ends the process once this returns (and after a few seconds at most): wait for
        // the run, which ends after the statement under way.
        requestedFlag.store(true);
        SetEvent(requestEvent);
        WaitForSingleObject(endedEvent, INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}
#else
int requestPipe[2] = {-1, -1}; // never closed: the signal thread may write to it until the end

sigset_t cancelSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}
#endif

} // namespace

CancelSignals::CancelSignals()
{
#ifdef Q_OS_WIN
    requestEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    endedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto* notifier = new QWinEventNotifier(requestEvent, this);
    connect(notifier, &QWinEventNotifier::activated, this, &CancelSignals::serve);
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
#else
    // Blocked here and so in every thread made later (the database's among them), and taken by
    // one thread that waits for them: no system call of the driver is interrupted, no handler
    // runs inside it, and a second signal is only one more request.
    const sigset_t set = cancelSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // Output to a reader that went away must not end the run either.
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe(requestPipe) != 0)
        qFatal("tarvelin-cli: no se puede crear la tubería de las señales");
    std::thread([set] {
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) == 0) {
                requestedFlag.store(true);
                const char byte = 1;
                [[maybe_unused]] const ssize_t written = ::write(requestPipe[1], &byte, 1);
            }
        }
    }).detach();
    auto* notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &CancelSignals::serve);
#endif
}

CancelSignals::~CancelSignals() = default;

bool CancelSignals::requested() const
{
    return requestedFlag.load();
}

void CancelSignals::runEnded()
{
#ifdef Q_OS_WIN
    if (endedEvent)
        SetEvent(endedEvent);
#endif
}

void CancelSignals::serve()
{
#ifndef Q_OS_WIN
    char bytes[64];
    [[maybe_unused]] const ssize_t got = ::read(requestPipe[0], bytes, sizeof bytes);
#endif
    if (m_announced)
        return;
    m_announced = true;
    emit cancelRequested();
}
