#include "ProgramIdentity.h"

#include "ProgramIdentityValues.h"

#include <QCoreApplication>

namespace ProgramIdentity {

QString applicationTitle() { return QStringLiteral(TARVELIN_APPLICATION_TITLE); }

QString companyName() { return QStringLiteral(TARVELIN_COMPANY_NAME); }

QString productName() { return QStringLiteral(TARVELIN_PRODUCT_NAME); }

QString versionText() { return QStringLiteral(TARVELIN_VERSION_TEXT); }

QString programFolder() { return QCoreApplication::applicationDirPath(); }

} // namespace ProgramIdentity
