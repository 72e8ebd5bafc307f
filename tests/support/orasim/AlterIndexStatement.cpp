#include "AlterIndexStatement.h"

#include "OraError.h"
#include "OracleReservedWords.h"
#include "SqlLexer.h"

namespace {

bool isReservedWord(const SqlToken& token)
{
    const QByteArray word = token.text.toLatin1();
    return token.kind == SqlToken::Kind::Word
        && OracleReservedWords::contains(std::string_view(word.constData(), size_t(word.size())));
}

} // namespace

std::optional<AlterIndexStatement> AlterIndexStatement::parse(const QString& sql)
{
    std::optional<SqlTokens> tokens = SqlTokens::read(sql);
    if (!tokens || !tokens->acceptKeyword("ALTER") || !tokens->acceptKeyword("INDEX")
        || !tokens->peek().isName())
        return std::nullopt;
    AlterIndexStatement statement;
    if (isReservedWord(tokens->peek()))
        statement.invalidName = OraError::InvalidIndexName;
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
        if (isReservedWord(tokens->peek()) && !statement.invalidName)
            statement.invalidName = OraError::InvalidPartitionName;
        statement.partitionName = tokens->next().text;
    }
    statement.online = tokens->acceptKeyword("ONLINE");
    if (!tokens->atEnd())
        return std::nullopt;
    return statement;
}
