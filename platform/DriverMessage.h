#pragma once

#include <QString>

// Turns the text a database driver reports into the description of an error.
namespace DriverMessage {

// Removes the leading component prefixes ODBC puts before a message, one
// bracketed name per layer ("[Oracle][ODBC][Ora]ORA-00439: ..." gives
// "ORA-00439: ..."), and the white space that separates them from the text;
// trims trailing white space. Everything else is kept as the driver wrote it.
QString withoutPrefixes(const QString& text);

// Qt joins every diagnostic record of a failed ODBC call into one text,
// separated by spaces, and keeps the native number of the last record only.
// Returns that last record, so that the text and the number shown together
// belong to one record: the text from where the last record starts with its
// own component prefixes ("... [Oracle][ODBC][Ora]ORA-01017: ..."). A text
// with one record is returned whole.
QString lastRecord(const QString& joined);

} // namespace DriverMessage
