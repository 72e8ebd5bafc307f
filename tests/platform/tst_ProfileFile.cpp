// Which file a profile name loads, and the files that cannot be used.
#include "ConnectionProfile.h"
#include "CredentialStore.h"
#include "ErrorNumbers.h"
#include "ProfileTestFolder.h"
#include "RaisedError.h"
#include "StoredCredential.h"
#include "TarvelinError.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include "ProfileFile.h"

#include <QRegularExpression>

#include <vector>

#include <windows.h>
#endif

namespace {

const QByteArray Good
    = "[Corvath S.L.]\nConnection=Driver={Oracle 19 ODBC driver};Dbq=//dbhost:1521/ORCLPDB1\n";
const QString GoodText
    = QStringLiteral("Provider=QODBC;Driver={Oracle 19 ODBC driver};Dbq=//dbhost:1521/ORCLPDB1");

QByteArray profileFor(const QByteArray& connection)
{
    return "[Corvath S.L.]\nConnection=" + connection + "\n";
}

// A loadable profile of exactly size bytes, padded with a comment line.
QByteArray paddedProfile(qsizetype size, const QByteArray& prefix = QByteArray())
{
    QByteArray text = prefix + Good + "#";
    return text + QByteArray(size - text.size() - 1, 'x') + "\n";
}

// The error raised by loading "Prod" from folder, if any.
auto loadProdError(const QString& folder)
{
    ConnectionProfile profile;
    return raisedBy([&] { profile.LoadProfile(ProfileTestFolder::Vendor, folder, QStringLiteral("Prod")); });
}

#ifdef Q_OS_WIN
enum class Trustee { Owner, AnotherUser, System, Administrators, Everyone, Users, AuthenticatedUsers };

struct Ace
{
    bool allow;
    Trustee trustee;
    DWORD mask;
    BYTE flags = 0;
};
using Aces = std::vector<Ace>;

QByteArray sidOf(Trustee trustee)
{
    QByteArray sid(SECURITY_MAX_SID_SIZE, '\0');
    DWORD size = DWORD(sid.size());
    const auto wellKnown = [&](WELL_KNOWN_SID_TYPE type) {
        return CreateWellKnownSid(type, nullptr, sid.data(), &size) ? sid.left(size) : QByteArray();
    };
    switch (trustee) {
    case Trustee::Owner: {
        // The account the suite runs as, so that a file it writes may get this owner.
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return {};
        QByteArray user(sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE, '\0');
        const bool got = GetTokenInformation(token, TokenUser, user.data(), DWORD(user.size()), &size);
        CloseHandle(token);
        if (!got)
            return {};
        const PSID self = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
        return QByteArray(static_cast<const char*>(self), int(GetLengthSid(self)));
    }
    case Trustee::AnotherUser: {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID other = nullptr;
        if (!AllocateAndInitializeSid(&nt, 5, 21, 1, 2, 3, 1002, 0, 0, 0, &other))
            return {};
        const QByteArray copy(static_cast<const char*>(other), int(GetLengthSid(other)));
        FreeSid(other);
        return copy;
    }
    case Trustee::System:
        return wellKnown(WinLocalSystemSid);
    case Trustee::Administrators:
        return wellKnown(WinBuiltinAdministratorsSid);
    case Trustee::Everyone:
        return wellKnown(WinWorldSid);
    case Trustee::Users:
        return wellKnown(WinBuiltinUsersSid);
    case Trustee::AuthenticatedUsers:
        return wellKnown(WinAuthenticatedUserSid);
    }
    return {};
}

// A security descriptor whose owner is the account the suite runs as, with a
// protected DACL of the given entries, a NULL DACL or none.
class Descriptor
{
public:
    enum Dacl { List, Null, Absent };

