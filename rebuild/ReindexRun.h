#pragma once

#include "CancelToken.h"
#include "Connection.h"
#include "RunObserver.h"
#include "RunOutcome.h"
#include "RunRequest.h"

#include <functional>
#include <memory>

// One reindex run, from the chosen profile to the last status text, on the caller's thread: the
// connection is made, used and destroyed there, as Qt Sql asks. The window calls it on its
// database thread, the console on its only one.
namespace ReindexRun {

// Where the run's connection comes from; tests put planned faults in front of the real one.
using ConnectionFactory = std::function<std::unique_ptr<Connection>()>;
std::unique_ptr<Connection> realConnection();

RunOutcome execute(const RunRequest& request, const CancelToken& cancel, RunObserver& observer,
    const ConnectionFactory& newConnection = realConnection);

} // namespace ReindexRun
