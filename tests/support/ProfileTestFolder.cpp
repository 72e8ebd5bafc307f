#include "ProfileTestFolder.h"

const QString ProfileTestFolder::Vendor = QStringLiteral("Corvath S.L.");

bool ProfileTestFolder::write(
    const QString& fileName, const QByteArray& contents, QFile::Permissions permissions) const
{
    QFile file(filePath(fileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (file.write(contents) != contents.size())
        return false;
    file.close();
    return file.setPermissions(permissions);
}
