#pragma once

#include "AlterIndexStatement.h"
#include "Dictionary.h"
#include "OraError.h"
#include "SelectQuery.h"
#include "SessionLog.h"
#include "SimulatorConfig.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// The simulated server behind one connection: it checks the logon, answers queries on the data
// dictionary's index views and runs ALTER INDEX ... REBUILD the way the real server would for
// each kind of index. Every logon, statement and logoff is written to the configured log first.
class OracleSimulator
{
public:
    struct Outcome
    {
        std::optional<OraError> error;
        bool isQuery = false; // a SELECT that ran: result holds its rows
        QueryResult result;
    };

    // How a rebuild blocks for DelayMs and a logon for ConnectDelayMs; tests replace it to see
    // when and for how long it blocks.
    using Sleeper = std::function<void(int milliseconds)>;

    explicit OracleSimulator(SimulatorConfig config, Sleeper sleeper = {});

    // The password must match ExpectPwd when that is set; logged after ConnectDelayMs. The other
    // sessions' table locks (LockTable) count from here.
    std::optional<OraError> logon(const QString& password);
    // timeoutSeconds is the query time-out the statement runs with; it is recorded, not enforced.
    Outcome execute(const QString& sql, quint64 timeoutSeconds = 0);
    // Logged unless the connection was lost: then nothing reaches the server any more.
    void logoff() const;

    const SimulatorConfig& config() const { return m_config; }

private:
    std::optional<OraError> rebuild(const AlterIndexStatement& statement);
    // Waits for another session's lock on the index's table as the statement would; ORA-00054
    // when the session's DDL_LOCK_TIMEOUT runs out first.
    std::optional<OraError> waitForTableLock(const SchemaIndex& index, bool online);

    SimulatorConfig m_config;
    std::chrono::steady_clock::time_point m_loggedOnAt;
    int m_lockTimeoutSeconds = 0; // the session's DDL_LOCK_TIMEOUT
    int m_statements = 0;
    bool m_lost = false;
    std::shared_ptr<const Dictionary> m_dictionary; // shared with the results that read it
    SessionLog m_log;
    Sleeper m_sleeper;
};
