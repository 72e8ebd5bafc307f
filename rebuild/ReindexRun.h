#pragma once

#include "RunPlatform.h"
#include "RunWindow.h"

#include <memory>

// One reindex run, from the click on "Reindexar ahora" to the restored buttons.
// Runs to its end inside the caller; the window is served only in ShowInfo.
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
