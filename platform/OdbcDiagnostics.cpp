#include "OdbcDiagnostics.h"

#include "OdbcLibrary.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <limits>
#include <vector>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls must speak UTF-16");

namespace {

SQLSMALLINT odbcHandleType(OdbcDiagnostics::HandleType type)
{
    switch (type) {
    case OdbcDiagnostics::HandleType::Environment:
        return SQL_HANDLE_ENV;
    case OdbcDiagnostics::HandleType::Connection:
        return SQL_HANDLE_DBC;
    case OdbcDiagnostics::HandleType::Statement:
        break;
    }
    return SQL_HANDLE_STMT;
}

// Drivers are not consistent about terminating or counting: stop at the first
// terminator within the given length.
QString fromSqlWChar(const SQLWCHAR* text, qsizetype length)
{
    qsizetype used = 0;
    while (used < length && text[used] != 0)
        ++used;
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), used);
}

} // namespace

namespace OdbcDiagnostics {

std::optional<OdbcDiagnostic> first(HandleType type, void* handle)
{
    if (!handle)
        return std::nullopt;
    const SQLSMALLINT handleType = odbcHandleType(type);
    SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::vector<SQLWCHAR> text(SQL_MAX_MESSAGE_LENGTH);
    SQLRETURN r = OdbcLibrary::getDiagRecW(
        handleType, handle, 1, state, &native, text.data(), static_cast<SQLSMALLINT>(text.size()), &length);
    // A longer message than the usual maximum: ask again with room for all of it.
    if (r == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())
        && length < std::numeric_limits<SQLSMALLINT>::max()) {
        text.resize(static_cast<std::size_t>(length) + 1);
        r = OdbcLibrary::getDiagRecW(handleType, handle, 1, state, &native, text.data(),
            static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!SQL_SUCCEEDED(r))
        return std::nullopt;
    const qsizetype textLength = qBound(qsizetype(0), qsizetype(length), qsizetype(text.size()) - 1);
    OdbcDiagnostic record;
    record.sqlState = fromSqlWChar(state, SQL_SQLSTATE_SIZE);
    record.nativeCode = native;
    record.text = fromSqlWChar(text.data(), textLength);
    return record;
}

} // namespace OdbcDiagnostics
