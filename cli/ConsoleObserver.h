#pragma once

#include "RunObserver.h"
#include "RunOutcome.h"

#include <QFile>
#include <QString>

#include <chrono>
#include <mutex>

// A run heard on a console: every text the window would show is a line on standard output after
// the local time, an error a line on standard error, the online question is answered as the
// command line says, and the run ends with a summary. With a log file, every line goes there too.
// A cancel request may print from another thread meanwhile: lines never mix.
class ConsoleObserver : public RunObserver
{
public:
    explicit ConsoleObserver(bool lockWhenOnlineRefused);

    // Appends every line from now on to the file at path too, created owner-only when new (and its
    // folder, when that is missing). False, with the system's reason, when it cannot be opened.
    bool openLog(const QString& path, QString* reason);

    void ShowInfo(const QString& text) override;
    bool goOnLockingTables() override;
    void showError(const TarvelinError& error) override;
    void statementFailed(const OracleSql::RebuildTarget& target, const TarvelinError& error) override;

    // After the last status text: how many statements there were, how many went well, failed or
    // were not sent, and how long the run took.
    void showSummary(const RunOutcome& outcome, std::chrono::milliseconds elapsed);
    // A line of the console's own, on standard error.
    void note(const QString& line);

    // Standard output refused a line (a full disk, a closed pipe): the run went on, its report did not.
    bool outputLost() const;

private:
    void write(std::FILE* stream, const QString& line);

    bool m_lockWhenOnlineRefused;
    mutable std::mutex m_writing;
    QFile m_log;
    bool m_outputLost = false;
};
