#pragma once

#include <QString>

#include <sql.h>

#include <optional>
#include <variant>

// What the driver says about itself: SQLGetInfo's answers and the functions it implements.
namespace DriverInfo {

using Value = std::variant<QString, SQLUSMALLINT, SQLUINTEGER>;

// The answer for one information type; nothing for a type the driver does not answer.
std::optional<Value> value(SQLUSMALLINT infoType, const QString& dataSource, const QString& user);

// SQLGetFunctions for one function (SQL_API_SQLFETCH, ...) or for all at once
// (SQL_API_ODBC3_ALL_FUNCTIONS: a bitmap; SQL_API_ALL_FUNCTIONS: 100 flags).
void functions(SQLUSMALLINT functionId, SQLUSMALLINT* supported);

} // namespace DriverInfo
