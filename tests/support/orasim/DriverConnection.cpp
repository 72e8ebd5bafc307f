#include "DriverConnection.h"

#include "DriverInfo.h"
#include "DriverStatement.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdint>

namespace {

// What the driver manager sets on every connection before connecting (unixODBC's "the
// application uses the wide calls"), and what applications commonly set.
constexpr SQLINTEGER ansiApplication = 115; // SQL_ATTR_ANSI_APP

} // namespace

DriverConnection::DriverConnection()
    : OdbcHandle(handleKind)
    , m_attributes {{ansiApplication, SQL_AA_TRUE}, {SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_ON},
          {SQL_ATTR_ACCESS_MODE, SQL_MODE_READ_WRITE}, {SQL_ATTR_LOGIN_TIMEOUT, 0},
          {SQL_ATTR_CONNECTION_TIMEOUT, 0}}
{ }

DriverConnection::~DriverConnection()
{
    freeStatements();
}

SQLRETURN DriverConnection::connect(const QString& connectionString, SQLPOINTER out, SQLSMALLINT outCapacity,
    SQLSMALLINT* outLength, bool wide)
{
    if (m_server)
        return fail("08002");
    QString problem;
    std::optional<SimulatorConfig> config = SimulatorConfig::parse(connectionString, &problem);
    if (config && !SessionLog(config->logPath).isWritable())
        problem = QStringLiteral("cannot append to the log file '%1'").arg(config->logPath);
    if (!config || !problem.isEmpty()) {
        diagnostics().addDriverError(
            QStringLiteral("HY000"), QStringLiteral("invalid simulator configuration: ") + problem);
        return SQL_ERROR;
    }
    const QString password = config->password;
    auto server = std::make_unique<OracleSimulator>(std::move(*config));
    if (const std::optional<OraError> refused = server->logon(password)) {
        diagnostics().addServerError(QStringLiteral("28000"), *refused, server->config().records > 1);
        return SQL_ERROR;
    }
    m_server = std::move(server);
    return answer(connectionString, wide, out, outCapacity, false, outLength);
}

SQLRETURN DriverConnection::disconnect()
{
    if (!m_server)
        return fail("08003");
    freeStatements();
    m_server->logoff();
    m_server.reset();
    return SQL_SUCCESS;
}

SQLRETURN DriverConnection::info(
    SQLUSMALLINT infoType, SQLPOINTER buffer, SQLSMALLINT bufferLength, SQLSMALLINT* length, bool wide)
{
    const SimulatorConfig* config = m_server ? &m_server->config() : nullptr;
    const std::optional<DriverInfo::Value> value = DriverInfo::value(
        infoType, config ? config->dataSource : QString(), config ? config->user : QString());
    if (!value)
        return fail("HY096");
    if (const auto* text = std::get_if<QString>(&*value))
        return answer(*text, wide, buffer, bufferLength, true, length);
    if (const auto* small = std::get_if<SQLUSMALLINT>(&*value)) {
        if (buffer)
            *static_cast<SQLUSMALLINT*>(buffer) = *small;
        if (length)
            *length = sizeof(SQLUSMALLINT);
        return SQL_SUCCESS;
    }
    if (buffer)
        *static_cast<SQLUINTEGER*>(buffer) = std::get<SQLUINTEGER>(*value);
    if (length)
        *length = sizeof(SQLUINTEGER);
    return SQL_SUCCESS;
}

SQLRETURN DriverConnection::setAttribute(SQLINTEGER attribute, SQLPOINTER value)
{
    const auto known = m_attributes.find(attribute);
    if (known == m_attributes.end())
        return fail("HYC00");
    // The attributes kept are plain numbers; they change nothing in the simulation.
    known->second = static_cast<SQLULEN>(reinterpret_cast<std::uintptr_t>(value));
    return SQL_SUCCESS;
}

SQLRETURN DriverConnection::getAttribute(SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length)
{
    SQLUINTEGER result = 0;
    if (attribute == SQL_ATTR_CONNECTION_DEAD) {
        result = m_server ? SQL_CD_FALSE : SQL_CD_TRUE;
    } else {
        const auto known = m_attributes.find(attribute);
        if (known == m_attributes.end())
            return fail("HYC00");
        result = static_cast<SQLUINTEGER>(known->second);
    }
    if (value)
        *static_cast<SQLUINTEGER*>(value) = result;
    if (length)
        *length = sizeof(SQLUINTEGER);
    return SQL_SUCCESS;
}

SQLRETURN DriverConnection::functions(SQLUSMALLINT functionId, SQLUSMALLINT* supported)
{
    if (!supported)
        return fail("HY009");
    DriverInfo::functions(functionId, supported);
    return SQL_SUCCESS;
}

SQLRETURN DriverConnection::newStatement(SQLSMALLINT handleType, SQLHANDLE* statement)
{
    if (handleType != SQL_HANDLE_STMT)
        return fail("HYC00");
    if (!m_server)
        return fail("08003");
    *statement = static_cast<OdbcHandle*>(new DriverStatement(*this));
    return SQL_SUCCESS;
}

void DriverConnection::reportServerError(
    OdbcHandle& handle, const QString& sqlState, const OraError& error) const
{
    handle.diagnostics().addServerError(sqlState, error, m_server && m_server->config().records > 1);
}

void DriverConnection::adopt(DriverStatement* statement)
{
    m_statements.push_back(statement);
}

void DriverConnection::release(DriverStatement* statement)
{
    m_statements.erase(std::remove(m_statements.begin(), m_statements.end(), statement), m_statements.end());
}

void DriverConnection::freeStatements()
{
    // Each statement releases itself from the list it is being deleted from: delete a copy.
    const std::vector<DriverStatement*> statements = m_statements;
    for (DriverStatement* statement : statements)
        delete statement;
    m_statements.clear();
}
