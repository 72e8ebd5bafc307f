#include "DictionaryQuery.h"

#include "SqlTokenizer.h"
#include "TokenCursor.h"

namespace {

const QString columnName = QStringLiteral("INDEX_NAME");

bool takeColumn(TokenCursor& cursor)
{
    return cursor.takeName() == columnName;
}

std::optional<DictionaryQuery::Filter> takeFilter(TokenCursor& cursor)
{
    DictionaryQuery::Filter filter;
    filter.negated = cursor.takeKeyword("NOT");
    if (!takeColumn(cursor))
        return std::nullopt;
    if (!filter.negated)
        filter.negated = cursor.takeKeyword("NOT");
    if (!cursor.takeKeyword("LIKE"))
        return std::nullopt;
    const std::optional<QString> pattern = cursor.takeStringLiteral();
    if (!pattern)
        return std::nullopt;
    filter.pattern = *pattern;
    if (cursor.takeKeyword("ESCAPE")) {
        filter.escape = cursor.takeStringLiteral();
        if (!filter.escape)
            return std::nullopt;
    }
    return filter;
}

} // namespace

std::optional<DictionaryQuery> DictionaryQuery::parse(const QString& sql)
{
    auto tokens = SqlTokenizer::tokenize(sql);
    if (!tokens)
        return std::nullopt;
    TokenCursor cursor(std::move(*tokens));
    if (!cursor.takeKeyword("SELECT") || !takeColumn(cursor) || !cursor.takeKeyword("FROM")
        || cursor.takeName() != QStringLiteral("USER_INDEXES"))
        return std::nullopt;

    DictionaryQuery query;
    if (cursor.takeKeyword("WHERE")) {
        query.filter = takeFilter(cursor);
        if (!query.filter)
            return std::nullopt;
    }
    if (cursor.takeKeyword("ORDER")) {
        if (!cursor.takeKeyword("BY"))
            return std::nullopt;
        // Position 1 and the column's own name both mean the one selected column.
        if (cursor.takeNumber() != QStringLiteral("1") && !takeColumn(cursor))
            return std::nullopt;
        query.ordered = true;
    }
    if (!cursor.atEnd())
        return std::nullopt;
    return query;
}
