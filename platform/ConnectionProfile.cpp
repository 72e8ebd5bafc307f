#include "ConnectionProfile.h"

#include "ConnectionString.h"
#include "CredentialStore.h"
#include "ErrorNumbers.h"
#include "ProfileFile.h"
#include "ProfileParser.h"
#include "ShellWord.h"
#include "TarvelinError.h"

#include <QDir>

#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN
// The account this program runs as, "DOMINIO\usuario", as icacls takes it in
// any shell; where it cannot be looked up, cmd.exe's variable for it.
QString currentAccount()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return QStringLiteral("%USERNAME%");
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool known = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    wchar_t name[257];
    wchar_t domain[257];
    DWORD nameSize = 257;
    DWORD domainSize = 257;
    SID_NAME_USE use;
    if (!known
        || !LookupAccountSidW(nullptr, reinterpret_cast<const TOKEN_USER*>(buffer)->User.Sid, name, &nameSize,
            domain, &domainSize, &use))
        return QStringLiteral("%USERNAME%");
    return QString::fromWCharArray(domain) + u'\\' + QString::fromWCharArray(name);
}

// Typed in the program folder: the file keeps no inherited entries and grants
// only this account. Windows file names cannot hold a double quote.
QString permissionCommand(const QString& fileName)
{
    return QStringLiteral("icacls \"%1\" /inheritance:r /grant:r \"%2:F\"").arg(fileName, currentAccount());
}
#else
QString permissionCommand(const QString& fileName)
{
    return QStringLiteral("chmod 600 ") + ShellWord::quoted(fileName);
}
#endif

} // namespace

struct ConnectionProfile::Private
{
    struct Loaded
    {
        QString vendor;
        QString name;
        QString path;
        ProfileParser::Settings settings;
    };
    std::optional<Loaded> loaded;
};

ConnectionProfile::ConnectionProfile()
    : d(std::make_unique<Private>())
{ }

ConnectionProfile::~ConnectionProfile() = default;

bool ConnectionProfile::LoadProfile(const QString& vendor, const QString& folder, const QString& name)
{
    // Whatever happens below, an earlier profile must not outlive a failed load.
    d->loaded.reset();

    ProfileFile file;
    if (!file.read(folder, name))
        return false;

    ProfileParser::Settings settings = ProfileParser(name, vendor).parse(file.contents());

    // Like libpq with .pgpass: a password others can read is refused outright,
    // not merely warned about, wherever in the file it stands. A profile that names a stored
    // credential holds none.
    if (settings.holdsPassword() && file.readableByOthers()) {
        throw TarvelinError(ErrorNumber::ProfilePermissions,
            QStringLiteral("El perfil %1 contiene una contraseña y otros usuarios pueden leerlo; "
                           "restrinja sus permisos con: %2")
                .arg(name, permissionCommand(file.fileName())));
    }

    d->loaded
        = Private::Loaded {vendor, name, QDir(folder).absoluteFilePath(file.fileName()), std::move(settings)};
    return true;
}

QString ConnectionProfile::GetConnectionString(const QString& vendor, bool withPassword)
{
    if (!d->loaded)
        throw TarvelinError(ErrorNumber::ProfileNotLoaded, QStringLiteral("No hay ningún perfil cargado"));
    if (d->loaded->vendor != vendor) {
        throw TarvelinError(ErrorNumber::ProfileNotLoaded,
            QStringLiteral("El perfil %1 está cargado para %2, no para %3")
                .arg(d->loaded->name, d->loaded->vendor, vendor));
    }

    const ProfileParser::Settings& settings = d->loaded->settings;
    if (!withPassword)
        return ConnectionString::join(settings.provider, settings.connection, QString());
    // Read at each connection, never kept: a password changed in the store counts from the next run.
    const QString password = settings.credential.isEmpty()
        ? settings.password
        : CredentialStore::password(d->loaded->name, settings.credential);
    return ConnectionString::join(settings.provider, settings.connection, password);
}

QString ConnectionProfile::filePath() const
{
    return d->loaded ? d->loaded->path : QString();
}

std::optional<int> ConnectionProfile::lockWaitSeconds() const
{
    return d->loaded ? d->loaded->settings.lockWaitSeconds : std::nullopt;
}
