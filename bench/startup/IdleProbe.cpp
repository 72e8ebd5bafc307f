// Loaded into a program with LD_PRELOAD, this reports when the program's first
// window has been exposed and painted and the program has gone idle: the first
// time its event loop is about to wait after that first expose. It prints
// "idle_kib <peak resident KiB so far>" and ends the program, so that a
// harness can time a start-up from outside without changing the program.

#include "ProcessMemory.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

#include <cstdio>

namespace {

class IdleProbe : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The filter sees the expose before the window handles (paints) it.
        if (!m_exposed && event->type() == QEvent::Expose && watched->isWindowType()
            && static_cast<QWindow*>(watched)->isExposed()) {
            m_exposed = true;
            connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                &IdleProbe::idle, Qt::DirectConnection);
        }
        return false;
    }

private:
    void idle()
    {
        if (m_reported)
            return;
        m_reported = true;
        std::printf("idle_kib %lld\n", static_cast<long long>(ProcessMemory::peakResidentKiB()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    bool m_exposed = false;
    bool m_reported = false;
};

void installProbe()
{
    QCoreApplication::instance()->installEventFilter(new IdleProbe);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
