#include "CredentialStore.h"

#include "ErrorNumbers.h"
#include "ProfileParser.h"
#include "TarvelinError.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <wincred.h>
#else
#include "ShellWord.h"

#include <QLibrary>

#include <type_traits>

// GLib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")
#endif

namespace {

[[noreturn]] void fail(
    qint32 number, const QString& profile, const QString& credential, const QString& detail)
{
    throw TarvelinError(
        number, QStringLiteral("El perfil %1 usa la credencial «%2»%3").arg(profile, credential, detail));
}

[[noreturn]] void failMissing(const QString& profile, const QString& credential, const QString& store)
{
    fail(ErrorNumber::CredentialMissing, profile, credential,
        QStringLiteral(", que no está guardada en %1; guárdela con: %2")
            .arg(store, CredentialStore::storeCommand(credential)));
}

// The same characters a profile file may not hold; a line end typed by
// "echo" into the store is the usual one.
QString checkedText(const QString& password, const QString& profile, const QString& credential)
{
    if (ProfileParser::hasControlCharacter(password)) {
        fail(ErrorNumber::CredentialStoreFailed, profile, credential,
            QStringLiteral(", pero la contraseña guardada contiene caracteres de control (¿un salto de "
                           "línea al final?); guárdela de nuevo con: %1")
                .arg(CredentialStore::storeCommand(credential)));
    }
    return password;
}

#ifdef Q_OS_WIN
const QString StoreName = QStringLiteral("el Administrador de credenciales de Windows");

// cmd.exe and cmdkey take a name with spaces or cmd's own characters in quotes.
QString cmdWord(const QString& word)
{
    for (const QChar c : word) {
        if (c == u' ' || c == u'\t' || QStringLiteral("&|<>^()%!,;=").contains(c))
            return u'"' + word + u'"';
    }
    return word;
}
#else
const QString StoreName = QStringLiteral("el llavero del sistema");

// libsecret and the GLib it brings (GIO, GObject...) are loaded the first time a profile names a
// credential, not at every start: most profiles never do, and the window needs none of them.
struct SecretLibrary
{
    gchar* (*lookup)(const SecretSchema*, GHashTable*, GCancellable*, GError**) = nullptr;
    void (*freePassword)(gchar*) = nullptr;
    GList* (*search)(
        SecretService*, const SecretSchema*, GHashTable*, SecretSearchFlags, GCancellable*, GError**)
        = nullptr;
    gboolean (*itemLocked)(SecretItem*) = nullptr;
    GQuark (*secretError)() = nullptr;
    GQuark (*ioError)() = nullptr;
    GQuark (*dbusError)() = nullptr;
    GQuark (*spawnError)() = nullptr;
    void (*freeError)(GError*) = nullptr;
    GHashTable* (*newTable)(GHashFunc, GEqualFunc) = nullptr;
    gboolean (*insert)(GHashTable*, gpointer, gpointer) = nullptr;
    void (*unrefTable)(GHashTable*) = nullptr;
    guint (*stringHash)(gconstpointer) = nullptr;
    gboolean (*stringEqual)(gconstpointer, gconstpointer) = nullptr;
    void (*freeList)(GList*, GDestroyNotify) = nullptr;
    void (*unrefObject)(gpointer) = nullptr;
    gboolean (*validUtf8)(const gchar*, gssize, const gchar**) = nullptr;
    QString missing; // why it could not be loaded; empty once it is

