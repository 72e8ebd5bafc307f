// Feeds arbitrary bytes to the profile parser: it may refuse them, but only
// with TarvelinError, and what it accepts must hold up.
#include "ErrorNumbers.h"
#include "ProfileParser.h"
#include "TarvelinError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const ProfileParser::Settings settings
            = ProfileParser(QStringLiteral("Prod"), QStringLiteral("Corvath S.L.")).parse(bytes);
        // Accepted text is valid UTF-8 (it survives a round trip unchanged)
        // and what comes out can go into a connection string.
        check(QString::fromUtf8(bytes).toUtf8() == bytes || bytes.startsWith("\xEF\xBB\xBF"));
        check(!settings.provider.isEmpty() && !settings.provider.contains(u';')
            && !settings.provider.contains(u'='));
        check(!settings.connection.isEmpty() && !settings.connection.endsWith(u';'));
        check(!hasControlCharacter(settings.connection) && !hasControlCharacter(settings.password)
            && !hasControlCharacter(settings.credential));
        check(bytes.contains(settings.connection.toUtf8()) && bytes.contains(settings.password.toUtf8())
            && bytes.contains(settings.credential.toUtf8()));
        // Never two passwords: one in the file, one in the store.
        check(settings.password.isEmpty() || settings.credential.isEmpty());
    } catch (const TarvelinError& error) {
        // The parser's own numbers; the store's are raised only when a password is asked for.
        check((error.number() >= ErrorNumber::ProfileUnreadable
                  && error.number() <= ErrorNumber::ProfileNotLoaded)
            || error.number() == ErrorNumber::PasswordAndCredential);
        check(error.description().startsWith(QStringLiteral("El perfil Prod ")));
    }
    return 0;
}
