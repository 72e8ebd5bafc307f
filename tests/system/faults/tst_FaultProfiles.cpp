#include "ErrorNumbers.h"
#include "FaultyConnection.h"
#include "FileFinder.h"
#include "LogLines.h"
#include "RecordingPrompter.h"
#include "RunFixture.h"
#include "frmTarvelin.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Profiles that cannot be used, through whole runs: the real window lists the
// real program folder, the real profile library reads the file, and the run
// behind the window must show the library's Spanish error (or nothing to
// load), open no connection, and leave the program able to run a good profile
// straight after.
class tst_FaultProfiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void unusableProfileStopsTheRunBeforeConnecting_data();
    void unusableProfileStopsTheRunBeforeConnecting();
    void listedNameWithABackslashLoadsNothing();
    void namesThatArePathsLoadNothing_data();
    void namesThatArePathsLoadNothing();

private:
    bool writeFile(const QString& name, const QByteArray& contents,
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner);
    void makeWindow();
    void runProfile(const QString& name);
    void goodProfileStillRuns();
    QString status() const { return m_window->findChild<QLabel*>("lblInfo")->text(); }
    QPushButton* button(const char* name) const { return m_window->findChild<QPushButton*>(name); }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::shared_ptr<FaultPlan> m_plan;
    std::shared_ptr<RecordingPrompter> m_prompter;
    std::unique_ptr<frmTarvelin> m_window;
    int m_connections = 0;
};

namespace {

const QByteArray Valid = "[Corvath S.L.]\nConnection=Driver={Oracle 19 ODBC driver};Dbq=//dbhost/ORCL\n";

QFile::Permissions permissionsFor(int mode)
{
    QFile::Permissions permissions;
    if (mode & 0400)
        permissions |= QFile::ReadOwner | QFile::ReadUser;
    if (mode & 0200)
        permissions |= QFile::WriteOwner | QFile::WriteUser;
    if (mode & 0040)
        permissions |= QFile::ReadGroup;
    if (mode & 0004)
        permissions |= QFile::ReadOther;
    return permissions;
}

QString errorText(qint32 number, const QString& description)
{
    return QStringLiteral("Error %1: %2").arg(number).arg(description);
}

} // namespace

void tst_FaultProfiles::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_plan = std::make_shared<FaultPlan>();
    m_prompter = std::make_shared<RecordingPrompter>();
    m_connections = 0;
    // A profile that works, to show that a refused one leaves the program usable.
    QVERIFY(writeFile("Bueno.cfp",
        "[Corvath S.L.]\nConnection=Driver={Simulador Oracle};Indexes=IDX_A,IDX_B;Log="
            + m_folder->filePath("log").toUtf8() + "\n"));
}

void tst_FaultProfiles::cleanup()
{
    m_window.reset();
    m_folder.reset();
}

