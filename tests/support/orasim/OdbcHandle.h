#pragma once

#include "DiagnosticList.h"

#include <sql.h>

// What every handle the driver gives out has: its kind and its diagnostic records. Live handles
// are registered, so that a handle the driver did not give out, one already freed or one of
// another kind is answered SQL_INVALID_HANDLE instead of being followed.
class OdbcHandle
{
public:
    enum class Kind { Environment, Connection, Statement };

    explicit OdbcHandle(Kind kind);
    virtual ~OdbcHandle();

    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    DiagnosticList& diagnostics() { return m_diagnostics; }
    // Posts the standard record of an SQLSTATE ("HYC00", ...) and returns SQL_ERROR.
    SQLRETURN fail(const char* sqlState)
    {
        m_diagnostics.addStandard(sqlState);
        return SQL_ERROR;
    }

    // Writes text into the application's buffer and its length into *length, both counted in
    // bytes or in characters; a text cut short is SQL_SUCCESS_WITH_INFO with a 01004 record.
    SQLRETURN answer(const QString& text, bool wide, SQLPOINTER buffer, SQLSMALLINT bufferLength,
        bool inBytes, SQLSMALLINT* length);

    // The live handle of that kind behind `handle`, or null. SQL_HANDLE_ENV, _DBC and _STMT name
    // the kinds; any other handle type finds nothing.
    static OdbcHandle* find(SQLHANDLE handle, Kind kind);
    static OdbcHandle* find(SQLHANDLE handle, SQLSMALLINT handleType);
    template <typename T> static T* find(SQLHANDLE handle)
    {
        return static_cast<T*>(find(handle, T::handleKind));
    }

private:
    Kind m_kind;
    DiagnosticList m_diagnostics;
};
