#pragma once

#include <QObject>

// Requests to cancel from outside the program: SIGINT, SIGTERM and SIGHUP on Unix (Ctrl+C,
// systemctl stop, kill, a closed terminal); Ctrl+C, Ctrl+Break and closing the console on
// Windows. Each one only sets the flag, so a second one cannot kill the process in the middle
// of a rebuild either. Made once, on the main thread, before any other thread.
class CancelSignals : public QObject
{
    Q_OBJECT

public:
    CancelSignals();
    ~CancelSignals() override;

    // Set by the request itself, before the main thread serves it.
    bool requested() const;

    // Windows ends the process when the handler of a closing console returns: it waits for this.
    static void runEnded();

signals:
    // On the thread that made this object, when the first request is served.
    void cancelRequested();

private:
    void serve();

    bool m_announced = false;
};
