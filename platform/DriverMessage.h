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
// separated by spaces. Returns the first record: the text up to where a new
// record starts with its own component prefixes ("... [unixODBC][Driver
// Manager]..."). A text with one record is returned whole.
QString firstRecord(const QString& joined);

} // namespace DriverMessage
