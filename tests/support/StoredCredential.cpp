#include "StoredCredential.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#ifdef Q_OS_WIN
#include <windows.h>

#include <wincred.h>
#endif

StoredCredential::StoredCredential()
{
    static int made = 0;
    m_name = QStringLiteral("tarvelin-prueba-%1-%2").arg(QCoreApplication::applicationPid()).arg(++made);
}

bool StoredCredential::store(const QString& password)
{
#ifdef Q_OS_WIN
    return storeBytes(QByteArray(reinterpret_cast<const char*>(password.utf16()), password.size() * 2));
#else
    return storeBytes(password.toUtf8());
#endif
}

bool StoredCredential::required()
{
    return qEnvironmentVariable("TARVELIN_REQUIRE_KEYRING") == QLatin1String("1");
}

#ifdef Q_OS_WIN
StoredCredential::~StoredCredential()
{
    CredDeleteW(reinterpret_cast<const wchar_t*>(m_name.utf16()), CRED_TYPE_GENERIC, 0);
}

bool StoredCredential::storeBytes(const QByteArray& secret)
{
    // What cmdkey /generic writes, for the user Tarvelin, kept on this machine.
    CREDENTIALW credential {};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(m_name.utf16()));
    credential.UserName = const_cast<wchar_t*>(L"Tarvelin");
    credential.CredentialBlobSize = DWORD(secret.size());
    credential.CredentialBlob = reinterpret_cast<BYTE*>(const_cast<char*>(secret.constData()));
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    return CredWriteW(&credential, 0);
}

bool StoredCredential::available(QString*)
{
    return true;
}
#else
namespace {

bool secretTool(const QStringList& arguments, const QByteArray& input = QByteArray())
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

} // namespace

StoredCredential::~StoredCredential()
{
    secretTool({QStringLiteral("clear"), QStringLiteral("programa"), QStringLiteral("tarvelin"),
        QStringLiteral("credencial"), m_name});
}

bool StoredCredential::storeBytes(const QByteArray& secret)
{
    // The command the user is told to type; from a pipe it stores what it reads.
    return secretTool(
        {QStringLiteral("store"), QStringLiteral("--label=Tarvelin ") + m_name, QStringLiteral("programa"),
            QStringLiteral("tarvelin"), QStringLiteral("credencial"), m_name},
        secret);
}

bool StoredCredential::available(QString* why)
{
    if (qEnvironmentVariableIsEmpty("TARVELIN_KEYRING_DIR")) {
        *why = QStringLiteral("No throwaway keyring: TARVELIN_KEYRING_DIR not set. Run the suite under "
                              "scripts/with-keyring.sh.");
        return false;
    }
    return true;
}

bool StoredCredential::lockKeyring()
{
    QProcess send;
    send.start(QStringLiteral("dbus-send"),
        {QStringLiteral("--session"), QStringLiteral("--print-reply"),
            QStringLiteral("--dest=org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
            QStringLiteral("org.freedesktop.Secret.Service.Lock"),
            QStringLiteral("array:objpath:/org/freedesktop/secrets/collection/login")});
    return send.waitForFinished(30000) && send.exitStatus() == QProcess::NormalExit && send.exitCode() == 0;
}

bool StoredCredential::runInOwnKeyring(QString* output)
{
    // Without a display the keyring's unlock prompt cannot appear, so a locked keyring stays locked
    // instead of waiting for someone to answer it.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return ChildCase::rerun(
        {QStringLiteral("bash"), QStringLiteral(TARVELIN_WITH_KEYRING)}, environment, output);
}

bool StoredCredential::runWithoutSecretService(QString* output)
{
    QTemporaryDir empty;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
        QStringLiteral("unix:path=") + empty.filePath(QStringLiteral("no-bus")));
    return empty.isValid() && ChildCase::rerun({}, environment, output);
}
#endif