    static const SecretLibrary& instance()
    {
        static const SecretLibrary library = load();
        return library;
    }

private:
    static SecretLibrary load()
    {
        SecretLibrary l;
        QLibrary library(QStringLiteral("secret-1"), 0);
        if (!library.load()) {
            l.missing = library.errorString();
            return l;
        }
        // GIO, GObject and GLib come with it; a lookup through it finds their functions too.
        const auto resolve = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            if (!function && l.missing.isEmpty())
                l.missing = QStringLiteral("falta %1 en %2").arg(QLatin1String(name), library.fileName());
        };
        resolve(l.lookup, "secret_password_lookupv_sync");
        resolve(l.freePassword, "secret_password_free");
        resolve(l.search, "secret_service_search_sync");
        resolve(l.itemLocked, "secret_item_get_locked");
        resolve(l.secretError, "secret_error_get_quark");
        resolve(l.ioError, "g_io_error_quark");
        resolve(l.dbusError, "g_dbus_error_quark");
        resolve(l.spawnError, "g_spawn_error_quark");
        resolve(l.freeError, "g_error_free");
        resolve(l.newTable, "g_hash_table_new");
        resolve(l.insert, "g_hash_table_insert");
        resolve(l.unrefTable, "g_hash_table_unref");
        resolve(l.stringHash, "g_str_hash");
        resolve(l.stringEqual, "g_str_equal");
        resolve(l.freeList, "g_list_free_full");
        resolve(l.unrefObject, "g_object_unref");
        resolve(l.validUtf8, "g_utf8_validate");
        return l; // the library stays loaded: QLibrary unloads only when asked to
    }
};

// The attributes that name a Tarvelin credential. The strings must outlive the table.
GHashTable* attributesNaming(const SecretLibrary& secret, const QByteArray& name)
{
    GHashTable* attributes = secret.newTable(secret.stringHash, secret.stringEqual);
    secret.insert(attributes, const_cast<char*>("programa"), const_cast<char*>("tarvelin"));
    secret.insert(attributes, const_cast<char*>("credencial"), const_cast<char*>(name.constData()));
    return attributes;
}