    explicit Descriptor(const Aces& aces, Dacl dacl = List)
        : m_owner(sidOf(Trustee::Owner))
    {
        DWORD size = sizeof(ACL);
        std::vector<QByteArray> sids;
        for (const Ace& ace : aces) {
            sids.push_back(sidOf(ace.trustee));
            if (sids.back().isEmpty())
                return;
            size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + DWORD(sids.back().size());
        }
        m_acl.resize(size);
        auto* acl = reinterpret_cast<PACL>(m_acl.data());
        if (m_owner.isEmpty() || !InitializeAcl(acl, size, ACL_REVISION))
            return;
        for (std::size_t i = 0; i < aces.size(); ++i) {
            const Ace& ace = aces[i];
            const PSID sid = sids[i].data();
            const bool added = ace.allow ? AddAccessAllowedAceEx(acl, ACL_REVISION, ace.flags, ace.mask, sid)
                                         : AddAccessDeniedAceEx(acl, ACL_REVISION, ace.flags, ace.mask, sid);
            if (!added)
                return;
        }
        m_valid = InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION)
            && SetSecurityDescriptorOwner(&m_descriptor, m_owner.data(), FALSE)
            && SetSecurityDescriptorDacl(&m_descriptor, dacl != Absent, dacl == List ? acl : nullptr, FALSE)
            && SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }

    bool isValid() const { return m_valid; }
    void* get() { return &m_descriptor; }

private:
    SECURITY_DESCRIPTOR m_descriptor {};
    QByteArray m_owner;
    QByteArray m_acl;
    bool m_valid = false;
};

// Replaces the file's owner and DACL, nothing inherited.
bool giveAccess(const QString& path, const Aces& aces)
{
    Descriptor descriptor(aces);
    return descriptor.isValid()
        && SetFileSecurityW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor.get());
}

// A Unix mode's counterpart: the owner, SYSTEM and Administrators in full, the
// group's bits to Users and the others' to Everyone.
Aces accessLike(int mode)
{
    Aces aces {{true, Trustee::Owner, FILE_ALL_ACCESS}, {true, Trustee::System, FILE_ALL_ACCESS},
        {true, Trustee::Administrators, FILE_ALL_ACCESS}};
    const auto grant = [&](Trustee trustee, int read, int write) {
        const DWORD mask
            = ((mode & read) ? FILE_GENERIC_READ : 0) | ((mode & write) ? FILE_GENERIC_WRITE : 0);
        if (mask)
            aces.push_back({true, trustee, mask});
    };
    grant(Trustee::Users, 040, 020);
    grant(Trustee::Everyone, 004, 002);
    return aces;
}

bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}
#endif

} // namespace

#ifdef Q_OS_WIN
Q_DECLARE_METATYPE(Aces)
#endif

class tst_ProfileFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void extensionInAnyCase_data();
    void extensionInAnyCase();
    void lowerCaseExtensionWinsOverOthers();
    void onlyPlainNames_data();
    void onlyPlainNames();
    void missingFileOrFolder();
    void danglingLinkIsMissing();
    void linkToProfileLoads();
    void unreadableEntry_data();
    void unreadableEntry();
    void sizeLimit_data();
    void sizeLimit();
    void hugeFileTooLarge();
    void passwordReadableByOthers_data();
    void passwordReadableByOthers();
    void permissionAdviceNamesTheFile_data();
    void permissionAdviceNamesTheFile();
    void storedPassword_data();
    void storedPassword();
    void credentialNotStored_data();
    void credentialNotStored();
    void storedPasswordNotUsable_data();
    void storedPasswordNotUsable();
#ifdef Q_OS_WIN
    void accessListDecision_data();
    void accessListDecision();
#endif

private:
    bool loadNaming(ConnectionProfile& profile, const QString& credential);

    std::optional<ProfileTestFolder> m_folder;
};

