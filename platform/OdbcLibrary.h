#pragma once

#include <QStringList>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>

#include <optional>

// The calls the layer makes to the ODBC driver manager itself, beside Qt's ODBC driver: the
// manager is loaded when the first connection is opened (Qt's driver loads it), not at every start
// of the program. Without one they fail as a call on a bad handle does.
namespace OdbcLibrary {

SQLRETURN getDiagRecW(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
    SQLINTEGER* native, SQLWCHAR* text, SQLSMALLINT capacity, SQLSMALLINT* length);

// The names of the ODBC drivers the driver manager knows for this program's bitness (SQLDrivers), in
// its order; nothing when there is no driver manager to ask.
std::optional<QStringList> installedDrivers();

} // namespace OdbcLibrary
