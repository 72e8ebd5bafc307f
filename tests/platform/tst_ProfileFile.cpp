// Which file a profile name loads, and the files that cannot be used.
#include "ConnectionProfile.h"
#include "ErrorNumbers.h"
#include "ProfileTestFolder.h"
#include "RaisedError.h"
#include "TarvelinError.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
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

} // namespace

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

private:
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
    if (!QFile::link(
            m_folder->filePath(QStringLiteral("gone.cfp")), m_folder->filePath(QStringLiteral("Prod.cfp"))))
        QSKIP("no symbolic links here");
    ConnectionProfile profile;
    QVERIFY(!profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
}

void tst_ProfileFile::linkToProfileLoads()
{
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
    QTest::newRow("0644 with empty password") << 0644 << emptyPassword << true;
    QTest::newRow("0644, password only for another vendor")
        << 0644 << Good + "[Otra S.A.]\nConnection=Driver=x\nPassword=otra\n"
        << true;
}

void tst_ProfileFile::passwordReadableByOthers()
{
#ifdef Q_OS_UNIX
    QFETCH(int, mode);
    QFETCH(QByteArray, contents);
    QFETCH(bool, loads);

    QVERIFY(m_folder->write(QStringLiteral("Good.cfp"), Good));
    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), contents));
    QVERIFY(
        ::chmod(QFile::encodeName(m_folder->filePath(QStringLiteral("Prod.cfp"))).constData(), mode_t(mode))
        == 0);

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
#else
    QSKIP("no group and other permissions here");
#endif
}

void tst_ProfileFile::permissionAdviceNamesTheFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("description");

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
}

void tst_ProfileFile::permissionAdviceNamesTheFile()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, fileName);
    QFETCH(QString, description);

    QVERIFY(m_folder->write(fileName, Good + "Password=tiger\n",
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    ConnectionProfile profile;
    const QString name = fileName.chopped(4);
    const auto error
        = raisedBy([&] { profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), name); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProfilePermissions);
    QCOMPARE(error->description(), description);
#else
    QSKIP("no group and other permissions here");
#endif
}

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
