#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// One diagnostic record of an ODBC handle.
struct OdbcDiagnostic
{
    QString sqlState;
    qint32 nativeCode = 0;
    QString text; // as the driver wrote it, prefixes included
};

// Reads diagnostics straight from ODBC handles. Qt joins every record into one
// text and keeps the last record's native code; the first record is the one
// that names the failure (Oracle's driver puts the ORA error there).
namespace OdbcDiagnostics {

enum class HandleType { Environment, Connection, Statement };

// The first diagnostic record of `handle` (an SQLHENV, SQLHDBC or SQLHSTMT of
// the given type), or nothing when the handle is null or holds no record.
std::optional<OdbcDiagnostic> first(HandleType type, void* handle);

} // namespace OdbcDiagnostics
