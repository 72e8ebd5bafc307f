#pragma once

#include "AlterIndexStatement.h"
#include "OraError.h"
#include "SessionLog.h"
#include "SimulatorConfig.h"

#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

// The simulated server behind one connection: it checks the logon and answers each statement
// the way the real server would for the index dictionary query and ALTER INDEX ... REBUILD.
// Every logon, statement and logoff is written to the configured log first.
class OracleSimulator
{
public:
    struct Outcome
    {
        std::optional<OraError> error;
        bool isQuery = false; // the dictionary query: rows holds its INDEX_NAME values
        QStringList rows;
    };

    // How a rebuild blocks for DelayMs; tests replace it to see when and for how long it blocks.
    using Sleeper = std::function<void(int milliseconds)>;

    explicit OracleSimulator(SimulatorConfig config, Sleeper sleeper = {});

    // The password must match ExpectPwd when that is set.
    std::optional<OraError> logon(const QString& password) const;
    // timeoutSeconds is the query time-out the statement runs with; it is recorded, not enforced.
    Outcome execute(const QString& sql, quint64 timeoutSeconds = 0);
    void logoff() const;

    const SimulatorConfig& config() const { return m_config; }

    static const QString& columnName();

private:
    Outcome runAlterIndex(const AlterIndexStatement& statement);
    Outcome runDictionaryQuery(const QString& sql) const;

    SimulatorConfig m_config;
    QStringList m_sortedIndexes;
    QSet<QString> m_indexSet;
    SessionLog m_log;
    Sleeper m_sleeper;
};