void tst_ProfileFile::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void tst_ProfileFile::extensionInAnyCase_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("loads");

    QTest::newRow("lower case") << "Prod.cfp"
                                << "Prod" << true;
    QTest::newRow("upper case") << "PROD.CFP"
                                << "PROD" << true;
    QTest::newRow("inner dots") << "Copia.de.Prod.cfp"
                                << "Copia.de.Prod" << true;
    QTest::newRow("name in another case") << "PROD.CFP"
                                          << "prod" << false;
    QTest::newRow("name given with extension") << "Prod.cfp"
                                               << "Prod.cfp" << false;
    QTest::newRow("longer extension") << "Prod.cfpx"
                                      << "Prod" << false;
    QTest::newRow("other extension") << "Prod.txt"
                                     << "Prod" << false;
}

void tst_ProfileFile::extensionInAnyCase()
{
    QFETCH(QString, fileName);
    QFETCH(QString, name);
    QFETCH(bool, loads);

    QVERIFY(m_folder->write(fileName, Good));
    ConnectionProfile profile;
    QCOMPARE(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), name), loads);
    if (loads)
        QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true), GoodText);
}

void tst_ProfileFile::lowerCaseExtensionWinsOverOthers()
{
    QVERIFY(m_folder->write(QStringLiteral("Prod.CFP"), profileFor("Driver=upper")));
    QVERIFY(m_folder->write(QStringLiteral("Prod.Cfp"), profileFor("Driver=mixed")));
    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), profileFor("Driver=lower")));
    if (QDir(m_folder->path()).entryList(QDir::Files).size() != 3)
        QSKIP("the file system here ignores case in names");

    ConnectionProfile profile;
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true),
        QStringLiteral("Provider=QODBC;Driver=lower"));

    // Without the lower-case one, the first in binary order: "CFP" < "Cfp".
    QVERIFY(QFile::remove(m_folder->filePath(QStringLiteral("Prod.cfp"))));
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true),
        QStringLiteral("Provider=QODBC;Driver=upper"));
}

void tst_ProfileFile::onlyPlainNames_data()
{
    // Each row also writes the file the name would reach if it were accepted,
    // relative to the program folder "app" inside the test folder.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reachable");

    QTest::newRow("empty") << ""
                           << "app/.cfp";
    QTest::newRow("slash") << "sub/Prod"
                           << "app/sub/Prod.cfp";
    QTest::newRow("parent folder") << "../Prod"
                                   << "Prod.cfp";
    QTest::newRow("absolute") << "<test folder>/Prod"
                              << "Prod.cfp";
    QTest::newRow("dot dot") << ".."
                             << "app/...cfp";
    QTest::newRow("dot dot inside") << "a..b"
                                    << "app/a..b.cfp";
#ifdef Q_OS_UNIX
    // A legal file name here, but a path on Windows.
    QTest::newRow("backslash") << "sub\\Prod"
                               << "app/sub\\Prod.cfp";
#endif
}

void tst_ProfileFile::onlyPlainNames()
{
    QFETCH(QString, name);
    QFETCH(QString, reachable);

    name.replace(QStringLiteral("<test folder>"), m_folder->path());
    QVERIFY(QDir(m_folder->path()).mkpath(QStringLiteral("app/sub")));
    QVERIFY(m_folder->write(reachable, Good));
    const QString app = m_folder->filePath(QStringLiteral("app"));

    ConnectionProfile profile;
    QVERIFY(!profile.LoadProfile(ProfileTestFolder::Vendor, app, name));
    const auto error = raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProfileNotLoaded);
}

void tst_ProfileFile::missingFileOrFolder()
{
    QVERIFY(m_folder->write(QStringLiteral("Test.cfp"), Good));
    ConnectionProfile profile;
    QVERIFY(!profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
    QVERIFY(!profile.LoadProfile(
        ProfileTestFolder::Vendor, m_folder->filePath(QStringLiteral("nowhere")), QStringLiteral("Test")));
}

void tst_ProfileFile::danglingLinkIsMissing()
{
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a shell shortcut here, a plain file to all but Explorer");
#endif
    if (!QFile::link(
            m_folder->filePath(QStringLiteral("gone.cfp")), m_folder->filePath(QStringLiteral("Prod.cfp"))))
        QSKIP("no symbolic links here");
    ConnectionProfile profile;
    QVERIFY(!profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
}

void tst_ProfileFile::linkToProfileLoads()
{
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a shell shortcut here, a plain file to all but Explorer");
#endif
    QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("shared")));
    QVERIFY(m_folder->write(QStringLiteral("shared/real.txt"), Good));
    if (!QFile::link(m_folder->filePath(QStringLiteral("shared/real.txt")),
            m_folder->filePath(QStringLiteral("Prod.cfp"))))
        QSKIP("no symbolic links here");
    ConnectionProfile profile;
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true), GoodText);
}

