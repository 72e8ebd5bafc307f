#pragma once

#include "RecordingPrompter.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class frmTarvelin;

// The real window, shown offscreen, over the real FileFinder (a folder with
// one profile file) and the real database layer; only the profile library is
// replaced, by a profile that yields the given connection string.
class BenchWindow
{
public:
    explicit BenchWindow(const QString& connectionString);
    ~BenchWindow();

    frmTarvelin& window() { return *m_window; }

    // Clicks "Reindexar ahora"; the run ends before the click returns. Stops
    // the benchmark unless the run ended with "Terminado" and no message box.
    void clickReindexar();

private:
    QTemporaryDir m_folder;
    // A benchmark run that shows a box has failed, and a real modal box would stall it.
    std::shared_ptr<RecordingPrompter> m_prompter;
    std::unique_ptr<frmTarvelin> m_window;
};
