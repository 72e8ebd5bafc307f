#include "ConnectionProfile.h"

#include "ConnectionString.h"
#include "ErrorNumbers.h"
#include "ProfileFile.h"
#include "ProfileParser.h"
#include "TarvelinError.h"

#include <optional>

namespace {

// The file name as the user would type it in a shell: quoted when it holds
// anything but the characters a shell leaves alone.
QString shellWord(const QString& word)
{
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')
            || u == u'.' || u == u'_' || u == u'-' || u == u'+' || u == u',' || u == u'@' || u == u'%';
        if (!plain) {
            QString quoted = word;
            quoted.replace(u'\'', QStringLiteral("'\\''"));
            return u'\'' + quoted + u'\'';
        }
    }
    return word;
}

} // namespace

struct ConnectionProfile::Private
{
    struct Loaded
    {
        QString vendor;
        QString name;
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
    // not merely warned about.
    if (!settings.password.isEmpty() && file.readableByOthers()) {
        throw TarvelinError(ErrorNumber::ProfilePermissions,
            QStringLiteral("El perfil %1 contiene una contraseña y otros usuarios pueden leerlo; "
                           "restrinja sus permisos con: chmod 600 %2")
                .arg(name, shellWord(file.fileName())));
    }

    d->loaded = Private::Loaded {vendor, name, std::move(settings)};
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
    return ConnectionString::join(
        settings.provider, settings.connection, withPassword ? settings.password : QString());
}
