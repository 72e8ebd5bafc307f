#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Finds the file of one profile ("<name>.cfp", the extension in any case) in a
// folder and reads it, never more than MaxSize + 1 bytes.
class ProfileFile
{
public:
    static constexpr qint64 MaxSize = 64 * 1024;

    // False when the name is not a plain file name or there is no such file;
    // raises TarvelinError when the file exists but cannot be read or is too
    // large.
    bool read(const QString& folder, const QString& name);

    const QByteArray& contents() const { return m_contents; }
    // The file's name as found in the folder, e.g. "PROD.CFP".
    const QString& fileName() const { return m_fileName; }
    // Anyone but its owner may read it: group or others on Unix; on Windows
    // anyone but the owner, SYSTEM and Administrators (grantsReadToOthers()).
    bool readableByOthers() const { return m_readableByOthers; }

    static bool isPlainName(const QString& name);

#ifdef Q_OS_WIN
    // readableByOthers() on Windows, the rule OpenSSH for Windows applies to a
    // private key: true when the security descriptor (a SECURITY_DESCRIPTOR
    // with owner and DACL) lets anyone but the owner, SYSTEM and Administrators
    // read the file's contents. No DACL, or a NULL one, lets everyone.
    static bool grantsReadToOthers(void* securityDescriptor);
#endif

private:
    [[noreturn]] void failUnreadable(const QString& name, const QString& reason) const;

    QByteArray m_contents;
    QString m_fileName;
    bool m_readableByOthers = false;
};
