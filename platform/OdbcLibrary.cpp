#include "OdbcLibrary.h"

#include <QLibrary>

namespace {

using GetDiagRecW = SQLRETURN(SQL_API*)(
    SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLWCHAR*, SQLINTEGER*, SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*);

struct Calls
{
    GetDiagRecW getDiagRecW = nullptr;
};

// The same library Qt's ODBC driver loads, so the handles it made are this manager's.
const Calls& calls()
{
    static const Calls resolved = [] {
#ifdef Q_OS_WIN
        QLibrary library(QStringLiteral("odbc32"));
#else
        QLibrary library(QStringLiteral("odbc"), 2);
#endif
        Calls c;
        if (library.load()) {
            c.getDiagRecW = reinterpret_cast<GetDiagRecW>(library.resolve("SQLGetDiagRecW"));
        }
        return c; // stays loaded: QLibrary unloads only when asked to
    }();
    return resolved;
}

} // namespace

namespace OdbcLibrary {

SQLRETURN getDiagRecW(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
    SQLINTEGER* native, SQLWCHAR* text, SQLSMALLINT capacity, SQLSMALLINT* length)
{
    const GetDiagRecW call = calls().getDiagRecW;
    return call ? call(handleType, handle, record, state, native, text, capacity, length)
                : SQL_INVALID_HANDLE;
}

} // namespace OdbcLibrary
