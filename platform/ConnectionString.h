#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The connection string, from the profile that writes it to the database layer
// that takes it apart: an optional leading "Provider=NAME;" naming the Qt SQL
// driver, then the driver's own "key=value" pairs separated by ";", where a
// value in braces may hold ";" and "=" and writes each of its "}" twice.
namespace ConnectionString {

// The Qt SQL driver used when the string names none: Qt's ODBC driver.
QString defaultProvider();

// "Provider=<provider>;<pairs>", then ";PWD={<password>}" when there is a
// password. The provider must be a provider name and the pairs must not name
// a provider themselves, or split() would not give them back.
QString join(const QString& provider, const QString& pairs, const QString& password);

struct Parts
{
    QString provider; // trimmed; defaultProvider() when the string names none
    QString pairs; // everything after "Provider=NAME;", unchanged
};

// Splits an optional leading "Provider=NAME;" off the string.
Parts split(const QString& connectionString);

// A name that can stand in "Provider=NAME;" and be read back whole: letters,
// digits and "_", nothing that would end or change the attribute.
bool isProviderName(QStringView name);

// True when the first pair's key is "Provider", which join() must not be given.
bool namesProvider(QStringView pairs);

// The keys of the pairs, as written.
QStringList keys(const QString& pairs);

// True when one of the pairs has this key (compared case-insensitively).
bool hasKey(const QString& pairs, const QString& key);

// True when the pairs give a password themselves: a PWD or Password attribute, whatever its value,
// as drivers read them (keys in any case, values in braces).
bool holdsPassword(const QString& pairs);

// A value in braces, so that ";", "=" and "}" in it stay part of it.
QString braced(const QString& value);

// The value of the first pair with this key (compared case-insensitively), as a driver reads it:
// trimmed, and without its braces ("{ti}}ger}" is "ti}ger"); empty when there is none.
QString valueOf(const QString& pairs, const QString& key);

// What to give Qt's ODBC driver as its database name so that SQLDriverConnect
// receives exactly these pairs. Qt passes a string holding "DRIVER=" or
// "SERVER=" unchanged but puts "DSN=" in front of any other, so a string that
// names a data source is handed over with its "DSN=" pair moved to the front
// and its key left for Qt to add. (Qt reads any string containing ".dsn" as
// the name of a file data source; such a string cannot be passed through.)
QString forQtOdbcDriver(const QString& pairs);

} // namespace ConnectionString
