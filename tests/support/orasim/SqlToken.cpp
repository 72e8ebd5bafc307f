#include "SqlToken.h"

bool SqlToken::isKeyword(const char* keyword) const
{
    return kind == Kind::Word && text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

QString SqlToken::resolvedName() const
{
    if (kind != Kind::Word)
        return text;
    // Words hold ASCII only, so ASCII upper-casing is the whole rule.
    QString upper = text;
    for (QChar& c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return upper;
}
