#pragma once

#include <QString>

#include <optional>

// ALTER INDEX <name> REBUILD [ONLINE], the one statement the server runs per index.
struct AlterIndexStatement
{
    QString indexName; // resolved: unquoted names upper-cased, quoted names exact
    bool online = false;

    // No value when the text is not exactly that statement (the server then answers ORA-00900).
    static std::optional<AlterIndexStatement> parse(const QString& sql);
};