void tst_ProfileFile::unreadableEntry_data()
{
    QTest::addColumn<QString>("entry"); // what stands in the folder as Prod.cfp
    QTest::addColumn<QString>("reason"); // after the file's name; empty: the system's own words

    QTest::newRow("a folder") << "folder"
                              << "es una carpeta";
#ifdef Q_OS_UNIX
    // Opening a FIFO for reading waits for a writer: the load must not.
    QTest::newRow("a FIFO") << "fifo"
                            << "no es un archivo normal";
    QTest::newRow("no read permission") << "mode 000"
                                        << "permiso denegado";
    // Opens for anyone, then fails on the first read.
    QTest::newRow("a file that fails to read") << "link to /proc/self/mem"
                                               << "";
#endif
}

void tst_ProfileFile::unreadableEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, reason);
    const QString path = m_folder->filePath(QStringLiteral("Prod.cfp"));
    if (entry == "folder") {
        QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("Prod.cfp")));
    } else if (entry == "mode 000") {
        TV_RUN_UNPRIVILEGED();
        QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), Good, QFile::Permissions()));
    } else if (entry == "link to /proc/self/mem") {
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), path));
    } else {
#ifdef Q_OS_UNIX
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
#endif
    }

    const auto error = loadProdError(m_folder->path());
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProfileUnreadable);
    const QString start = QStringLiteral("El perfil Prod no se puede leer (Prod.cfp): ");
    if (reason.isEmpty())
        QVERIFY2(error->description().startsWith(start) && error->description().size() > start.size(),
            qPrintable(error->description()));
    else
        QCOMPARE(error->description(), start + reason);
}

void tst_ProfileFile::sizeLimit_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("loads");

    QTest::newRow("64 KiB") << paddedProfile(64 * 1024) << true;
    QTest::newRow("64 KiB with a byte order mark") << paddedProfile(64 * 1024, "\xEF\xBB\xBF") << true;
    QTest::newRow("64 KiB and one byte") << paddedProfile(64 * 1024 + 1) << false;
    QTest::newRow("64 KiB and one byte with a byte order mark")
        << paddedProfile(64 * 1024 + 1, "\xEF\xBB\xBF") << false;
}

void tst_ProfileFile::sizeLimit()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, loads);

    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), contents));
    QCOMPARE(QFileInfo(m_folder->filePath(QStringLiteral("Prod.cfp"))).size(), contents.size());
    ConnectionProfile profile;
    bool loaded = false;
    const auto error = raisedBy([&] {
        loaded = profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod"));
    });
    if (loads) {
        QVERIFY2(!error, error ? qPrintable(error->description()) : "");
        QVERIFY(loaded);
        QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true), GoodText);
    } else {
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::ProfileTooLarge);
        QCOMPARE(error->description(), QStringLiteral("El perfil Prod no es válido: ocupa más de 64 KiB"));
    }
}

void tst_ProfileFile::hugeFileTooLarge()
{
    // A sparse file: large on paper, cheap to make.
    QFile file(m_folder->filePath(QStringLiteral("Prod.cfp")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(Good) == Good.size());
    QVERIFY(file.resize(qint64(4) * 1024 * 1024 * 1024));
    file.close();

    const auto error = loadProdError(m_folder->path());
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProfileTooLarge);
}

