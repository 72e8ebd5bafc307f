#pragma once

#include <QtGlobal>

// Stable error numbers of the program's own failures (listed in the README).
// The database layer reuses the numbers ADO gives the same situations, so a DBA
// who knows them recognises them; errors reported by a database driver carry the
// driver's own native number instead.
namespace ErrorNumber {

// Database access layer.
constexpr qint32 NoCurrentRecord = 3021; // read or move past the end of the rows
constexpr qint32 FieldNotFound = 3265; // no column of that name
constexpr qint32 ProviderNotFound = 3706; // the Provider= names no Qt SQL driver
constexpr qint32 InvalidConnectionString = 3709; // empty, or QODBC without Driver= or DSN=
constexpr qint32 DriverFailure = 3710; // a driver failed without a native error number
constexpr qint32 DriverNotInstalled = 3790; // Driver= names no ODBC driver installed (no ADO number)

// Profile library: numbers above vbObjectError, as a COM component raises them.
constexpr qint32 ProfileBase = -2147221504 + 512;
constexpr qint32 ProfileUnreadable = ProfileBase + 1;
constexpr qint32 ProfileTooLarge = ProfileBase + 2;
constexpr qint32 ProfileNotUtf8 = ProfileBase + 3;
constexpr qint32 ProfileSyntax = ProfileBase + 4; // a line not understood, a repeated key or section
constexpr qint32 ProfileUnknownKey = ProfileBase + 5;
constexpr qint32 ProfileNoVendorSection = ProfileBase + 6;
constexpr qint32 ProfileNoConnection = ProfileBase + 7;
constexpr qint32 ProfilePermissions = ProfileBase + 8; // password readable by others
constexpr qint32 ProfileNotLoaded = ProfileBase + 9; // GetConnectionString before LoadProfile
constexpr qint32 CredentialMissing = ProfileBase + 10; // Credencial= names nothing in the store
constexpr qint32 CredentialStoreUnavailable = ProfileBase + 11; // no Secret Service, or the store locked
constexpr qint32 CredentialStoreFailed = ProfileBase + 12; // the store refused, or holds no usable text
constexpr qint32 PasswordAndCredential = ProfileBase + 13; // a profile with both Password and Credencial
constexpr qint32 ProfileInUse = ProfileBase + 14; // another run of the same profile is under way

// The run's own failures that are not raised by a component.
constexpr qint32 Unexpected = -2147418113; // E_UNEXPECTED: a non-program exception

} // namespace ErrorNumber
