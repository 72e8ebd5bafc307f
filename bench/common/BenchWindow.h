#pragma once

#include "RecordingPrompter.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class frmTarvelin;

// The real window, shown offscreen, over the real FileFinder, a folder with one profile file that
// holds the given connection string, the real profile library and the real database layer.
class BenchWindow
{
public:
    explicit BenchWindow(const QString& connectionString);
    ~BenchWindow();

    frmTarvelin& window() { return *m_window; }

    // Clicks "Reindexar ahora" and returns when the run has ended. Stops the benchmark unless the
    // run ended with "Terminado" and no message box.
    void clickReindexar();

private:
    QTemporaryDir m_folder;
    // A benchmark run that shows a box has failed, and a real modal box would stall it.
    std::shared_ptr<RecordingPrompter> m_prompter;
    std::unique_ptr<frmTarvelin> m_window;
};