void tst_ProfileFile::passwordReadableByOthers_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("loads");

    const QByteArray withPassword = Good + "Password=tiger\n";
    const QByteArray emptyPassword = Good + "Password=\n";
    QTest::newRow("0644 with password") << 0644 << withPassword << false;
    QTest::newRow("0640 with password") << 0640 << withPassword << false;
    QTest::newRow("0604 with password") << 0604 << withPassword << false;
    QTest::newRow("0600 with password") << 0600 << withPassword << true;
    QTest::newRow("0620 with password") << 0620 << withPassword << true;
    QTest::newRow("0644 without password") << 0644 << Good << true;
    // A connection string pasted whole holds its password in the file just the same.
    QTest::newRow("0644, Pwd in Connection")
        << 0644 << profileFor("Driver={Oracle 19 ODBC driver};Uid=scott;Pwd=tiger") << false;
    QTest::newRow("0640, braced PASSWORD in Connection")
        << 0640 << profileFor("Driver={Oracle 19 ODBC driver};PASSWORD={a;b}") << false;
    QTest::newRow("0600, Pwd in Connection")
        << 0600 << profileFor("Driver={Oracle 19 ODBC driver};Pwd=tiger") << true;
    // Inside a braced value "PWD=" is part of that value, not an attribute.
    QTest::newRow("0644, PWD= only inside a braced value")
        << 0644 << profileFor("Driver={Oracle 19 ODBC driver};Dbq={//h/x;PWD=y}") << true;
    QTest::newRow("0644 with empty password") << 0644 << emptyPassword << true;
    // Its password is not in the file, and loading does not read the store.
    QTest::newRow("0644 naming a stored credential") << 0644 << Good + "Credencial=Prod\n" << true;
    QTest::newRow("0644, password only for another vendor")
        << 0644 << Good + "[Otra S.A.]\nConnection=Driver=x\nPassword=otra\n"
        << true;
}

void tst_ProfileFile::passwordReadableByOthers()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, contents);
    QFETCH(bool, loads);

    QVERIFY(m_folder->write(QStringLiteral("Good.cfp"), Good));
    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), contents));
    const QString path = m_folder->filePath(QStringLiteral("Prod.cfp"));
#ifdef Q_OS_UNIX
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
#else
    // The same rows with the mode's counterpart in an access list. Wine keeps
    // none: it makes one from the file's Unix mode, where Everyone stands for the
    // others' bits and Users has no place.
    if ((mode & 040) && !(mode & 004) && underWine())
        QSKIP("Wine cannot give a file an entry for Users");
    QVERIFY(giveAccess(path, accessLike(mode)));
#endif

    ConnectionProfile profile;
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Good")));
    bool loaded = false;
    const auto error = raisedBy([&] {
        loaded = profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod"));
    });
    if (loads) {
        QVERIFY2(!error, error ? qPrintable(error->description()) : "");
        QVERIFY(loaded);
    } else {
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::ProfilePermissions);
        const auto after = raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
        QVERIFY2(after, "the profile loaded before is still in place");
        QCOMPARE(after->number(), ErrorNumber::ProfileNotLoaded);
    }
}

void tst_ProfileFile::permissionAdviceNamesTheFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("description");

#ifdef Q_OS_WIN
    // <cuenta>: the account the suite runs as, checked on its own.
    QTest::newRow("plain")
        << "Prod.cfp"
        << "El perfil Prod contiene una contraseña y otros usuarios pueden leerlo; "
           "restrinja sus permisos con: icacls \"Prod.cfp\" /inheritance:r /grant:r \"<cuenta>:F\"";
    QTest::newRow("extension as found")
        << "Prod.CFP"
        << "El perfil Prod contiene una contraseña y otros usuarios pueden leerlo; "
           "restrinja sus permisos con: icacls \"Prod.CFP\" /inheritance:r /grant:r \"<cuenta>:F\"";
    QTest::newRow("quoted for the shell")
        << "Prod it's.cfp"
        << "El perfil Prod it's contiene una contraseña y otros usuarios pueden leerlo; "
           "restrinja sus permisos con: icacls \"Prod it's.cfp\" /inheritance:r /grant:r \"<cuenta>:F\"";
