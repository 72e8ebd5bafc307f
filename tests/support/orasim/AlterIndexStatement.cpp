#include "AlterIndexStatement.h"

#include "SqlTokenizer.h"
#include "TokenCursor.h"

std::optional<AlterIndexStatement> AlterIndexStatement::parse(const QString& sql)
{
    auto tokens = SqlTokenizer::tokenize(sql);
    if (!tokens)
        return std::nullopt;
    TokenCursor cursor(std::move(*tokens));
    if (!cursor.takeKeyword("ALTER") || !cursor.takeKeyword("INDEX"))
        return std::nullopt;
    const std::optional<QString> name = cursor.takeName();
    // A zero-length quoted name is no name at all.
    if (!name || name->isEmpty() || !cursor.takeKeyword("REBUILD"))
        return std::nullopt;
    AlterIndexStatement statement;
    statement.indexName = *name;
    statement.online = cursor.takeKeyword("ONLINE");
    if (!cursor.atEnd())
        return std::nullopt;
    return statement;
}
