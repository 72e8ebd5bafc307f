#include "DictionaryQuery.h"

#include "SqlPattern.h"

#include <QRegularExpression>

std::optional<DictionaryQuery> DictionaryQuery::parse(const QString& sql)
{
    using namespace SqlPattern;
    static const QString s = QStringLiteral("\\s*");
    static const QString column = dictionaryName("INDEX_NAME");
    static const QRegularExpression query(QStringLiteral("^") + s + keyword("SELECT") + s + column + s
            + keyword("FROM") + s
            + dictionaryName("USER_INDEXES")
            // WHERE [NOT] index_name [NOT] LIKE '<pattern>' [ESCAPE '<c>']
            + QStringLiteral("(") + s + keyword("WHERE") + s + QStringLiteral("(") + keyword("NOT")
            + QStringLiteral(")?") + s + column + s + QStringLiteral("(") + keyword("NOT")
            + QStringLiteral(")?") + s + keyword("LIKE") + s + literal() + QStringLiteral("(") + s
            + keyword("ESCAPE") + s + literal()
            + QStringLiteral(")?)?")
            // ORDER BY 1 | ORDER BY index_name
            + QStringLiteral("(") + s + keyword("ORDER") + s + keyword("BY") + s + QStringLiteral("(?:1|")
            + column + QStringLiteral("))?") + s + QStringLiteral("$"),
        QRegularExpression::CaseInsensitiveOption);

    const QRegularExpressionMatch match = query.match(sql);
    // NOT on both sides of the column is no query the server knows.
    if (!match.hasMatch() || (match.hasCaptured(2) && match.hasCaptured(3)))
        return std::nullopt;
    DictionaryQuery result;
    if (match.hasCaptured(1)) {
        Filter filter;
        filter.negated = match.hasCaptured(2) || match.hasCaptured(3);
        filter.pattern = literalText(match.captured(4));
        if (match.hasCaptured(5))
            filter.escape = literalText(match.captured(6));
        result.filter = filter;
    }
    result.ordered = match.hasCaptured(7);
    return result;
}
