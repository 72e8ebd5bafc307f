#pragma once

#include "PgTestBed.h"

#include <QString>

#include <atomic>
#include <thread>

// From another session, ends the backend that the given query finds (it must
// return one row with a boolean column "done", true once it has ended one),
// polling until then or until finish(). The role may end its own sessions, so
// no superuser is needed.
class BackendKiller
{
public:
    BackendKiller(const PgTestBed& bed, QString killQuery);
    ~BackendKiller();

    // Stops polling; true when a backend was ended. error() tells why not.
    bool finish();
    const QString& error() const { return m_error; }

private:
    std::atomic<bool> m_stop {false};
    std::atomic<bool> m_killed {false};
    QString m_error;
    std::thread m_thread;
};
