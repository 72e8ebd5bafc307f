#include "OracleSimulator.h"

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

std::optional<OraError> OracleSimulator::logon(const QString& password) const
{
    if (m_config.connectDelayMs > 0)
        m_sleeper(m_config.connectDelayMs);
    if (m_config.expectedPassword && password != *m_config.expectedPassword) {
        m_log.refused();
        return OraError::fromCode(OraError::InvalidLogon);
    }
    m_log.connected();
    return std::nullopt;
}

void OracleSimulator::logoff() const
{
    m_log.disconnected();
}

OracleSimulator::Outcome OracleSimulator::execute(const QString& sql, quint64 timeoutSeconds)
{
    m_log.executing(timeoutSeconds, sql);
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
// index, Fail, Online=0 for ONLINE; then DelayMs, then success.
std::optional<OraError> OracleSimulator::rebuild(const AlterIndexStatement& statement) const
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
    if (m_config.delayMs > 0)
        m_sleeper(m_config.delayMs);
    return std::nullopt;
}
