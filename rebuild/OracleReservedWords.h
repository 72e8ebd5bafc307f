#pragma once

#include <algorithm>
#include <iterator>
#include <string_view>

// The words Oracle reserves in SQL: as a plain (unquoted) name each is no name, and a statement
// that uses one where a name belongs fails (ORA-00953 for an index name). Taken from "Oracle SQL
// Reserved Words" in the Oracle Database SQL Language Reference (11.2 to 19c, the same list); a
// server gives its own in V$RESERVED_WORDS (RESERVED = 'Y'). The list is kept whole, since quoting
// a word that some release does not reserve changes nothing: the quoted upper-case name is the
// same name. Header only, without Qt, so that the simulated server reads the same list.
namespace OracleReservedWords {

// Sorted, so that contains() can search it.
inline constexpr std::string_view words[] = {"ACCESS", "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC",
    "AUDIT", "BETWEEN", "BY", "CHAR", "CHECK", "CLUSTER", "COLUMN", "COLUMN_VALUE", "COMMENT", "COMPRESS",
    "CONNECT", "CREATE", "CURRENT", "DATE", "DECIMAL", "DEFAULT", "DELETE", "DESC", "DISTINCT", "DROP",
    "ELSE", "EXCLUSIVE", "EXISTS", "FILE", "FLOAT", "FOR", "FROM", "GRANT", "GROUP", "HAVING", "IDENTIFIED",
    "IMMEDIATE", "IN", "INCREMENT", "INDEX", "INITIAL", "INSERT", "INTEGER", "INTERSECT", "INTO", "IS",
    "LEVEL", "LIKE", "LOCK", "LONG", "MAXEXTENTS", "MINUS", "MLSLABEL", "MODE", "MODIFY", "NESTED_TABLE_ID",
    "NOAUDIT", "NOCOMPRESS", "NOT", "NOWAIT", "NULL", "NUMBER", "OF", "OFFLINE", "ON", "ONLINE", "OPTION",
    "OR", "ORDER", "PCTFREE", "PRIOR", "PRIVILEGES", "PUBLIC", "RAW", "RENAME", "RESOURCE", "REVOKE", "ROW",
    "ROWID", "ROWNUM", "ROWS", "SELECT", "SESSION", "SET", "SHARE", "SIZE", "SMALLINT", "START", "SUCCESSFUL",
    "SYNONYM", "SYSDATE", "TABLE", "THEN", "TO", "TRIGGER", "UID", "UNION", "UNIQUE", "UPDATE", "USER",
    "VALIDATE", "VALUES", "VARCHAR", "VARCHAR2", "VIEW", "WHENEVER", "WHERE", "WITH"};

static_assert(std::is_sorted(std::begin(words), std::end(words)));

// The word as written, in upper case: reserved words are reserved in any case, and a name that
// resolves to one is upper case.
constexpr bool contains(std::string_view upperCaseWord)
{
    return std::binary_search(std::begin(words), std::end(words), upperCaseWord);
}

} // namespace OracleReservedWords
