#include "AlterIndexStatement.h"

#include "SqlLexer.h"

std::optional<AlterIndexStatement> AlterIndexStatement::parse(const QString& sql)
{
    std::optional<SqlTokens> tokens = SqlTokens::read(sql);
    if (!tokens || !tokens->acceptKeyword("ALTER") || !tokens->acceptKeyword("INDEX")
        || !tokens->peek().isName())
        return std::nullopt;
    AlterIndexStatement statement;
    statement.indexName = tokens->next().text;
    if (!tokens->acceptKeyword("REBUILD"))
        return std::nullopt;
    if (tokens->acceptKeyword("PARTITION"))
        statement.target = Target::Partition;
    else if (tokens->acceptKeyword("SUBPARTITION"))
        statement.target = Target::Subpartition;
    if (statement.target != Target::Index) {
        if (!tokens->peek().isName())
            return std::nullopt;
        statement.partitionName = tokens->next().text;
    }
    statement.online = tokens->acceptKeyword("ONLINE");
    if (!tokens->atEnd())
        return std::nullopt;
    return statement;
}
