#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>

// The calls the layer makes to the ODBC driver manager itself, beside Qt's ODBC driver: the
// manager is loaded when the first connection is opened (Qt's driver loads it), not at every start
// of the program. Without one they fail as a call on a bad handle does.
namespace OdbcLibrary {

SQLRETURN getDiagRecW(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
    SQLINTEGER* native, SQLWCHAR* text, SQLSMALLINT capacity, SQLSMALLINT* length);

} // namespace OdbcLibrary
