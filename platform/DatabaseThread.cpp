#include "DatabaseThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// A call that ends within this is waited for without sleeping on either side: a run makes one
// call per index, and waking a sleeping thread costs more than the short statements themselves.
constexpr std::chrono::microseconds shortWait(200);

template <typename Condition> bool spinUntil(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + shortWait;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// One call, on the caller's stack while it waits.
struct Call
{
    const std::function<void()>* work = nullptr;
    std::atomic<bool> done {false}; // once set, the worker touches the call no more: it may be gone
    std::exception_ptr failure; // written before done, read after it
};

} // namespace

// The process's database thread. It lives as long as the process, idle between runs (a run lets go
// of its connection there before it returns): a thread that had done ODBC work and ended before
// the process made Wine's bridge to the host's driver manager hang at the process's end.
struct DatabaseThread::Private
{
    std::mutex mutex;
    std::condition_variable callArrived;
    std::deque<Call*> calls; // guarded by mutex; more than one only for a call made while one waits
    std::atomic<int> waiting {0};
    std::atomic<int> sleepers {0}; // callers asleep in their event loop, waiting for a call's end
    QObject caller; // on the callers' thread: a call's end is queued to it when its caller sleeps
    QThread* thread = nullptr; // a QThread, so that Qt Sql meets a thread of Qt's own; no event loop

    static Private& instance()
    {
        // Never destroyed: the thread it serves is never ended.
        static Private* const shared = [] {
            auto* p = new Private;
            p->thread = QThread::create([p] { p->serve(); });
            p->thread->setObjectName(QStringLiteral("tarvelin-database"));
            p->thread->start();
            return p;
        }();
        return *shared;
    }

    [[noreturn]] void serve();
};

void DatabaseThread::Private::serve()
{
    for (;;) {
        spinUntil([this] { return waiting.load(std::memory_order_acquire) > 0; });
        Call* call = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex);
            callArrived.wait(lock, [this] { return !calls.empty(); });
            call = calls.front();
            calls.pop_front();
            waiting.fetch_sub(1, std::memory_order_relaxed);
        }
        try {
            (*call->work)();
        } catch (...) {
            call->failure = std::current_exception();
        }
        call->done.store(true);
        // A caller went to sleep in its event loop: wake it. Queued behind whatever its thread
        // was sent meanwhile (a click on "Cancelar" during the statement).
        if (sleepers.load() > 0) {
            QMetaObject::invokeMethod(
                &caller,
                [] {
                    // Windows' dispatcher takes posted events it delivers on entry for nothing
                    // done and would go on waiting for more: tell it to return.
                    if (QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher())
                        dispatcher->interrupt();
                },
                Qt::QueuedConnection);
        }
    }
}

DatabaseThread::DatabaseThread()
    : d(&Private::instance())
{ }

DatabaseThread::~DatabaseThread() = default;

void DatabaseThread::run(const std::function<void()>& work)
{
    Q_ASSERT(QThread::currentThread() == d->caller.thread());
    Call call;
    call.work = &work;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->calls.push_back(&call);
        d->waiting.fetch_add(1, std::memory_order_release);
    }
    d->callArrived.notify_one();
    if (spinUntil([&call] { return call.done.load(); })) {
        // Over within the short wait, which gave nobody time to act: what other threads posted
        // meanwhile is delivered, the window system is asked again at the next status text.
        QCoreApplication::sendPostedEvents();
    } else {
        // A statement that takes time: the caller's thread serves its events until it ends. Not a
        // QEventLoop, which, asked to quit (QCoreApplication::exit), would stop waiting while the
        // statement still runs on locals of this frame.
        d->sleepers.fetch_add(1);
        while (!call.done.load())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        d->sleepers.fetch_sub(1);
        // What came meanwhile (a click on "Cancelar") is served before the caller goes on.
        QCoreApplication::processEvents();
    }
    if (call.failure)
        std::rethrow_exception(call.failure);
}
