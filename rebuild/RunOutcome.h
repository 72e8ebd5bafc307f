#pragma once

#include "TarvelinError.h"

#include <optional>

// How a run ended: the window gives its buttons back whatever it was, the console turns it into
// its exit status.
struct RunOutcome
{
    enum class End {
        Finished, // every statement sent and done: "Terminado"
        Cancelled, // asked to stop: "Cancelado"
        Failed, // an error ended it; `error` says which
        OnlineRefused, // the server cannot rebuild online and the answer was "No"
        NoProfile, // no profile chosen, or no such profile: nothing reached the server
    };

    End end = End::Failed;
    std::optional<TarvelinError> error; // for Failed
};
