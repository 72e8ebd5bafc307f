#pragma once

#include <QString>

#include <optional>

// ALTER INDEX <name> REBUILD [PARTITION <name> | SUBPARTITION <name>] [ONLINE], the statement the
// server runs for an index, or for one partition or subpartition of it.
struct AlterIndexStatement
{
    enum class Target { Index, Partition, Subpartition };

    QString indexName; // resolved: unquoted names upper-cased, quoted names exact
    Target target = Target::Index;
    QString partitionName; // the partition or subpartition, resolved; empty for the whole index
    bool online = false;
    // Where a name belongs the statement holds a word Oracle reserves, unquoted, which is no name:
    // the ORA error the server answers before looking at anything else.
    std::optional<int> invalidName;

    // No value when the text is not exactly that statement (the server then answers ORA-00900).
    static std::optional<AlterIndexStatement> parse(const QString& sql);
};