// Items match on these attributes only, not on the schema's name, so that an
// entry stored by secret-tool is found.
const SecretSchema& schema()
{
    static const SecretSchema built = [] {
        SecretSchema s {};
        s.name = "es.corvath.Tarvelin.Credencial";
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {"programa", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"credencial", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return built;
}

// Failing to reach the bus or a service on it, before any store answered.
bool noService(const SecretLibrary& secret, const GError* error)
{
    if (error->domain == secret.ioError())
        return error->code != G_IO_ERROR_DBUS_ERROR;
    if (error->domain == secret.spawnError()) // no bus, and none could be started
        return true;
    if (error->domain == secret.dbusError()) {
        return error->code == G_DBUS_ERROR_SERVICE_UNKNOWN || error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER
            || error->code == G_DBUS_ERROR_NO_SERVER || error->code == G_DBUS_ERROR_DISCONNECTED
            || error->code == G_DBUS_ERROR_TIMEOUT || error->code == G_DBUS_ERROR_TIMED_OUT
            || (error->code >= G_DBUS_ERROR_SPAWN_EXEC_FAILED && error->code <= G_DBUS_ERROR_SPAWN_FAILED);
    }
    return false;
}

[[noreturn]] void failLocked(const QString& profile, const QString& credential)
{
    fail(ErrorNumber::CredentialStoreUnavailable, profile, credential,
        QStringLiteral(", pero %1 está bloqueado; desbloquéelo y vuelva a intentarlo").arg(StoreName));
}

[[noreturn]] void failWith(
    const SecretLibrary& secret, GError* error, const QString& profile, const QString& credential)
{
    const QString message = QString::fromUtf8(error->message);
    const bool unreachable = noService(secret, error);
    const bool locked = error->domain == secret.secretError() && error->code == SECRET_ERROR_IS_LOCKED;
    secret.freeError(error);
    if (unreachable) {
        fail(ErrorNumber::CredentialStoreUnavailable, profile, credential,
            QStringLiteral(", pero no hay ningún servicio de secretos (GNOME Keyring, KWallet) en esta "
                           "sesión: %1")
                .arg(message));
    }
    if (locked)
        failLocked(profile, credential);
    fail(ErrorNumber::CredentialStoreFailed, profile, credential,
        QStringLiteral(", pero %1 no la entrega: %2").arg(StoreName, message));
}

// Why a lookup that raised nothing found no password: no such item, a locked
// one (the store's unlock prompt was refused or cannot be shown), or an item
// whose secret is not text.
[[noreturn]] void failNotFound(
    const SecretLibrary& secret, const QByteArray& name, const QString& profile, const QString& credential)
{
    GHashTable* attributes = attributesNaming(secret, name);
    GError* error = nullptr;
    GList* items = secret.search(nullptr, &schema(), attributes, SECRET_SEARCH_ALL, nullptr, &error);
    secret.unrefTable(attributes);
    if (error)
        failWith(secret, error, profile, credential);
    bool locked = false;
    for (GList* item = items; item; item = item->next)
        locked = locked || secret.itemLocked(static_cast<SecretItem*>(item->data));
    const bool found = items != nullptr;
    secret.freeList(items, secret.unrefObject);
    if (!found)
        failMissing(profile, credential, StoreName);
    if (locked)
        failLocked(profile, credential);
    fail(ErrorNumber::CredentialStoreFailed, profile, credential,
        QStringLiteral(", pero lo guardado en ella no es una contraseña de texto"));
}
#endif

} // namespace

#ifdef Q_OS_WIN
QString CredentialStore::password(const QString& profile, const QString& credential)
{
    PCREDENTIALW stored = nullptr;
    if (!CredReadW(reinterpret_cast<const wchar_t*>(credential.utf16()), CRED_TYPE_GENERIC, 0, &stored)) {
        const DWORD error = GetLastError();
        if (error == ERROR_NOT_FOUND)
            failMissing(profile, credential, StoreName);
        if (error == ERROR_NO_SUCH_LOGON_SESSION) {
            fail(ErrorNumber::CredentialStoreUnavailable, profile, credential,
                QStringLiteral(", pero %1 no está disponible en esta sesión").arg(StoreName));
        }
        fail(ErrorNumber::CredentialStoreFailed, profile, credential,
            QStringLiteral(", pero %1 no la entrega: %2").arg(StoreName, qt_error_string(int(error))));
    }
    // cmdkey writes the password as UTF-16LE, without a terminating null.
    const DWORD size = stored->CredentialBlobSize;
    QString password;
    if (size % 2 == 0) {
        password
            = QString::fromWCharArray(reinterpret_cast<const wchar_t*>(stored->CredentialBlob), size / 2);
    }
    SecureZeroMemory(stored->CredentialBlob, size);
    CredFree(stored);
    if (size % 2 != 0) {
        fail(ErrorNumber::CredentialStoreFailed, profile, credential,
            QStringLiteral(", pero lo guardado en ella no es una contraseña de texto"));
    }
    return checkedText(password, profile, credential);
}

QString CredentialStore::storeCommand(const QString& credential)
{
    // The user name is Windows' to show; only the password is read.
    return QStringLiteral("cmdkey /generic:%1 /user:Tarvelin /pass").arg(cmdWord(credential));
}
#else
QString CredentialStore::password(const QString& profile, const QString& credential)
{
    const SecretLibrary& secret = SecretLibrary::instance();
    if (!secret.missing.isEmpty()) {
        fail(ErrorNumber::CredentialStoreUnavailable, profile, credential,
            QStringLiteral(", pero no se puede leer %1: %2").arg(StoreName, secret.missing));
    }
    const QByteArray name = credential.toUtf8();
    GHashTable* attributes = attributesNaming(secret, name);
    GError* error = nullptr;
    // The sync call runs a main context of its own, not the program's: no
    // event of the program is served by it while it waits.
    gchar* found = secret.lookup(&schema(), attributes, nullptr, &error);
    secret.unrefTable(attributes);
    if (error)
        failWith(secret, error, profile, credential);
    if (!found)
        failNotFound(secret, name, profile, credential);
    const bool utf8 = secret.validUtf8(found, -1, nullptr);
    const QString password = utf8 ? QString::fromUtf8(found) : QString();
    secret.freePassword(found); // wipes it
    if (!utf8) {
        fail(ErrorNumber::CredentialStoreFailed, profile, credential,
            QStringLiteral(", pero la contraseña guardada no es texto UTF-8"));
    }
    return checkedText(password, profile, credential);
}

QString CredentialStore::storeCommand(const QString& credential)
{
    return QStringLiteral("secret-tool store --label=%1 programa tarvelin credencial %2")
        .arg(ShellWord::quoted(QStringLiteral("Tarvelin ") + credential), ShellWord::quoted(credential));
}
#endif
