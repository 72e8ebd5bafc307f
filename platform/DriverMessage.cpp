#include "DriverMessage.h"

namespace {

// Length of the "[name]" group that starts at `from`, or 0 when there is none.
qsizetype prefixGroupLength(const QString& text, qsizetype from)
{
    if (from >= text.size() || text.at(from) != u'[')
        return 0;
    for (qsizetype i = from + 1; i < text.size(); ++i) {
        if (text.at(i) == u']')
            return i > from + 1 ? i - from + 1 : 0;
        if (text.at(i) == u'[')
            return 0;
    }
    return 0;
}

// Length of the run of adjacent "[name]" groups that starts at `from`.
qsizetype prefixRunLength(const QString& text, qsizetype from, int* groups)
{
    qsizetype at = from;
    int count = 0;
    while (const qsizetype length = prefixGroupLength(text, at)) {
        at += length;
        ++count;
    }
    if (groups)
        *groups = count;
    return at - from;
}

} // namespace

namespace DriverMessage {

QString withoutPrefixes(const QString& text)
{
    qsizetype start = prefixRunLength(text, 0, nullptr);
    // Some driver managers put a space between their prefixes and the text.
    if (start > 0) {
        while (start < text.size() && text.at(start).isSpace())
            ++start;
    }
    qsizetype end = text.size();
    while (end > start && text.at(end - 1).isSpace())
        --end;
    return text.mid(start, end - start);
}

QString lastRecord(const QString& joined)
{
    // A record boundary is a space followed by at least two adjacent prefix
    // groups: every driver manager and driver names at least vendor and
    // component, while a single "[...]" further on is part of a message.
    for (qsizetype i = joined.size() - 1; i > 0; --i) {
        if (joined.at(i) != u'[' || !joined.at(i - 1).isSpace())
            continue;
        int groups = 0;
        prefixRunLength(joined, i, &groups);
        if (groups >= 2)
            return joined.mid(i);
    }
    return joined;
}

} // namespace DriverMessage
