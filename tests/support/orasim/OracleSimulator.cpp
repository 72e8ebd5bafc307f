#include "OracleSimulator.h"

#include <QRegularExpression>
#include <QThread>

#include <utility>

namespace {

OracleSimulator::Outcome failure(const OraError& error)
{
    OracleSimulator::Outcome outcome;
    outcome.error = error;
    return outcome;
}

// What the server says when the statement cannot rebuild what it names, before anything else is
// looked at: the index's kind, then whether the statement fits how it is partitioned.
std::optional<int> refusal(const SchemaIndex& index, const AlterIndexStatement& statement)
{
    switch (index.kind) {
    case SchemaIndex::Kind::RecycleBin:
        return OraError::RecycleBin;
    case SchemaIndex::Kind::IotTop:
        return OraError::IotPrimaryIndex;
    case SchemaIndex::Kind::Temporary:
        return OraError::TemporaryTable;
    case SchemaIndex::Kind::Lob:
        return OraError::LobIndex;
    case SchemaIndex::Kind::Normal:
        break;
    }
    using Target = AlterIndexStatement::Target;
    if (statement.target == Target::Index)
        return index.partitioned() ? std::optional<int>(OraError::PartitionedAsAWhole) : std::nullopt;
    if (!index.partitioned())
        return OraError::NotPartitioned;
    if (statement.target == Target::Partition) {
        for (const SchemaIndex::Partition& partition : index.partitions) {
            if (partition.name == statement.partitionName)
                return index.composite() ? std::optional<int>(OraError::PartitionOfComposite) : std::nullopt;
        }
        return OraError::NoSuchPartition;
    }
    if (!index.composite())
        return OraError::NotComposite;
    for (const SchemaIndex::Partition& partition : index.partitions) {
        if (partition.subpartitions.contains(statement.partitionName))
            return std::nullopt;
    }
    return OraError::NoSuchSubpartition;
}

} // namespace

OracleSimulator::OracleSimulator(SimulatorConfig config, Sleeper sleeper)
    : m_config(std::move(config))
    , m_dictionary(std::make_shared<const Dictionary>(m_config.indexes))
    , m_log(m_config.logPath)
    , m_sleeper(std::move(sleeper))
{
    // A real statement holds the thread and serves no events while it runs.
    if (!m_sleeper)
        m_sleeper = [](int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); };
}

std::optional<OraError> OracleSimulator::logon(const QString& password)
{
    if (m_config.connectDelayMs > 0)
        m_sleeper(m_config.connectDelayMs);
    if (m_config.expectedPassword && password != *m_config.expectedPassword) {
        m_log.refused();
        return OraError::fromCode(OraError::InvalidLogon);
    }
    m_log.connected();
    m_loggedOnAt = std::chrono::steady_clock::now();
    return std::nullopt;
}

void OracleSimulator::logoff() const
{
    if (!m_lost)
        m_log.disconnected();
}

OracleSimulator::Outcome OracleSimulator::execute(const QString& sql, quint64 timeoutSeconds)
{
    m_log.executing(timeoutSeconds, sql);
    if (m_lost)
        return failure(OraError::fromCode(OraError::NotConnected));
    if (++m_statements == m_config.loseAt) {
        m_lost = true;
        m_log.lost();
        return failure(OraError::fromCode(OraError::EndOfFileOnChannel));
    }
    static const QRegularExpression lockTimeout(
        QStringLiteral("^\\s*ALTER\\s+SESSION\\s+SET\\s+DDL_LOCK_TIMEOUT\\s*=\\s*(\\d{1,7})\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch set = lockTimeout.match(sql); set.hasMatch()) {
        const int seconds = set.captured(1).toInt();
        if (seconds > 1000000)
            return failure(OraError::fromCode(OraError::InvalidParameterValue));
        m_lockTimeoutSeconds = seconds;
        return {};
    }
    if (const std::optional<AlterIndexStatement> statement = AlterIndexStatement::parse(sql)) {
        if (const std::optional<OraError> error = rebuild(*statement))
            return failure(*error);
        return {};
    }
    const std::optional<SelectQuery> query = SelectQuery::parse(sql);
    if (!query)
        return failure(OraError::fromCode(OraError::InvalidSqlStatement));
    std::variant<QueryResult, OraError> ran = query->run(m_dictionary);
    if (const OraError* error = std::get_if<OraError>(&ran))
        return failure(*error);
    Outcome outcome;
    outcome.isQuery = true;
    outcome.result = std::move(std::get<QueryResult>(ran));
    return outcome;
}

// Checks in this order: a reserved word for a name, the name, what the statement may do to such an
// index, Fail, Online=0 for ONLINE, another session's lock on the table; then DelayMs, then success.
std::optional<OraError> OracleSimulator::rebuild(const AlterIndexStatement& statement)
{
    if (statement.invalidName)
        return OraError::fromCode(*statement.invalidName);
    const SchemaIndex* index = m_dictionary->index(statement.indexName);
    if (!index)
        return OraError::fromCode(OraError::IndexDoesNotExist);
    if (const std::optional<int> code = refusal(*index, statement))
        return OraError::fromCode(*code, index->name);
    // ORA-00439 (a feature not enabled) is planned for online rebuilds only: only ONLINE asks for it.
    const auto failing = m_config.failures.constFind({index->name, statement.partitionName});
    if (failing != m_config.failures.cend()
        && (failing.value() != OraError::FeatureNotEnabled || statement.online)) {
        const OraError error = OraError::fromCode(failing.value(), index->name);
        return m_config.longText ? error.lengthened() : error;
    }
    if (statement.online && !m_config.onlineEnabled)
        return OraError::fromCode(OraError::FeatureNotEnabled);
    if (const std::optional<OraError> busy = waitForTableLock(*index, statement.online))
        return busy;
    if (m_config.delayMs > 0)
        m_sleeper(m_config.delayMs);
    return std::nullopt;
}

std::optional<OraError> OracleSimulator::waitForTableLock(const SchemaIndex& index, bool online)
{
    const auto lock = m_config.tableLocks.constFind(index.table);
    if (index.table.isEmpty() || lock == m_config.tableLocks.cend())
        return std::nullopt;
    const auto held = std::chrono::milliseconds(lock.value())
        - std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - m_loggedOnAt);
    if (held.count() <= 0)
        return std::nullopt;
    // An online rebuild waits for the lock; any other waits only as long as the session allows.
    const auto patience = std::chrono::milliseconds(qint64(m_lockTimeoutSeconds) * 1000);
    if (!online && patience < held) {
        if (patience.count() > 0)
            m_sleeper(int(patience.count()));
        return OraError::fromCode(OraError::ResourceBusy);
    }
    m_log.waiting(index.table);
    m_sleeper(int(held.count()));
    return std::nullopt;
}
