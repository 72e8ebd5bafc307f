#include "ProfileParser.h"

#include "ConnectionString.h"
#include "ErrorNumbers.h"
#include "LockWait.h"
#include "TarvelinError.h"

#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

// Offset of the first byte that is not well-formed UTF-8 (no overlong forms,
// no surrogates, nothing above U+10FFFF), or -1. Qt's decoder would replace
// such bytes silently, and a password must never be altered that way.
qsizetype firstInvalidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c == 0xE0) {
            length = 3;
            low = 0xA0;
        } else if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) {
            length = 3;
        } else if (c == 0xED) {
            length = 3;
            high = 0x9F;
        } else if (c == 0xF0) {
            length = 4;
            low = 0x90;
        } else if (c >= 0xF1 && c <= 0xF3) {
            length = 4;
        } else if (c == 0xF4) {
            length = 4;
            high = 0x8F;
        } else {
            return i;
        }
        if (i + length > n || p[i + 1] < low || p[i + 1] > high)
            return i;
        for (int k = 2; k < length; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return i;
        }
        i += length;
    }
    return -1;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Only spaces and tabs are trimmed, so that no other character of a password
// is ever dropped.
QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

struct Value
{
    QString text;
    int line = 0;
};

} // namespace

bool ProfileParser::hasControlCharacter(QStringView text)
{
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

ProfileParser::ProfileParser(QString profileName, QString vendor)
    : m_profileName(std::move(profileName))
    , m_vendor(std::move(vendor))
{ }

void ProfileParser::fail(qint32 number, const QString& detail, int line) const
{
    QString text = QStringLiteral("El perfil %1 no es válido: ").arg(m_profileName);
    if (line > 0)
        text += QStringLiteral("línea %1: ").arg(line);
    throw TarvelinError(number, text + detail);
}

ProfileParser::Settings ProfileParser::parse(const QByteArray& bytes) const
{
    const QByteArray body = bytes.startsWith(Utf8Bom) ? bytes.sliced(Utf8Bom.size()) : bytes;
    const qsizetype bad = firstInvalidUtf8(body);
    if (bad >= 0) {
        const int line = int(body.first(bad).count('\n')) + 1;
        fail(ErrorNumber::ProfileNotUtf8, QStringLiteral("no es texto UTF-8"), line);
    }

    const QString text = QString::fromUtf8(body);
    const QList<QStringView> lines = QStringView(text).split(u'\n');

    bool inSection = false;
    bool inVendorSection = false;
    int vendorSectionLine = 0;
    std::optional<Value> provider;
    std::optional<Value> connection;
    std::optional<Value> password;
    std::optional<Value> credential;
    std::optional<Value> lockWait;

    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNumber = int(index) + 1;
        QStringView line = lines[index];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (hasControlCharacter(line))
            fail(ErrorNumber::ProfileSyntax, QStringLiteral("contiene caracteres de control"), lineNumber);

        const QStringView content = trimBlanks(line);
        if (content.isEmpty() || content.startsWith(u'#') || content.startsWith(u';'))
            continue;

        if (content.startsWith(u'[')) {
            if (content.size() < 3 || !content.endsWith(u']')) {
                fail(ErrorNumber::ProfileSyntax, QStringLiteral("se esperaba [nombre de la sección]"),
                    lineNumber);
            }
            const QStringView name = content.sliced(1, content.size() - 2);
            inSection = true;
            inVendorSection = (name == m_vendor);
            if (inVendorSection) {
                if (vendorSectionLine > 0) {
                    fail(ErrorNumber::ProfileSyntax,
                        QStringLiteral("la sección [%1] ya empezó en la línea %2")
                            .arg(name, QString::number(vendorSectionLine)),
                        lineNumber);
                }
                vendorSectionLine = lineNumber;
            }
            continue;
        }

        const qsizetype equals = content.indexOf(u'=');
        if (equals < 0) {
            fail(ErrorNumber::ProfileSyntax,
                QStringLiteral("se esperaba clave=valor, [sección] o un comentario"), lineNumber);
        }
        const QStringView key = trimBlanks(content.first(equals));
        if (key.isEmpty())
            fail(ErrorNumber::ProfileSyntax, QStringLiteral("falta el nombre de la clave antes de ="),
                lineNumber);
        if (!inSection) {
            fail(ErrorNumber::ProfileSyntax,
                QStringLiteral("la clave %1 está fuera de toda [sección]").arg(key), lineNumber);
        }
        if (!inVendorSection)
            continue; // other vendors' keys belong to them

        std::optional<Value>* slot = nullptr;
        if (key.compare(u"Provider", Qt::CaseInsensitive) == 0)
            slot = &provider;
        else if (key.compare(u"Connection", Qt::CaseInsensitive) == 0)
            slot = &connection;
        else if (key.compare(u"Password", Qt::CaseInsensitive) == 0)
            slot = &password;
        else if (key.compare(u"Credencial", Qt::CaseInsensitive) == 0)
            slot = &credential;
        else if (key.compare(u"EsperaBloqueo", Qt::CaseInsensitive) == 0)
            slot = &lockWait;
        else
            fail(ErrorNumber::ProfileUnknownKey,
                QStringLiteral(
                    "clave desconocida «%1» (se admiten Provider, Connection, Password, Credencial "
                    "y EsperaBloqueo)")
                    .arg(key),
                lineNumber);

        if (slot->has_value()) {
            fail(ErrorNumber::ProfileSyntax,
                QStringLiteral("la clave %1 ya aparece en la línea %2")
                    .arg(key, QString::number((*slot)->line)),
                lineNumber);
        }
        *slot = Value {trimBlanks(content.sliced(equals + 1)).toString(), lineNumber};
    }

    if (vendorSectionLine == 0)
        fail(ErrorNumber::ProfileNoVendorSection, QStringLiteral("no tiene la sección [%1]").arg(m_vendor));
    if (!connection) {
        fail(ErrorNumber::ProfileNoConnection,
            QStringLiteral("falta la clave Connection en la sección [%1]").arg(m_vendor));
    }

    Settings settings;

    // A trailing ';' would leave an empty attribute before the password's.
    QStringView connectionText = connection->text;
    while (connectionText.endsWith(u';'))
        connectionText = trimBlanks(connectionText.chopped(1));
    if (connectionText.isEmpty())
        fail(ErrorNumber::ProfileNoConnection, QStringLiteral("Connection está vacía"), connection->line);
    // The provider goes first in the connection string; one inside Connection would be taken for it.
    if (ConnectionString::namesProvider(connectionText)) {
        fail(ErrorNumber::ProfileSyntax,
            QStringLiteral("el proveedor se indica con la clave Provider, no dentro de Connection"),
            connection->line);
    }
    settings.connection = connectionText.toString();

    settings.provider = ConnectionString::defaultProvider();
    if (provider) {
        if (!ConnectionString::isProviderName(provider->text)) {
            fail(ErrorNumber::ProfileSyntax,
                QStringLiteral("Provider debe ser un nombre de controlador (letras, cifras y _), no «%1»")
                    .arg(provider->text),
                provider->line);
        }
        settings.provider = provider->text;
    }

    if (lockWait) {
        settings.lockWaitSeconds = LockWait::seconds(lockWait->text);
        if (!settings.lockWaitSeconds) {
            fail(ErrorNumber::ProfileSyntax,
                QStringLiteral("EsperaBloqueo son los segundos que se espera el bloqueo de una tabla, de 0 a "
                               "%1, no «%2»")
                    .arg(QString::number(LockWait::maximumSeconds), lockWait->text),
                lockWait->line);
        }
    }

    if (password)
        settings.password = password->text;
    if (credential)
        settings.credential = credential->text;
    // Which of two passwords would be meant cannot be guessed; empty values name none.
    if (!settings.password.isEmpty() && !settings.credential.isEmpty()) {
        fail(ErrorNumber::PasswordAndCredential,
            QStringLiteral("Password y Credencial no pueden ir juntas: la contraseña va en el perfil o en "
                           "el almacén de credenciales del sistema, no en los dos"),
            std::max(password->line, credential->line));
    }
    // A connection string pasted as it was (";Uid=scott;Pwd=tiger") carries its own password; the
    // one added after it would make two, and drivers differ on which of them counts.
    settings.connectionHoldsPassword = ConnectionString::holdsPassword(settings.connection);
    if (settings.connectionHoldsPassword
        && (!settings.password.isEmpty() || !settings.credential.isEmpty())) {
        const Value& other = settings.password.isEmpty() ? *credential : *password;
        fail(ErrorNumber::PasswordAndCredential,
            QStringLiteral("Connection ya lleva una contraseña (PWD o Password) y no puede ir con %1: la "
                           "contraseña va en un solo sitio")
                .arg(settings.password.isEmpty() ? QStringLiteral("Credencial") : QStringLiteral("Password")),
            std::max(connection->line, other.line));
    }
    return settings;
}
