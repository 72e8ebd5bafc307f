#pragma once

#include "RunObserver.h"

#include <QString>

#include <mutex>

// A run heard on a console: every text the window would show is a line on standard output after
// the local time, an error a line on standard error, and the online question is answered as the
// command line says. A cancel request may print from another thread meanwhile: lines never mix.
class ConsoleObserver : public RunObserver
{
public:
    explicit ConsoleObserver(bool lockWhenOnlineRefused);

    void ShowInfo(const QString& text) override;
    bool goOnLockingTables() override;
    void showError(const TarvelinError& error) override;

private:
    bool m_lockWhenOnlineRefused;
    std::mutex m_writing;
};
