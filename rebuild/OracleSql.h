#pragma once

#include <QString>

// The SQL a run sends to Oracle.
namespace OracleSql {

// What one rebuild statement rebuilds: a whole index, one partition of a partitioned index, or
// one subpartition of a composite-partitioned one.
struct RebuildTarget
{
    QString index;
    QString partition; // empty for a whole index
    QString subpartition; // empty unless the index is composite-partitioned

    // The partition or subpartition the statement names; empty for a whole index.
    const QString& part() const { return subpartition.isEmpty() ? partition : subpartition; }
};

// One row per rebuild statement, in the order to send them: columns index_name, partition_name
// and subpartition_name. Indexes come in name order; a partitioned index as its partitions (a
// composite one as its subpartitions) in position order, since Oracle cannot rebuild it as a
// whole (ORA-14086, ORA-14287). Left out are what no ALTER INDEX can rebuild: indexes of dropped
// tables still in the recycle bin (ORA-38301), of temporary tables (ORA-14456), the primary-key
// indexes of index-organized tables (ORA-28650) and LOB indexes (ORA-22864); and the names
// starting "SYS_", which Oracle gives the indexes it creates itself. That "_" is escaped: as a
// bare LIKE wildcard it would also skip SYSTEM_X_IDX and every other name that merely starts
// with "SYS".
QString indexListQuery();

// "ALTER INDEX <name> REBUILD[ PARTITION <p> | SUBPARTITION <s>]<suffix>". A name that is not a
// plain identifier (lower case, spaces, quotes...) or that is a word Oracle reserves ("DATE",
// "LEVEL"...) is written quoted, as Oracle stores it, so it can neither fail the statement nor
// change its meaning.
QString rebuildStatement(const RebuildTarget& target, const QString& onlineSuffix);

// "ALTER SESSION SET DDL_LOCK_TIMEOUT = <seconds>": how long a rebuild without ONLINE waits for a
// table's lock before it fails with ORA-00054 (Oracle's default: not at all).
QString lockWaitStatement(int seconds);

// The name as it must appear in a statement to denote exactly that name.
QString identifier(const QString& name);

} // namespace OracleSql