bool tst_FaultProfiles::writeFile(
    const QString& name, const QByteArray& contents, QFile::Permissions permissions)
{
    QFile file(m_folder->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        return false;
    file.close();
    return file.setPermissions(permissions);
}

// The real window over the test folder as the program folder: real FileFinder,
// real profile library and identity; only the boxes are answered by a recorder
// and the connection counts what reaches it.
void tst_FaultProfiles::makeWindow()
{
    frmTarvelin::Services services;
    services.programFolder = [dir = m_folder->path()] { return dir; };
    services.prompter = m_prompter;
    services.newConnection = [this] {
        ++m_connections;
        return std::make_unique<FaultyConnection>(m_plan);
    };
    m_window = std::make_unique<frmTarvelin>(services);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_FaultProfiles::runProfile(const QString& name)
{
    auto* list = m_window->findChild<QComboBox*>("cmbBase");
    const int index = list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(name + QStringLiteral(" is not listed")));
    list->setCurrentIndex(index);
    QSignalSpy ended(m_window.get(), &frmTarvelin::runEnded);
    QTest::mouseClick(button("cmdReindexar"), Qt::LeftButton);
    QVERIFY(ended.wait(30000));
    QVERIFY(button("cmdReindexar")->isVisible());
    QVERIFY(!button("cmdCancelar")->isVisible());
}

void tst_FaultProfiles::goodProfileStillRuns()
{
    const qsizetype boxes = m_prompter->asked.size();
    runProfile(QStringLiteral("Bueno"));
    QCOMPARE(status(), QStringLiteral("Terminado"));
    QCOMPARE(m_prompter->asked.size(), boxes);
    QCOMPARE(
        m_plan->statements.mid(1), QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
    // The server saw the query and both rebuilds.
    QCOMPARE(loggedStatements(m_folder->filePath("log")).mid(1),
        QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
}

void tst_FaultProfiles::unusableProfileStopsTheRunBeforeConnecting_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("mode"); // file permissions, octal
    QTest::addColumn<QString>("special"); // how the file is made when not written plainly
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("description");

    const QString invalid = QStringLiteral("El perfil Roto no es válido: ");
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10", 20) << 0600 << ""
                            << ErrorNumber::ProfileNotUtf8 << invalid + "línea 1: no es texto UTF-8";
    QTest::newRow("binary after a valid start")
        << Valid + QByteArray("\0\x01\x02", 3) << 0600 << "" << ErrorNumber::ProfileSyntax
        << invalid + "línea 3: contiene caracteres de control";
    QTest::newRow("huge") << Valid << 0600 << "sparse 4 GiB" << ErrorNumber::ProfileTooLarge
                          << invalid + "ocupa más de 64 KiB";
    QTest::newRow("unreadable") << QByteArray() << 0600 << "link to /proc/self/mem"
                                << ErrorNumber::ProfileUnreadable
                                << "El perfil Roto no se puede leer (Roto.cfp): ";
    QTest::newRow("another vendor's")
        << QByteArray("[Otra S.A.]\nConnection=Driver={Oracle 19 ODBC driver};Dbq=//dbhost/ORCL\n") << 0600
        << "" << ErrorNumber::ProfileNoVendorSection << invalid + "no tiene la sección [Corvath S.L.]";
    QTest::newRow("password readable by others")
        << Valid + "Password=s3cr3t-Tv\n"
        << 0644 << "" << ErrorNumber::ProfilePermissions
        << "El perfil Roto contiene una contraseña y otros usuarios "
           "pueden leerlo; restrinja sus permisos con: chmod 600 Roto.cfp";
    QTest::newRow("Pwd in Connection readable by others")
        << QByteArray("[Corvath S.L.]\nConnection=Driver={Oracle 19 ODBC driver};Dbq=//dbhost/ORCL;Uid=scott;"
                      "Pwd=tiger\n")
        << 0644 << "" << ErrorNumber::ProfilePermissions
        << "El perfil Roto contiene una contraseña y otros usuarios "
           "pueden leerlo; restrinja sus permisos con: chmod 600 Roto.cfp";
}

void tst_FaultProfiles::unusableProfileStopsTheRunBeforeConnecting()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, mode);
    QFETCH(QString, special);
    QFETCH(qint32, number);
    QFETCH(QString, description);

    const QString path = m_folder->filePath("Roto.cfp");
    if (special == "link to /proc/self/mem") {
        // Opens for anyone and fails on the first read, even for root.
        if (!QFileInfo(QStringLiteral("/proc/self/mem")).isFile())
            QSKIP("no /proc/self/mem here");
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), path));
    } else {
        QVERIFY(writeFile("Roto.cfp", contents));
        if (special == "sparse 4 GiB") // large on paper, cheap to make
            QVERIFY(QFile::resize(path, qint64(4) * 1024 * 1024 * 1024));
        QVERIFY(QFile::setPermissions(path, permissionsFor(mode)));
    }

    makeWindow();
    runProfile(QStringLiteral("Roto"));

    // One box with the library's number and words, the same words in the status line.
    QCOMPARE(m_prompter->asked.size(), 1);
    const RecordingPrompter::Asked box = m_prompter->asked.first();
    QCOMPARE(box.kind, QStringLiteral("message"));
    QCOMPARE(box.title, QStringLiteral("Tarvelin"));
    if (description.endsWith(QLatin1String(": "))) { // the system's reason follows
        QVERIFY2(box.text.startsWith(errorText(number, description)), qPrintable(box.text));
        QVERIFY(box.text.size() > errorText(number, description).size());
    } else {
        QCOMPARE(box.text, errorText(number, description));
    }
    QCOMPARE(status(), box.text.mid(errorText(number, QString()).size()));
    QVERIFY(!box.text.contains(QLatin1String("s3cr3t")));
    // Refused before any connection existed.
    QCOMPARE(m_connections, 0);
    QCOMPARE(m_plan->operations, QStringList());

    goodProfileStillRuns();
}

void tst_FaultProfiles::listedNameWithABackslashLoadsNothing()
{
    // A legal file name here, but a path where profiles are also used (Windows):
    // the list shows it, and choosing it loads nothing.
    QVERIFY(writeFile("sub\\Roto.cfp", Valid));
    QVERIFY(QDir(m_folder->path()).mkdir("sub"));
    QVERIFY(writeFile("sub/Roto.cfp", Valid));
    makeWindow();
    runProfile(QStringLiteral("sub\\Roto"));

    QCOMPARE(status(), QStringLiteral("Seleccione la base de datos a reindexar"));
    QCOMPARE(m_prompter->asked.size(), 0);
    QCOMPARE(m_connections, 0);
    goodProfileStillRuns();
}

void tst_FaultProfiles::namesThatArePathsLoadNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("into a subfolder") << "sub/Roto";
    QTest::newRow("into the parent folder") << "../Roto";
    QTest::newRow("absolute") << "<parent>/Roto";
}

void tst_FaultProfiles::namesThatArePathsLoadNothing()
{
    QFETCH(QString, name);

    // The list never holds such a name (it lists file names), so the run is
    // given it directly: the profile each name points at exists and is valid.
    const QDir folder(m_folder->path());
    QVERIFY(folder.mkpath("app/sub"));
    QVERIFY(writeFile("Roto.cfp", Valid));
    QVERIFY(writeFile("app/sub/Roto.cfp", Valid));
    name.replace(QStringLiteral("<parent>"), m_folder->path());

    RunFixture f;
    f.request.profileName = name;
    f.request.programFolder = folder.filePath("app");
    f.run();

    QCOMPARE(
        f.observer.statuses(), QStringList({"Conectando...", "Seleccione la base de datos a reindexar"}));
    QVERIFY(f.observer.errors().isEmpty());
    QCOMPARE(f.connectionsMade, 0);
    QCOMPARE(f.outcome.end, RunOutcome::End::NoProfile);
}

QTEST_MAIN(tst_FaultProfiles)
#include "tst_FaultProfiles.moc"