#else
    QTest::newRow("plain") << "Prod.cfp"
                           << "El perfil Prod contiene una contraseña y otros usuarios pueden leerlo; "
                              "restrinja sus permisos con: chmod 600 Prod.cfp";
    QTest::newRow("extension as found")
        << "Prod.CFP"
        << "El perfil Prod contiene una contraseña y otros usuarios pueden leerlo; "
           "restrinja sus permisos con: chmod 600 Prod.CFP";
    QTest::newRow("quoted for the shell")
        << "Prod it's.cfp"
        << "El perfil Prod it's contiene una contraseña y otros usuarios pueden leerlo; "
           "restrinja sus permisos con: chmod 600 'Prod it'\\''s.cfp'";
#endif
}

void tst_ProfileFile::permissionAdviceNamesTheFile()
{
    QFETCH(QString, fileName);
    QFETCH(QString, description);

    QVERIFY(m_folder->write(fileName, Good + "Password=tiger\n",
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
#ifdef Q_OS_WIN
    QVERIFY(giveAccess(m_folder->filePath(fileName), accessLike(0644)));
#endif
    ConnectionProfile profile;
    const QString name = fileName.chopped(4);
    const auto error
        = raisedBy([&] { profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), name); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProfilePermissions);
#ifdef Q_OS_WIN
    // The account the command grants is the one running the program.
    const QRegularExpressionMatch granted
        = QRegularExpression(QStringLiteral("/grant:r \"(.+):F\"$")).match(error->description());
    QVERIFY2(granted.hasMatch(), qPrintable(error->description()));
    const QString account = granted.captured(1);
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    wchar_t domain[257];
    DWORD domainSize = 257;
    SID_NAME_USE use;
    QVERIFY2(LookupAccountNameW(nullptr, reinterpret_cast<const wchar_t*>(account.utf16()), sid, &sidSize,
                 domain, &domainSize, &use),
        qPrintable(account));
    const QByteArray self = sidOf(Trustee::Owner);
    QVERIFY(!self.isEmpty());
    QVERIFY2(EqualSid(sid, const_cast<char*>(self.data())), qPrintable(account));
    description.replace(QStringLiteral("<cuenta>"), account);
#endif
    QCOMPARE(error->description(), description);
}

// Loads Prod.cfp, a profile that names this credential.
bool tst_ProfileFile::loadNaming(ConnectionProfile& profile, const QString& credential)
{
    return m_folder->write(QStringLiteral("Prod.cfp"), Good + "Credencial=" + credential.toUtf8() + "\n")
        && profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod"));
}

void tst_ProfileFile::storedPassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("connection");

    QTest::newRow("plain") << "tiger" << GoodText + ";PWD={tiger}";
    QTest::newRow("; and } as in the file") << "se;cr}et" << GoodText + ";PWD={se;cr}}et}";
    QTest::newRow("non-ASCII") << "contraseña€" << GoodText + ";PWD={contraseña€}";
    // What a file cannot hold, as its values are trimmed.
    QTest::newRow("blanks at both ends") << " ti ger\t" << GoodText + ";PWD={ ti ger\t}";
}

void tst_ProfileFile::storedPassword()
{
    QFETCH(QString, password);
    QFETCH(QString, connection);
    TV_NEED_CREDENTIAL_STORE();

    StoredCredential credential;
    QVERIFY(credential.store(password));
    ConnectionProfile profile;
    QVERIFY(loadNaming(profile, credential.name()));
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true), connection);
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, false), GoodText);

    // Read at each connection: a password changed in the store counts at once.
    QVERIFY(credential.store(QStringLiteral("nueva")));
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true), GoodText + ";PWD={nueva}");
}

