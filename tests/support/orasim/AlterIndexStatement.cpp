#include "AlterIndexStatement.h"

#include "SqlPattern.h"

#include <QRegularExpression>

std::optional<AlterIndexStatement> AlterIndexStatement::parse(const QString& sql)
{
    using namespace SqlPattern;
    static const QRegularExpression statement(QStringLiteral("^\\s*") + keyword("ALTER")
            + QStringLiteral("\\s*") + keyword("INDEX") + QStringLiteral("\\s*") + name()
            + QStringLiteral("\\s*") + keyword("REBUILD") + QStringLiteral("(\\s*") + keyword("ONLINE")
            + QStringLiteral(")?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = statement.match(sql);
    if (!match.hasMatch())
        return std::nullopt;
    return AlterIndexStatement {resolvedName(match.captured(1)), match.hasCaptured(2)};
}
