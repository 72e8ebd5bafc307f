#include "ConnectionProfile.h"
#include "FileFinder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// `cmake --install` of this build into throwaway folders: what lands where, and
// that the pieces that point at each other (launcher, menu entry) still find
// the program folder once installed.
class tst_InstallLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void intoAPrefixWithASpace();
    void underDestdir();
    void exampleProfileIsNotListedButLoadsOnceCopied();
    void programFolderThroughALinkIsTheLinkTarget();
    void startedWithoutADisplay_data();
    void startedWithoutADisplay();

private:
    // Runs the build's install into prefix, under destdir when it is not empty.
    void install(const QString& prefix, const QString& destdir = {});
    // root: where the files are; prefix: where they will be run from.
    void checkLayout(const QString& root, const QString& prefix);

    QTemporaryDir m_dir;
};

namespace {

const QString Program = QStringLiteral("lib/tarvelin/Tarvelin");
const QString Example = QStringLiteral("lib/tarvelin/Ejemplo.cfp.example");
const QString Launcher = QStringLiteral("bin/Tarvelin");
const QString Console = QStringLiteral("lib/tarvelin/tarvelin-cli");
const QString ConsoleLauncher = QStringLiteral("bin/tarvelin-cli");
const QString DesktopEntry = QStringLiteral("share/applications/tarvelin.desktop");

QString icon(int size)
{
    return QStringLiteral("share/icons/hicolor/%1x%1/apps/tarvelin.png").arg(size);
}

// Every file and link below root, relative to it, sorted.
QStringList filesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

QString linkText(const QString& path)
{
    QByteArray buffer(4096, '\0');
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer.data(), size_t(buffer.size()));
    return n < 0 ? QString() : QFile::decodeName(buffer.left(n));
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The "key=value" lines of a desktop entry's [Desktop Entry] group.
QMap<QString, QString> desktopKeys(const QByteArray& entry)
{
    QMap<QString, QString> keys;
    const QStringList lines = QString::fromUtf8(entry).split(u'\n');
    bool inGroup = false;
    for (const QString& line : lines) {
        if (line.startsWith(u'['))
            inGroup = (line == QLatin1String("[Desktop Entry]"));
        else if (inGroup && line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return keys;
}

} // namespace

void tst_InstallLayout::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void tst_InstallLayout::install(const QString& prefix, const QString& destdir)
{
    QProcess cmake;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DESTDIR"));
    if (!destdir.isEmpty())
        env.insert(QStringLiteral("DESTDIR"), destdir);
    cmake.setProcessEnvironment(env);
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start(QStringLiteral(TARVELIN_CMAKE_COMMAND),
        {QStringLiteral("--install"), QStringLiteral(TARVELIN_BUILD_DIR), QStringLiteral("--prefix"),
            prefix});
    QVERIFY(cmake.waitForFinished(-1));
    const QByteArray output = cmake.readAll();
    QVERIFY2(cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0, output.constData());
}

void tst_InstallLayout::checkLayout(const QString& root, const QString& prefix)
{
    const QDir dir(root);

    // Exactly these, nothing else: no test plugin, no library, no header.
    QStringList expected {
        Program, Console, Example, Launcher, ConsoleLauncher, DesktopEntry, icon(16), icon(32), icon(48)};
    expected.sort();
    QCOMPARE(filesBelow(root), expected);

    const QFileInfo program(dir.filePath(Program));
    QVERIFY(program.isFile() && program.isExecutable());
    QVERIFY(contentsOf(program.filePath())
                .startsWith("\x7F"
                            "ELF"));

    QCOMPARE(contentsOf(dir.filePath(Example)),
        contentsOf(QStringLiteral(TARVELIN_SOURCE_DIR "/resources/Ejemplo.cfp.example")));

    // A relative link, so that it stays right under DESTDIR and in the prefix.
    QVERIFY(QFileInfo(dir.filePath(Launcher)).isSymLink());
    QCOMPARE(linkText(dir.filePath(Launcher)), QStringLiteral("../lib/tarvelin/Tarvelin"));
    QCOMPARE(QFileInfo(dir.filePath(Launcher)).canonicalFilePath(), program.canonicalFilePath());
    // The console program beside it, so that both read the same profiles.
    QVERIFY(QFileInfo(dir.filePath(Console)).isExecutable());
    QCOMPARE(linkText(dir.filePath(ConsoleLauncher)), QStringLiteral("../lib/tarvelin/tarvelin-cli"));

    const QMap<QString, QString> keys = desktopKeys(contentsOf(dir.filePath(DesktopEntry)));
    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Tarvelin"));
    QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("tarvelin"));
    QCOMPARE(keys.value(QStringLiteral("Terminal")), QStringLiteral("false"));
    // The program by its full path where it will run, quoted when it has a space.
    QString exec = prefix + QStringLiteral("/") + Program;
    if (exec.contains(u' '))
        exec = u'"' + exec + u'"';
    QCOMPARE(keys.value(QStringLiteral("Exec")), exec);

    for (const int size : {16, 32, 48}) {
        QImageReader reader(dir.filePath(icon(size)));
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), QSize(size, size));
    }
}

