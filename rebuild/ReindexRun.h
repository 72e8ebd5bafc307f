#pragma once

#include "RunPlatform.h"
#include "RunWindow.h"

#include <memory>

// One reindex run, from the click on "Reindexar ahora" to the restored buttons. Runs to its end
// inside the caller, on the caller's thread, except for the database work: that runs on the
// database thread (DatabaseThread), and while it does the caller's thread serves its events (the window
// repaints, a click on "Cancelar" is served at once and counts before the next statement).
class ReindexRun
{
public:
    ReindexRun(RunWindow& window, RunPlatform platform);
    ~ReindexRun();

    void execute();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