void tst_ProfileFile::credentialNotStored_data()
{
    QTest::addColumn<QString>("credential");
    QTest::addColumn<QString>("command"); // in the message, after "guárdela con: "

#ifdef Q_OS_WIN
    QTest::newRow("plain") << "Prod"
                           << "cmdkey /generic:Prod /user:Tarvelin /pass";
    QTest::newRow("quoted for cmd") << "Base de O'Brien"
                                    << "cmdkey /generic:\"Base de O'Brien\" /user:Tarvelin /pass";
#else
    QTest::newRow("plain") << "Prod"
                           << "secret-tool store --label='Tarvelin Prod' programa tarvelin credencial Prod";
    QTest::newRow("quoted for the shell")
        << "Base de O'Brien"
        << "secret-tool store --label='Tarvelin Base de O'\\''Brien' programa tarvelin credencial "
           "'Base de O'\\''Brien'";
#endif
}

void tst_ProfileFile::credentialNotStored()
{
    QFETCH(QString, credential);
    QFETCH(QString, command);
    TV_NEED_CREDENTIAL_STORE();

    ConnectionProfile profile;
    QVERIFY(loadNaming(profile, credential));
    // Without the password nothing is looked up.
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, false), GoodText);
    const auto error = raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::CredentialMissing);
#ifdef Q_OS_WIN
    const QString store = QStringLiteral("el Administrador de credenciales de Windows");
#else
    const QString store = QStringLiteral("el llavero del sistema");
#endif
    QCOMPARE(error->description(),
        QStringLiteral("El perfil Prod usa la credencial «%1», que no está guardada en %2; guárdela con: %3")
            .arg(credential, store, command));
}

void tst_ProfileFile::storedPasswordNotUsable_data()
{
    QTest::addColumn<QByteArray>("secret"); // as stored, byte for byte
    QTest::addColumn<QString>("reason"); // after "El perfil Prod usa la credencial «<name>», pero "

    const QString retype = QStringLiteral("; guárdela de nuevo con: <orden>");
#ifdef Q_OS_WIN
    QTest::newRow("line end") << QByteArray("t\0i\0\n\0", 6)
                              << "la contraseña guardada contiene caracteres de control (¿un salto de "
                                 "línea al final?)"
            + retype;
    QTest::newRow("odd size, no UTF-16")
        << QByteArray("tig") << "lo guardado en ella no es una contraseña de texto";
#else
    QTest::newRow("line end, as echo adds") << QByteArray("tiger\n")
                                            << "la contraseña guardada contiene caracteres de control "
                                               "(¿un salto de línea al final?)"
            + retype;
    QTest::newRow("not UTF-8") << QByteArray("ti\xFFger") << "la contraseña guardada no es texto UTF-8";
#endif
}

void tst_ProfileFile::storedPasswordNotUsable()
{
    QFETCH(QByteArray, secret);
    QFETCH(QString, reason);
    TV_NEED_CREDENTIAL_STORE();

    StoredCredential credential;
    QVERIFY(credential.storeBytes(secret));
    ConnectionProfile profile;
    QVERIFY(loadNaming(profile, credential.name()));
    const auto error = raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::CredentialStoreFailed);
    reason.replace(QStringLiteral("<orden>"), CredentialStore::storeCommand(credential.name()));
    QCOMPARE(error->description(),
        QStringLiteral("El perfil Prod usa la credencial «%1», pero %2").arg(credential.name(), reason));
}

