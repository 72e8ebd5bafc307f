#include "DatabaseThread.h"

#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace {

struct Queue
{
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::function<void()>> work; // guarded by mutex
    QThread* thread = nullptr;

    [[noreturn]] void serve()
    {
        for (;;) {
            std::function<void()> next;
            {
                std::unique_lock<std::mutex> lock(mutex);
                arrived.wait(lock, [this] { return !work.empty(); });
                next = std::move(work.front());
                work.pop_front();
            }
            next();
        }
    }
};

Queue& queue()
{
    // Never destroyed, as the thread that serves it is never ended.
    static Queue* const shared = [] {
        auto* q = new Queue;
        // A QThread, so that Qt Sql meets a thread of Qt's own (one Qt merely adopts crashed in Qt's
        // ODBC path under Windows); it needs no event loop of its own.
        q->thread = QThread::create([q] { q->serve(); });
        q->thread->setObjectName(QStringLiteral("tarvelin-database"));
        q->thread->start();
        return q;
    }();
    return *shared;
}

} // namespace

namespace DatabaseThread {

void post(std::function<void()> work)
{
    Queue& q = queue();
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        q.work.push_back(std::move(work));
    }
    q.arrived.notify_one();
}

} // namespace DatabaseThread
