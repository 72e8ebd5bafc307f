#pragma once

#include <QString>

// The program's identity as the platform reports it: the folder of the
// executable and the values of the version information.
namespace ProgramIdentity {

QString applicationTitle();
QString companyName(); // the vendor name handed to the profile library
QString productName();
QString versionText(); // "1.00.0001"
QString programFolder();

} // namespace ProgramIdentity
