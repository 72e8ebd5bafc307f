#include "ProfileFile.h"

#include "ErrorNumbers.h"
#include "TarvelinError.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>

#include <algorithm>
#include <vector>

#include <windows.h>

#include <aclapi.h>
#endif

namespace {

const QString Extension = QStringLiteral(".cfp");

// The folder's entry for name + ".cfp", the extension in any case. Looking the
// name up in the listing, never building a path from it, keeps the lookup
// inside the folder. Where a case-sensitive file system holds several, the
// lower-case ".cfp" wins, then the first in binary order, so the choice never
// depends on the listing order.
QString findEntry(const QString& folder, const QString& name)
{
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    QString found;
    for (const QString& entry : entries) {
        if (entry.size() != name.size() + Extension.size() || !entry.startsWith(name, Qt::CaseSensitive))
            continue;
        const QStringView extension = QStringView(entry).sliced(name.size());
        if (extension.compare(Extension, Qt::CaseInsensitive) != 0)
            continue;
        if (extension == Extension)
            return entry;
        if (found.isEmpty() || entry < found)
            found = entry;
    }
    return found;
}

#ifdef Q_OS_UNIX
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

QString systemReason(int error)
{
    if (error == EACCES || error == EPERM)
        return QStringLiteral("permiso denegado");
    return qt_error_string(error);
}
#else
// Rights that read a file's contents: FILE_READ_DATA, and the generic rights an
// entry may carry unmapped.
constexpr ACCESS_MASK ReadRights = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;

bool mayKeepSecrets(PSID trustee, PSID owner)
{
    return (owner && EqualSid(trustee, owner)) || IsWellKnownSid(trustee, WinLocalSystemSid)
        || IsWellKnownSid(trustee, WinBuiltinAdministratorsSid);
}
#endif

} // namespace

#ifdef Q_OS_WIN
bool ProfileFile::grantsReadToOthers(void* securityDescriptor)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(securityDescriptor, &present, &dacl, &defaulted) || !present || !dacl)
        return true;
    PSID owner = nullptr;
    if (!GetSecurityDescriptorOwner(securityDescriptor, &owner, &defaulted))
        owner = nullptr;

    // Windows reads the entries in order, so a denial of reading met before a
    // grant takes it back; only one to the same trustee or to Everyone covers
    // every member of the grant.
    std::vector<PSID> denied;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            return true;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue; // for what the folder holds later, not for this file
        // Plain and callback entries share this layout: the mask, then the SID.
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        PSID trustee = &ace->SidStart;
        switch (header->AceType) {
        case ACCESS_DENIED_ACE_TYPE:
            if (ace->Mask & FILE_READ_DATA)
                denied.push_back(trustee);
            break;
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
            const bool takenBack = std::any_of(denied.begin(), denied.end(),
                [&](PSID sid) { return EqualSid(sid, trustee) || IsWellKnownSid(sid, WinWorldSid); });
            if ((ace->Mask & ReadRights) && !mayKeepSecrets(trustee, owner) && !takenBack)
                return true;
            break;
        }
        case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
        case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
            return true; // grants this check does not read: not shown private
        default:
            break; // conditional denials may not apply
        }
    }
    return false;
}
#endif

bool ProfileFile::isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\')
        && !name.contains(QStringLiteral("..")) && !name.contains(QChar(u'\0'));
}

void ProfileFile::failUnreadable(const QString& name, const QString& reason) const
{
    throw TarvelinError(ErrorNumber::ProfileUnreadable,
        QStringLiteral("El perfil %1 no se puede leer (%2): %3").arg(name, m_fileName, reason));
}

bool ProfileFile::read(const QString& folder, const QString& name)
{
    m_contents.clear();
    m_fileName.clear();
    m_readableByOthers = false;

    if (!isPlainName(name))
        return false;
    m_fileName = findEntry(folder, name);
    if (m_fileName.isEmpty())
        return false;
    const QString path = QDir(folder).filePath(m_fileName);

    QByteArray buffer(MaxSize + 1, Qt::Uninitialized);
    qint64 size = 0;

#ifdef Q_OS_UNIX
    // Non-blocking, so that a FIFO named like a profile cannot hang the open;
    // the checks then use the descriptor that is read, not the name again.
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) // gone since the listing, or a dangling link
            return false;
        failUnreadable(name, systemReason(error));
    }
    const FileDescriptor file(fd);

    struct stat status
    { };
    if (::fstat(file.get(), &status) != 0)
        failUnreadable(name, systemReason(errno));
    if (S_ISDIR(status.st_mode))
        failUnreadable(name, QStringLiteral("es una carpeta"));
    if (!S_ISREG(status.st_mode))
        failUnreadable(name, QStringLiteral("no es un archivo normal"));
    m_readableByOthers = (status.st_mode & (S_IRGRP | S_IROTH)) != 0;

    while (size < buffer.size()) {
        const ssize_t got = ::read(file.get(), buffer.data() + size, size_t(buffer.size() - size));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failUnreadable(name, systemReason(errno));
        }
        if (got == 0)
            break;
        size += got;
    }
#else
    const QFileInfo info(path);
    if (!info.exists()) // gone since the listing, or a dangling link
        return false;
    if (info.isDir())
        failUnreadable(name, QStringLiteral("es una carpeta"));
    if (!info.isFile())
        failUnreadable(name, QStringLiteral("no es un archivo normal"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return false;
        failUnreadable(name, file.errorString());
    }
    while (size < buffer.size()) {
        const qint64 got = file.read(buffer.data() + size, buffer.size() - size);
        if (got < 0)
            failUnreadable(name, file.errorString());
        if (got == 0)
            break;
        size += got;
    }

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const QString nativePath = QDir::toNativeSeparators(path);
    const DWORD status = GetNamedSecurityInfoW(reinterpret_cast<const wchar_t*>(nativePath.utf16()),
        SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
        nullptr, &descriptor);
    // A file whose access list cannot be read is not shown private.
    m_readableByOthers = status != ERROR_SUCCESS || grantsReadToOthers(descriptor);
    LocalFree(descriptor);
#endif

    if (size > MaxSize) {
        throw TarvelinError(ErrorNumber::ProfileTooLarge,
            QStringLiteral("El perfil %1 no es válido: ocupa más de %2 KiB")
                .arg(name, QString::number(MaxSize / 1024)));
    }
    buffer.truncate(size);
    m_contents = buffer;
    return true;
}
