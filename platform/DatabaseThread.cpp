#include "DatabaseThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
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

} // namespace

struct DatabaseThread::Private
{
    std::mutex mutex;
    std::condition_variable jobArrived;
    const std::function<void()>* job = nullptr; // guarded by mutex
    bool stopping = false; // guarded by mutex
    std::atomic<bool> jobWaiting {false};
    std::atomic<bool> done {false};
    std::atomic<bool> callerSleeping {false};
    std::exception_ptr failure; // written before done, read after it
    QObject caller; // on the caller's thread: a call's end is queued to it when the caller sleeps
    // A QThread, so that Qt Sql meets a thread of Qt's own there; it runs serve(), no event loop.
    std::unique_ptr<QThread> thread;

    void serve();
};

void DatabaseThread::Private::serve()
{
    for (;;) {
        spinUntil([this] { return jobWaiting.load(std::memory_order_acquire); });
        const std::function<void()>* work = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex);
            jobArrived.wait(lock, [this] { return job || stopping; });
            if (!job)
                return;
            work = job;
            job = nullptr;
            jobWaiting.store(false, std::memory_order_relaxed);
        }
        try {
            (*work)();
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true);
        // The caller went to sleep in its event loop: wake it. Queued behind whatever its thread
        // was sent meanwhile (a click on "Cancelar" during the statement).
        if (callerSleeping.load()) {
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
    : d(std::make_unique<Private>())
{
    d->thread.reset(QThread::create([this] { d->serve(); }));
    d->thread->setObjectName(QStringLiteral("tarvelin-database"));
    d->thread->start();
}

DatabaseThread::~DatabaseThread()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
    }
    d->jobArrived.notify_one();
    d->thread->wait();
}

void DatabaseThread::run(const std::function<void()>& work)
{
    Q_ASSERT(QThread::currentThread() == d->caller.thread());
    d->done.store(false);
    d->failure = nullptr;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->job = &work;
        d->jobWaiting.store(true, std::memory_order_release);
    }
    d->jobArrived.notify_one();
    if (spinUntil([this] { return d->done.load(); })) {
        // Over within the short wait, which gave nobody time to act: what other threads posted
        // meanwhile is delivered, the window system is asked again at the next status text.
        QCoreApplication::sendPostedEvents();
    } else {
        // A statement that takes time: the caller's thread serves its events until it ends. Not a
        // QEventLoop, which, asked to quit (QCoreApplication::exit), would stop waiting while the
        // statement still runs on locals of this frame.
        d->callerSleeping.store(true);
        while (!d->done.load())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        d->callerSleeping.store(false);
        // What came meanwhile (a click on "Cancelar") is served before the caller goes on.
        QCoreApplication::processEvents();
    }
    if (d->failure)
        std::rethrow_exception(d->failure);
}
