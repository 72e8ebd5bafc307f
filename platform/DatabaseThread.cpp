#include "DatabaseThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>

#include <exception>

struct DatabaseThread::Private
{
    QThread thread;
    QObject worker; // moved to the thread: what is queued to it runs there
    QObject caller; // stays with the caller: the end of a call is queued to it
};

DatabaseThread::DatabaseThread()
    : d(std::make_unique<Private>())
{
    d->thread.setObjectName(QStringLiteral("tarvelin-database"));
    d->worker.moveToThread(&d->thread);
    d->thread.start();
}

DatabaseThread::~DatabaseThread()
{
    d->thread.quit();
    d->thread.wait();
}

void DatabaseThread::run(const std::function<void()>& work)
{
    Q_ASSERT(QThread::currentThread() == d->caller.thread());
    bool done = false;
    std::exception_ptr failure;
    QObject* caller = &d->caller;
    QMetaObject::invokeMethod(
        &d->worker,
        [&work, &done, &failure, caller] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            // Queued behind whatever the caller's thread was sent meanwhile (a click on
            // "Cancelar" during the statement), which is therefore served before the call returns.
            QMetaObject::invokeMethod(
                caller,
                [&done] {
                    done = true;
                    // Windows' dispatcher takes posted events it delivers on entry for nothing
                    // done and would go on waiting for more: tell it to return.
                    if (QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher())
                        dispatcher->interrupt();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    // Not a QEventLoop: one asked to quit (QCoreApplication::exit) would stop waiting while the
    // statement still runs on locals of this frame.
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (failure)
        std::rethrow_exception(failure);
}
