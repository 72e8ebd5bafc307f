#include "SqlPattern.h"

namespace {

// Words are ASCII: a letter, then letters, digits, _ $ #; nothing of a word may touch another.
const QString wordStart = QStringLiteral("(?<![A-Za-z0-9_$#])");
const QString wordEnd = QStringLiteral("(?![A-Za-z0-9_$#])");

} // namespace

namespace SqlPattern {

QString keyword(const char* word)
{
    return wordStart + QLatin1String(word) + wordEnd;
}

QString name()
{
    return QStringLiteral("(\"(?:[^\"]|\"\")+\"|") + wordStart + QStringLiteral("[A-Za-z][A-Za-z0-9_$#]*")
        + wordEnd + u')';
}

QString dictionaryName(const char* upperCase)
{
    return QStringLiteral("(?:") + keyword(upperCase) + QStringLiteral("|(?-i:\"") + QLatin1String(upperCase)
        + QStringLiteral("\"))");
}

QString literal()
{
    return QStringLiteral("'((?:[^']|'')*)'");
}

QString resolvedName(const QString& captured)
{
    if (captured.startsWith(u'"'))
        return captured.mid(1, captured.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    // Words hold ASCII only, so ASCII upper-casing is the whole rule.
    QString upper = captured;
    for (QChar& c : upper) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return upper;
}

QString literalText(const QString& captured)
{
    return QString(captured).replace(QStringLiteral("''"), QStringLiteral("'"));
}

} // namespace SqlPattern