#ifdef Q_OS_WIN
void tst_ProfileFile::accessListDecision_data()
{
    QTest::addColumn<Aces>("aces");
    QTest::addColumn<int>("dacl");
    QTest::addColumn<bool>("othersMayRead");

    const Ace owner {true, Trustee::Owner, FILE_ALL_ACCESS};
    const Ace system {true, Trustee::System, FILE_ALL_ACCESS};
    const Ace administrators {true, Trustee::Administrators, FILE_ALL_ACCESS};
    const Ace usersRead {true, Trustee::Users, FILE_GENERIC_READ};
    const Ace everyoneDeniedReading {false, Trustee::Everyone, FILE_READ_DATA};
    const int list = Descriptor::List;

    QTest::newRow("owner only") << Aces {owner} << list << false;
    QTest::newRow("owner, SYSTEM and Administrators")
        << Aces {owner, system, administrators} << list << false;
    QTest::newRow("no entries") << Aces {} << list << false;
    QTest::newRow("NULL DACL") << Aces {} << int(Descriptor::Null) << true;
    QTest::newRow("no DACL") << Aces {} << int(Descriptor::Absent) << true;
    QTest::newRow("Everyone reads") << Aces {owner, system, {true, Trustee::Everyone, FILE_GENERIC_READ}}
                                    << list << true;
    QTest::newRow("Users read the data")
        << Aces {owner, {true, Trustee::Users, FILE_READ_DATA}} << list << true;
    QTest::newRow("Authenticated Users, generic read")
        << Aces {owner, {true, Trustee::AuthenticatedUsers, GENERIC_READ}} << list << true;
    QTest::newRow("another user, generic all")
        << Aces {owner, {true, Trustee::AnotherUser, GENERIC_ALL}} << list << true;
    QTest::newRow("Everyone sees attributes, not contents") << Aces {owner,
        {true, Trustee::Everyone, FILE_READ_ATTRIBUTES | FILE_READ_EA | READ_CONTROL | SYNCHRONIZE}}
                                                            << list << false;
    QTest::newRow("Users write, not read")
        << Aces {owner, {true, Trustee::Users, FILE_GENERIC_WRITE}} << list << false;
    QTest::newRow("inherited from the folder: Users read")
        << Aces {owner, {true, Trustee::Users, FILE_GENERIC_READ, INHERITED_ACE}} << list << true;
    QTest::newRow("inherited from the folder: owner, SYSTEM")
        << Aces {{true, Trustee::Owner, FILE_ALL_ACCESS, INHERITED_ACE},
               {true, Trustee::System, FILE_ALL_ACCESS, INHERITED_ACE}}
        << list << false;
    QTest::newRow("only for what the folder creates later")
        << Aces {owner, {true, Trustee::Everyone, GENERIC_READ, INHERIT_ONLY_ACE | OBJECT_INHERIT_ACE}}
        << list << false;
    QTest::newRow("Everyone denied reading, then Users granted")
        << Aces {everyoneDeniedReading, owner, usersRead} << list << false;
    QTest::newRow("Users denied reading, then granted")
        << Aces {{false, Trustee::Users, FILE_READ_DATA}, owner, usersRead} << list << false;
    QTest::newRow("Users granted, then denied reading")
        << Aces {owner, usersRead, {false, Trustee::Users, FILE_READ_DATA}} << list << true;
    QTest::newRow("Users denied reading, Authenticated Users granted") << Aces {
        {false, Trustee::Users, FILE_READ_DATA}, owner,
        {true, Trustee::AuthenticatedUsers, FILE_GENERIC_READ}} << list << true;
    QTest::newRow("another user denied reading, Everyone granted") << Aces {
        {false, Trustee::AnotherUser, FILE_READ_DATA}, owner,
        {true, Trustee::Everyone, FILE_GENERIC_READ}} << list << true;
    QTest::newRow("Everyone denied writing, Users granted")
        << Aces {{false, Trustee::Everyone, FILE_WRITE_DATA}, owner, usersRead} << list << true;
    QTest::newRow("denial only for what the folder creates later") << Aces {
        {false, Trustee::Everyone, FILE_READ_DATA, INHERIT_ONLY_ACE | OBJECT_INHERIT_ACE}, owner,
        usersRead} << list << true;
}

void tst_ProfileFile::accessListDecision()
{
    QFETCH(Aces, aces);
    QFETCH(int, dacl);
    QFETCH(bool, othersMayRead);

    Descriptor descriptor(aces, Descriptor::Dacl(dacl));
    QVERIFY(descriptor.isValid());
    QCOMPARE(ProfileFile::grantsReadToOthers(descriptor.get()), othersMayRead);
}
#endif

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
