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
    // Group or others may read it (always false where there are no such modes).
    bool readableByOthers() const { return m_readableByOthers; }

    static bool isPlainName(const QString& name);

private:
    [[noreturn]] void failUnreadable(const QString& name, const QString& reason) const;

    QByteArray m_contents;
    QString m_fileName;
    bool m_readableByOthers = false;
};
