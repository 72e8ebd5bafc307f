#include "CancelSignals.h"

#include "CancelToken.h"

#include <QtGlobal> // Q_OS_WIN

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <pthread.h>
#include <thread>
#endif

#include <mutex>

namespace {

// Shared with the thread that serves the requests, which outlives the object that set it up.
struct Listener
{
    std::mutex mutex;
    CancelToken* token = nullptr; // null once nobody listens any more
    std::function<void()> announce;
    bool announced = false;

    void request()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!token)
            return;
        token->request();
        if (!announced) {
            announced = true;
            announce();
        }
    }
};

Listener listener;

#ifdef Q_OS_WIN
HANDLE endedEvent = nullptr; // set when the run has ended

BOOL WINAPI onConsoleEvent(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        listener.request();
        return TRUE;
    case CTRL_CLOSE_EVENT:
        // Windows ends the process once this returns (and after a few seconds at most): wait for
        // the run, which ends after the statement under way.
        listener.request();
        WaitForSingleObject(endedEvent, INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}
#endif

} // namespace

CancelSignals::CancelSignals(CancelToken& token, std::function<void()> announce)
{
    {
        const std::lock_guard<std::mutex> lock(listener.mutex);
        listener.token = &token;
        listener.announce = std::move(announce);
    }
#ifdef Q_OS_WIN
    endedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
#else
    // Blocked here and so in every thread made later (the driver's among them), and taken by one
    // thread that waits for them: no system call of the driver is interrupted, no handler runs
    // inside it, and a second signal is only one more request.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // Output to a reader that went away must not end the run either.
    std::signal(SIGPIPE, SIG_IGN);
    std::thread([set] {
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) == 0)
                listener.request();
        }
    }).detach();
#endif
}

CancelSignals::~CancelSignals()
{
    const std::lock_guard<std::mutex> lock(listener.mutex);
    listener.token = nullptr;
    listener.announce = nullptr;
}

void CancelSignals::runEnded()
{
#ifdef Q_OS_WIN
    if (endedEvent)
        SetEvent(endedEvent);
#endif
}
