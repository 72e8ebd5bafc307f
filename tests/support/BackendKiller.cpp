#include "BackendKiller.h"

#include "Connection.h"
#include "TarvelinError.h"

#include <QThread>

BackendKiller::BackendKiller(const PgTestBed& bed, QString killQuery)
    : m_thread([this, connection = bed.connectionWithPassword(), kill = std::move(killQuery)] {
        try {
            Connection other;
            other.Open(connection);
            while (!m_stop.load()) {
                auto rows = other.Execute(kill);
                if (!rows->Eof() && rows->Fields("done").toBool()) {
                    m_killed.store(true);
                    return;
                }
                QThread::msleep(20);
            }
        } catch (const TarvelinError& error) {
            m_error = error.description();
        }
    })
{ }

BackendKiller::~BackendKiller()
{
    finish();
}

bool BackendKiller::finish()
{
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
    return m_killed.load();
}
