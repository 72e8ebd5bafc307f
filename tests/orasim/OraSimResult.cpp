#include "OraSimResult.h"

#include "OraSimDriver.h"

#include <QSqlField>
#include <QSqlRecord>

OraSimResult::OraSimResult(const OraSimDriver* driver)
    : QSqlResult(driver)
{ }

bool OraSimResult::reset(const QString& sql)
{
    m_rows.clear();
    setActive(false);
    setSelect(false);
    setAt(QSql::BeforeFirstRow);

    OracleSimulator* simulator = static_cast<const OraSimDriver*>(driver())->simulator();
    if (!simulator) {
        setLastError(QSqlError(QStringLiteral("Unable to execute statement"), QStringLiteral("not connected"),
            QSqlError::ConnectionError));
        return false;
    }
    OracleSimulator::Outcome outcome = simulator->execute(sql);
    if (outcome.error) {
        setLastError(OraSimDriver::toSqlError(*outcome.error, QSqlError::StatementError));
        return false;
    }
    m_rows = std::move(outcome.rows);
    setSelect(outcome.isQuery);
    setActive(true);
    return true;
}

QVariant OraSimResult::data(int column)
{
    if (column != 0 || !isOnRow())
        return QVariant();
    return m_rows.at(at());
}

bool OraSimResult::isNull(int column)
{
    return column != 0 || !isOnRow();
}

bool OraSimResult::fetch(int row)
{
    if (!isActive() || !isSelect() || row < 0 || row >= m_rows.size())
        return false;
    setAt(row);
    return true;
}

bool OraSimResult::fetchFirst()
{
    return fetch(0);
}

bool OraSimResult::fetchLast()
{
    return fetch(static_cast<int>(m_rows.size()) - 1);
}

bool OraSimResult::fetchNext()
{
    if (at() == QSql::AfterLastRow)
        return false;
    return fetch(at() == QSql::BeforeFirstRow ? 0 : at() + 1);
}

int OraSimResult::size()
{
    return isActive() && isSelect() ? static_cast<int>(m_rows.size()) : -1;
}

int OraSimResult::numRowsAffected()
{
    // A DDL statement changes no rows; for a query the count is not known this way.
    return isActive() && !isSelect() ? 0 : -1;
}

QSqlRecord OraSimResult::record() const
{
    QSqlRecord columns;
    if (isActive() && isSelect())
        columns.append(QSqlField(OracleSimulator::columnName(), QMetaType(QMetaType::QString)));
    return columns;
}
