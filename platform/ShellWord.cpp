#include "ShellWord.h"

namespace ShellWord {

QString quoted(const QString& word)
{
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')
            || u == u'.' || u == u'_' || u == u'-' || u == u'+' || u == u',' || u == u'@' || u == u'%';
        if (!plain) {
            QString result = word;
            result.replace(u'\'', QStringLiteral("'\\''"));
            return u'\'' + result + u'\'';
        }
    }
    return word;
}

} // namespace ShellWord
