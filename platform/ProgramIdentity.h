#pragma once

#include <QString>

// The program's identity as the platform reports it: the folder of the
// executable and the values of the version information.
namespace ProgramIdentity {

QString applicationTitle();
// The vendor name handed to the profile library. On Windows it is read from the
// executable's own version information (CompanyName of the 0C0A04B0 string
// table) at every call and raises TarvelinError when that cannot be read or has
// no such entry; elsewhere it is the value compiled in.
QString companyName();
QString productName();
QString versionText(); // "1.00.0001"
QString programFolder();

} // namespace ProgramIdentity
