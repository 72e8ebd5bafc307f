#pragma once

#include <QString>

#include <sql.h>

// Text across the ODBC boundary: UTF-8 in the narrow calls, UTF-16 in the wide ("W") ones.
namespace OdbcText {

// Text the application passed in. `length` counts bytes (narrow) or UTF-16 units (wide), or is
// SQL_NTS for a terminated string; the text ends at a terminator within the length.
QString in(const SQLCHAR* text, SQLINTEGER length);
QString in(const SQLWCHAR* text, SQLINTEGER length);

struct Copied
{
    qsizetype length = 0; // of the whole text, in the buffer's units
    bool truncated = false;
};

// Writes text into the application's buffer and terminates it, cut short (never inside a
// character) when it does not fit. `capacity` counts the buffer's units: bytes when narrow,
// UTF-16 units when wide. A null buffer only learns the length.
Copied toBuffer(const QString& text, bool wide, void* buffer, qsizetype capacity);

// Copies `count` units of `units` (bytes or UTF-16 units) and a terminator into buffer.
void writeTerminated(const void* units, qsizetype count, bool wide, void* buffer);

// The longest prefix of `available` units from `from` that does not split a character.
qsizetype wholeCharacters(const QByteArray& utf8, qsizetype from, qsizetype available);
qsizetype wholeCharacters(const QString& utf16, qsizetype from, qsizetype available);

} // namespace OdbcText
