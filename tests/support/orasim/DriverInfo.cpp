#include "DriverInfo.h"

#include <sqlext.h>

#include <algorithm>
#include <iterator>

namespace {

// Everything the driver exports. SQLColumns and SQLTables are among them only to answer "not
// supported" with a diagnostic record: Qt's ODBC driver refuses a driver that lacks them.
const SQLUSMALLINT implemented[] = {SQL_API_SQLALLOCHANDLE, SQL_API_SQLCLOSECURSOR, SQL_API_SQLCOLATTRIBUTE,
    SQL_API_SQLCOLUMNS, SQL_API_SQLDESCRIBECOL, SQL_API_SQLDISCONNECT, SQL_API_SQLDRIVERCONNECT,
    SQL_API_SQLENDTRAN, SQL_API_SQLEXECDIRECT, SQL_API_SQLEXECUTE, SQL_API_SQLFETCH, SQL_API_SQLFETCHSCROLL,
    SQL_API_SQLFREEHANDLE, SQL_API_SQLFREESTMT, SQL_API_SQLGETCONNECTATTR, SQL_API_SQLGETDATA,
    SQL_API_SQLGETDIAGFIELD, SQL_API_SQLGETDIAGREC, SQL_API_SQLGETENVATTR, SQL_API_SQLGETFUNCTIONS,
    SQL_API_SQLGETINFO, SQL_API_SQLGETSTMTATTR, SQL_API_SQLMORERESULTS, SQL_API_SQLNUMRESULTCOLS,
    SQL_API_SQLPREPARE, SQL_API_SQLROWCOUNT, SQL_API_SQLSETCONNECTATTR, SQL_API_SQLSETENVATTR,
    SQL_API_SQLSETSTMTATTR, SQL_API_SQLTABLES};

bool isImplemented(SQLUSMALLINT functionId)
{
    return std::find(std::begin(implemented), std::end(implemented), functionId) != std::end(implemented);
}

// Conversions from the character types to the wide ones: Qt's ODBC driver reads text as UTF-16
// only when the driver offers one of them.
constexpr SQLUINTEGER characterConversions = SQL_CVT_CHAR | SQL_CVT_VARCHAR | SQL_CVT_LONGVARCHAR
    | SQL_CVT_WCHAR | SQL_CVT_WVARCHAR | SQL_CVT_WLONGVARCHAR;

} // namespace

namespace DriverInfo {

std::optional<Value> value(SQLUSMALLINT infoType, const QString& dataSource, const QString& user)
{
    switch (infoType) {
    case SQL_DRIVER_NAME:
        return QStringLiteral("liborasimodbc.so");
    case SQL_DRIVER_VER:
        return QStringLiteral("01.00.0000");
    case SQL_DRIVER_ODBC_VER:
        return QStringLiteral("03.52");
    case SQL_DBMS_NAME:
        return QStringLiteral("Oracle");
    case SQL_DBMS_VER:
        return QStringLiteral("19.00.0000 Oracle Database 19c (simulado)");
    case SQL_DATA_SOURCE_NAME:
        return dataSource;
    case SQL_USER_NAME:
        return user;
    case SQL_IDENTIFIER_QUOTE_CHAR:
        return QStringLiteral("\"");
    case SQL_XOPEN_CLI_YEAR:
        return QStringLiteral("1995");
    case SQL_MULT_RESULT_SETS:
        return QStringLiteral("N");
    case SQL_IDENTIFIER_CASE:
        return SQLUSMALLINT(SQL_IC_UPPER);
    case SQL_TXN_CAPABLE:
        return SQLUSMALLINT(SQL_TC_DDL_COMMIT);
    case SQL_MAX_CONCURRENT_ACTIVITIES:
    case SQL_MAX_DRIVER_CONNECTIONS:
        return SQLUSMALLINT(0);
    case SQL_CONVERT_CHAR:
    case SQL_CONVERT_VARCHAR:
    case SQL_CONVERT_LONGVARCHAR:
        return characterConversions;
    case SQL_SCHEMA_USAGE:
        return SQLUINTEGER(SQL_SU_DML_STATEMENTS | SQL_SU_TABLE_DEFINITION | SQL_SU_INDEX_DEFINITION
            | SQL_SU_PRIVILEGE_DEFINITION | SQL_SU_PROCEDURE_INVOCATION);
    case SQL_STATIC_CURSOR_ATTRIBUTES1:
        return SQLUINTEGER(0);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
        return SQLUINTEGER(SQL_CA1_NEXT);
    case SQL_SCROLL_OPTIONS:
        return SQLUINTEGER(SQL_SO_FORWARD_ONLY);
    case SQL_GETDATA_EXTENSIONS:
        return SQLUINTEGER(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER);
    default:
        return std::nullopt;
    }
}

void functions(SQLUSMALLINT functionId, SQLUSMALLINT* supported)
{
    if (functionId == SQL_API_ODBC3_ALL_FUNCTIONS) {
        std::fill(supported, supported + SQL_API_ODBC3_ALL_FUNCTIONS_SIZE, SQLUSMALLINT(0));
        for (const SQLUSMALLINT id : implemented)
            supported[id >> 4] |= SQLUSMALLINT(1u << (id & 0x000F));
        return;
    }
    if (functionId == SQL_API_ALL_FUNCTIONS) {
        for (SQLUSMALLINT id = 0; id < 100; ++id)
            supported[id] = isImplemented(id) ? SQL_TRUE : SQL_FALSE;
        return;
    }
    *supported = isImplemented(functionId) ? SQL_TRUE : SQL_FALSE;
}

} // namespace DriverInfo
