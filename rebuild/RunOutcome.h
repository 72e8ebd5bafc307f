#pragma once

#include "TarvelinError.h"

#include <optional>

// How a run ended and what it did: the window gives its buttons back whatever it was, the console
// turns it into its exit status and its summary.
struct RunOutcome
{
    enum class End {
        Finished, // every statement sent: "Terminado" (with keepGoing, some may have failed)
        Cancelled, // asked to stop: "Cancelado"
        DeadlineReached, // the deadline came before every statement was sent
        Failed, // an error ended it; `error` says which
        OnlineRefused, // the server cannot rebuild online and the answer was "No"
        NoProfile, // no profile chosen, or no such profile: nothing reached the server
    };

    End end = End::Failed;
    std::optional<TarvelinError> error; // for Failed

    // Rebuild statements (one per index, partition or subpartition), as the dictionary listed them.
    int targets = 0;
    int rebuilt = 0;
    int failed = 0; // more than one only with keepGoing
    int notSent() const { return targets - rebuilt - failed; }
};
