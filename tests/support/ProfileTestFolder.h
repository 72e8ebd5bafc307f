#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A throwaway program folder to put profile files in.
class ProfileTestFolder
{
public:
    static const QString Vendor; // "Corvath S.L."

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& fileName) const { return m_dir.filePath(fileName); }

    // Writes the file, then gives it the permissions; a profile holding a
    // password must be private to its owner to load.
    bool write(const QString& fileName, const QByteArray& contents,
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner) const;

private:
    QTemporaryDir m_dir;
};
