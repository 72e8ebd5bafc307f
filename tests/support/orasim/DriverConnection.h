#pragma once

#include "OdbcHandle.h"
#include "OracleSimulator.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

class DriverStatement;

// SQL_HANDLE_DBC: one session with the simulated server. The connection string is the server's
// configuration (SimulatorConfig); connecting checks it and the password, as a logon would.
class DriverConnection : public OdbcHandle
{
public:
    static constexpr Kind handleKind = Kind::Connection;

    DriverConnection();
    ~DriverConnection() override;

    // Nothing is completed: the string that connected is the one given back in `out`.
    SQLRETURN connect(const QString& connectionString, SQLPOINTER out, SQLSMALLINT outCapacity,
        SQLSMALLINT* outLength, bool wide);
    SQLRETURN disconnect();
    // Null while not connected.
    OracleSimulator* server() const { return m_server.get(); }

    SQLRETURN info(
        SQLUSMALLINT infoType, SQLPOINTER buffer, SQLSMALLINT bufferLength, SQLSMALLINT* length, bool wide);
    SQLRETURN setAttribute(SQLINTEGER attribute, SQLPOINTER value);
    SQLRETURN getAttribute(SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length);
    SQLRETURN functions(SQLUSMALLINT functionId, SQLUSMALLINT* supported);
    // SQLAllocHandle for a statement on this connection; descriptors are not offered.
    SQLRETURN newStatement(SQLSMALLINT handleType, SQLHANDLE* statement);

    // Posts an error of the server on `handle`, followed by a second record when the
    // configuration asks for two.
    void reportServerError(OdbcHandle& handle, const QString& sqlState, const OraError& error) const;

    // Statements belong to their connection: disconnecting frees them.
    void adopt(DriverStatement* statement);
    void release(DriverStatement* statement);

private:
    void freeStatements();

    std::unique_ptr<OracleSimulator> m_server;
    std::vector<DriverStatement*> m_statements;
    std::map<SQLINTEGER, SQLULEN> m_attributes;
};
