#include "OdbcText.h"

#include <cstring>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls speak UTF-16");

namespace OdbcText {

// Up to the first terminator within `length` (SQL_NTS: no limit). Qt's ODBC driver as Debian
// builds it counts the terminator in the lengths it passes.
template <typename Unit> qsizetype usedLength(const Unit* text, SQLINTEGER length)
{
    qsizetype used = 0;
    while ((length == SQL_NTS || used < length) && text[used] != 0)
        ++used;
    return used;
}

QString in(const SQLCHAR* text, SQLINTEGER length)
{
    if (!text)
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char*>(text), usedLength(text, length));
}

QString in(const SQLWCHAR* text, SQLINTEGER length)
{
    if (!text)
        return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), usedLength(text, length));
}

qsizetype wholeCharacters(const QByteArray& utf8, qsizetype from, qsizetype available)
{
    qsizetype end = from + available;
    if (end >= utf8.size())
        return utf8.size() - from;
    // Step back over continuation bytes (10xxxxxx) to the start of the character that would split.
    while (end > from && (static_cast<unsigned char>(utf8.at(end)) & 0xC0) == 0x80)
        --end;
    return end - from;
}

qsizetype wholeCharacters(const QString& utf16, qsizetype from, qsizetype available)
{
    qsizetype end = from + available;
    if (end >= utf16.size())
        return utf16.size() - from;
    if (end > from && utf16.at(end).isLowSurrogate())
        --end;
    return end - from;
}

void writeTerminated(const void* units, qsizetype count, bool wide, void* buffer)
{
    const qsizetype unitSize = wide ? qsizetype(sizeof(SQLWCHAR)) : 1;
    std::memcpy(buffer, units, static_cast<std::size_t>(count * unitSize));
    if (wide)
        static_cast<SQLWCHAR*>(buffer)[count] = 0;
    else
        static_cast<char*>(buffer)[count] = 0;
}

Copied toBuffer(const QString& text, bool wide, void* buffer, qsizetype capacity)
{
    Copied copied;
    if (wide) {
        copied.length = text.size();
        if (!buffer || capacity <= 0) {
            copied.truncated = buffer && copied.length > 0;
            return copied;
        }
        const qsizetype fits = wholeCharacters(text, 0, capacity - 1);
        writeTerminated(text.utf16(), fits, true, buffer);
        copied.truncated = fits < copied.length;
        return copied;
    }
    const QByteArray utf8 = text.toUtf8();
    copied.length = utf8.size();
    if (!buffer || capacity <= 0) {
        copied.truncated = buffer && copied.length > 0;
        return copied;
    }
    const qsizetype fits = wholeCharacters(utf8, 0, capacity - 1);
    writeTerminated(utf8.constData(), fits, false, buffer);
    copied.truncated = fits < copied.length;
    return copied;
}

} // namespace OdbcText
