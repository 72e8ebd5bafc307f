#include "OracleSimulator.h"

#include "AlterIndexStatement.h"
#include "DictionaryQuery.h"
#include "LikePattern.h"

#include <QThread>

#include <algorithm>
#include <utility>

namespace {

// The server's binary order is code-point order, which UTF-16 comparison is not: a character
// beyond U+FFFF would sort before U+E000..U+FFFF.
QStringList sortedByCodePoint(const QStringList& names)
{
    QList<std::pair<QList<uint>, QString>> keyed;
    keyed.reserve(names.size());
    for (const QString& name : names)
        keyed.append({name.toUcs4(), name});
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList sorted;
    sorted.reserve(keyed.size());
    for (auto& entry : keyed)
        sorted.append(std::move(entry.second));
    return sorted;
}

OracleSimulator::Outcome failure(const OraError& error)
{
    OracleSimulator::Outcome outcome;
    outcome.error = error;
    return outcome;
}

} // namespace

OracleSimulator::OracleSimulator(SimulatorConfig config, Sleeper sleeper)
    : m_config(std::move(config))
    , m_sortedIndexes(sortedByCodePoint(m_config.indexes))
    , m_indexSet(m_config.indexes.cbegin(), m_config.indexes.cend())
    , m_log(m_config.logPath)
    , m_sleeper(std::move(sleeper))
{
    // A real statement holds the thread and serves no events while it runs.
    if (!m_sleeper)
        m_sleeper = [](int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); };
}

const QString& OracleSimulator::columnName()
{
    static const QString name = QStringLiteral("INDEX_NAME");
    return name;
}

std::optional<OraError> OracleSimulator::logon(const QString& password) const
{
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
    if (const std::optional<AlterIndexStatement> statement = AlterIndexStatement::parse(sql))
        return runAlterIndex(*statement);
    return runDictionaryQuery(sql);
}

OracleSimulator::Outcome OracleSimulator::runAlterIndex(const AlterIndexStatement& statement)
{
    if (!m_indexSet.contains(statement.indexName))
        return failure(OraError::fromCode(OraError::IndexDoesNotExist));
    const auto failing = m_config.failures.constFind(statement.indexName);
    if (failing != m_config.failures.cend()) {
        const OraError error = OraError::fromCode(failing.value(), statement.indexName);
        return failure(m_config.longText ? error.lengthened() : error);
    }
    if (statement.online && !m_config.onlineEnabled)
        return failure(OraError::fromCode(OraError::FeatureNotEnabled));
    if (m_config.delayMs > 0)
        m_sleeper(m_config.delayMs);
    return {};
}

OracleSimulator::Outcome OracleSimulator::runDictionaryQuery(const QString& sql) const
{
    const std::optional<DictionaryQuery> query = DictionaryQuery::parse(sql);
    if (!query)
        return failure(OraError::fromCode(OraError::InvalidSqlStatement));

    Outcome outcome;
    outcome.isQuery = true;
    const QStringList& names = query->ordered ? m_sortedIndexes : m_config.indexes;
    if (!query->filter) {
        outcome.rows = names;
        return outcome;
    }
    const LikePattern pattern(query->filter->pattern, query->filter->escape);
    if (pattern.error())
        return failure(*pattern.error());
    // An empty text is NULL to the server: LIKE NULL is unknown, and so is its negation,
    // so no row qualifies either way.
    if (query->filter->pattern.isEmpty())
        return outcome;
    for (const QString& name : names) {
        if (pattern.matches(name) != query->filter->negated)
            outcome.rows.append(name);
    }
    return outcome;
}
