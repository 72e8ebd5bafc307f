#pragma once

#include <QString>
#include <QStringList>

// The few things the database layer needs to know about an ODBC connection
// string: "key=value" pairs separated by ";", a value in braces may hold ";"
// and doubles its "}".
namespace OdbcConnectionString {

// The keys of the string's pairs, as written.
QStringList keys(const QString& connectionString);

// True when one of the pairs has this key (compared case-insensitively).
bool hasKey(const QString& connectionString, const QString& key);

// A value in braces, so that ";", "=" and "}" in it stay part of it.
QString braced(const QString& value);

// The value as it can be written after "key=": unchanged when it reads the same
// without braces, braced otherwise. Drivers are not bound to remove braces
// from every key (psqlODBC keeps them in a user name), so they are only used
// where they are needed.
QString value(const QString& value);

// What to give Qt's ODBC driver as its database name so that SQLDriverConnect
// receives exactly these pairs. Qt passes a string holding "DRIVER=" or
// "SERVER=" unchanged but puts "DSN=" in front of any other, so a string that
// names a data source is handed over with its "DSN=" pair moved to the front
// and its key left for Qt to add. (Qt reads any string containing ".dsn" as
// the name of a file data source; such a string cannot be passed through.)
QString forQtOdbcDriver(const QString& connectionString);

} // namespace OdbcConnectionString
