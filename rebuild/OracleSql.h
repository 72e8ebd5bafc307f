#pragma once

#include <QString>

// The SQL a run sends to Oracle.
namespace OracleSql {

// The schema's own indexes in name order. The "_" of "SYS_" is escaped: as a
// bare LIKE wildcard it would also skip SYSTEM_X_IDX and every other name that
// merely starts with "SYS".
QString indexListQuery();

// "ALTER INDEX <name> REBUILD<suffix>". A name that is not a plain identifier
// (lower case, spaces, quotes...) is written quoted, as Oracle stores it, so it
// can neither fail the statement nor change its meaning.
QString rebuildStatement(const QString& indexName, const QString& onlineSuffix);

// The name as it must appear in a statement to denote exactly indexName.
QString identifier(const QString& indexName);

} // namespace OracleSql