void tst_InstallLayout::intoAPrefixWithASpace()
{
    const QString prefix = m_dir.filePath(QStringLiteral("mi prefijo"));
    install(prefix);
    checkLayout(prefix, prefix);

    // The menu entry names the installed program itself.
    const QString exec = desktopKeys(contentsOf(prefix + u'/' + DesktopEntry)).value(QStringLiteral("Exec"));
    const QFileInfo started(exec.mid(1, exec.size() - 2));
    QVERIFY(started.isExecutable());
    QCOMPARE(started.canonicalFilePath(), QFileInfo(prefix + u'/' + Program).canonicalFilePath());
}

void tst_InstallLayout::underDestdir()
{
    const QString stage = m_dir.filePath(QStringLiteral("stage"));
    install(QStringLiteral("/usr"), stage);
    checkLayout(stage + QStringLiteral("/usr"), QStringLiteral("/usr"));
    // Everything went below the staging folder's prefix.
    QCOMPARE(QDir(stage).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"usr"}));
}

void tst_InstallLayout::exampleProfileIsNotListedButLoadsOnceCopied()
{
    const QString prefix = m_dir.filePath(QStringLiteral("example"));
    install(prefix);
    const QString folder = prefix + QStringLiteral("/lib/tarvelin");

    // The program lists "*.cfp" in its folder: the example is not among them.
    FileFinder finder;
    QStringList listed {QStringLiteral("stale")};
    QVERIFY(finder.FindFiles(listed, folder, QStringLiteral("*.cfp")));
    QCOMPARE(listed, QStringList());

    // Copied as the instructions in it say, it is listed and loads as written.
    QVERIFY(
        QFile::copy(folder + QStringLiteral("/Ejemplo.cfp.example"), folder + QStringLiteral("/Prod.cfp")));
    QVERIFY(finder.FindFiles(listed, folder, QStringLiteral("*.cfp")));
    QCOMPARE(listed, QStringList({"Prod.cfp"}));
    ConnectionProfile profile;
    QVERIFY(profile.LoadProfile(QStringLiteral("Corvath S.L."), folder, QStringLiteral("Prod")));
    QCOMPARE(profile.GetConnectionString(QStringLiteral("Corvath S.L."), true),
        QStringLiteral("Provider=QODBC;Driver={Oracle 19 ODBC driver};Dbq=//dbhost:1521/ORCLPDB1;Uid=scott"));
}

void tst_InstallLayout::programFolderThroughALinkIsTheLinkTarget()
{
    // The launcher's arrangement, with a probe that reports the program folder
    // the same way the program does.
    const QDir root(m_dir.filePath(QStringLiteral("probe")));
    QVERIFY(root.mkpath(QStringLiteral("bin")));
    QVERIFY(root.mkpath(QStringLiteral("lib/tarvelin")));
    const QString real = root.filePath(QStringLiteral("lib/tarvelin/probe"));
    QVERIFY(QFile::copy(QStringLiteral(TARVELIN_PROBE), real));
    QVERIFY(
        ::symlink("../lib/tarvelin/probe", QFile::encodeName(root.filePath("bin/probe")).constData()) == 0);

    QProcess probe;
    probe.start(root.filePath(QStringLiteral("bin/probe")), {});
    QVERIFY(probe.waitForFinished(-1));
    QCOMPARE(probe.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()),
        QFileInfo(root.filePath(QStringLiteral("lib/tarvelin"))).canonicalFilePath());
}

void tst_InstallLayout::startedWithoutADisplay_data()
{
    QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM; empty: not set
    QTest::newRow("nothing to show the window on") << QString();
    // What the message itself suggests.
    QTest::newRow("offscreen") << QStringLiteral("offscreen");
}

void tst_InstallLayout::startedWithoutADisplay()
{
    QFETCH(QString, platform);
    const QString prefix = m_dir.filePath(QStringLiteral("pantalla"));
    install(prefix);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (!platform.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(prefix + u'/' + Launcher, {});
    QVERIFY(program.waitForStarted());
    if (!platform.isEmpty()) {
        // Its window is open, waiting for the user: the program does not end by itself.
        const bool ended = program.waitForFinished(3000);
        const QByteArray said = program.readAllStandardError();
        program.kill();
        program.waitForFinished(-1);
        QVERIFY2(!ended, said.constData());
        return;
    }
    // Not Qt's own abort in English: what is missing and what to do, in Spanish.
    QVERIFY(program.waitForFinished(-1));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QString said = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(said.startsWith(QStringLiteral("Tarvelin es un programa de escritorio y no encuentra ninguna "
                                            "pantalla")),
        qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("xvfb-run"))
            && said.contains(QStringLiteral("QT_QPA_PLATFORM=offscreen")),
        qPrintable(said));
}

QTEST_GUILESS_MAIN(tst_InstallLayout)
#include "tst_InstallLayout.moc"
