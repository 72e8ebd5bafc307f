#pragma once

#include "DiagnosticList.h"

#include <sql.h>

// What every handle the driver gives out has: its kind and its diagnostic records. Live handles
// are registered, so that a handle the driver did not give out, or one already freed, or one of
// another kind is answered SQL_INVALID_HANDLE instead of being followed.
class OdbcHandle
{
public:
    enum class Kind { Environment, Connection, Statement };

    explicit OdbcHandle(Kind kind);
    virtual ~OdbcHandle();

    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    Kind kind() const { return m_kind; }
    DiagnosticList& diagnostics() { return m_diagnostics; }

    // The live handle of that kind behind `handle`, or null.
    static OdbcHandle* find(SQLHANDLE handle, Kind kind);
    // The ODBC handle type (SQL_HANDLE_ENV, ...) as a kind; false for any other number.
    static bool kindOf(SQLSMALLINT handleType, Kind* kind);

private:
    Kind m_kind;
    DiagnosticList m_diagnostics;
};
