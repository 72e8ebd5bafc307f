#include "FakeFileFinder.h"
#include "RecordingPrompter.h"
#include "frmTarvelin.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>

// The profile list as the window fills it when it is created.
class tst_FormLoad : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void callsTheFinderOnce();
    void nothingListed_data();
    void nothingListed();
    void finderCannotBeCreated_data();
    void finderCannotBeCreated();
    void entriesInArrangedOrder_data();
    void entriesInArrangedOrder();
    void entryIsTheNameWithoutItsLastFourCharacters_data();
    void entryIsTheNameWithoutItsLastFourCharacters();
    void shortElementStopsTheListing_data();
    void shortElementStopsTheListing();

    void realFolder();
    void realFolderMissingOrWithoutProfiles();
    void realFolderWithTenThousandProfiles();

private:
    std::unique_ptr<frmTarvelin> openWindow();
    std::unique_ptr<frmTarvelin> openWindowOnRealFolder(const QString& folder);
    static QStringList entries(const frmTarvelin& window);
    static QComboBox* list(const frmTarvelin& window);

    std::unique_ptr<FakeFileFinder> m_finder;
    std::shared_ptr<RecordingPrompter> m_prompter;
    int m_finderRequests = 0;
};

void tst_FormLoad::init()
{
    m_finder = std::make_unique<FakeFileFinder>();
    m_prompter = std::make_shared<RecordingPrompter>();
    m_finderRequests = 0;
}

void tst_FormLoad::cleanup()
{
    m_finder.reset();
    m_prompter.reset();
}

std::unique_ptr<frmTarvelin> tst_FormLoad::openWindow()
{
    frmTarvelin::Services services;
    services.fileFinder = [this]() -> FileFinder& {
        ++m_finderRequests;
        return *m_finder;
    };
    services.programFolder = [] { return QStringLiteral("/opt/tarvelin"); };
    services.prompter = m_prompter;
    return std::make_unique<frmTarvelin>(services);
}

std::unique_ptr<frmTarvelin> tst_FormLoad::openWindowOnRealFolder(const QString& folder)
{
    frmTarvelin::Services services; // the program's own FileFinder
    services.programFolder = [folder] { return folder; };
    services.prompter = m_prompter;
    return std::make_unique<frmTarvelin>(services);
}

QComboBox* tst_FormLoad::list(const frmTarvelin& window)
{
    return window.findChild<QComboBox*>(QStringLiteral("cmbBase"));
}

QStringList tst_FormLoad::entries(const frmTarvelin& window)
{
    QStringList result;
    const QComboBox* combo = list(window);
    for (int i = 0; i < combo->count(); ++i)
        result << combo->itemText(i);
    return result;
}

void tst_FormLoad::callsTheFinderOnce()
{
    // FindFiles gets an empty list, the program folder and the pattern; ArrangeList gets
    // what was found and three true flags; both go to the same finder.
    m_finder->found = {QStringLiteral("Test.cfp"), QStringLiteral("Prod.cfp")};
    const auto window = openWindow();
    QCOMPARE(m_finderRequests, 1);
    QCOMPARE(m_finder->findCalls, 1);
    QCOMPARE(m_finder->listOnFindEntry, QStringList());
    QCOMPARE(m_finder->folderSeen, QStringLiteral("/opt/tarvelin"));
    QCOMPARE(m_finder->patternSeen, QStringLiteral("*.cfp"));
    QCOMPARE(m_finder->arrangeCalls, 1);
    QCOMPARE(m_finder->listOnArrangeEntry, m_finder->found);
    QCOMPARE(m_finder->sortSeen, -1);
    QCOMPARE(m_finder->ignoreCaseSeen, -1);
    QCOMPARE(m_finder->dropSeen, -1);
}

// Whatever stops the listing, the window opens with an empty list, nothing selected and no
// message; ArrangeList is called only after a FindFiles that returned true.
void tst_FormLoad::nothingListed_data()
{
    QTest::addColumn<bool>("findResult");
    QTest::addColumn<int>("failure"); // FakeFileFinder::Failure, or -1: the program folder cannot be read
    QTest::addColumn<int>("findCalls");
    QTest::addColumn<int>("arrangeCalls");

    const int none = int(FakeFileFinder::Failure::None);
    QTest::newRow("FindFiles gives false") << false << none << 1 << 0;
    QTest::newRow("FindFiles fails") << true << int(FakeFileFinder::Failure::InFindFiles) << 1 << 0;
    QTest::newRow("ArrangeList fails") << true << int(FakeFileFinder::Failure::InArrangeList) << 1 << 1;
    QTest::newRow("program folder unreadable") << true << -1 << 0 << 0;
    QTest::newRow("no profile file") << true << none << 1 << 1;
}

void tst_FormLoad::nothingListed()
{
    QFETCH(bool, findResult);
    QFETCH(int, failure);
    QFETCH(int, findCalls);
    QFETCH(int, arrangeCalls);

    m_finder->findResult = findResult;
    // What FindFiles lists must not be read after a false or a failure.
    m_finder->found
        = QTest::currentDataTag() == QByteArray("no profile file") ? QStringList() : QStringList("Prod.cfp");
    if (failure >= 0)
        m_finder->failure = FakeFileFinder::Failure(failure);
    frmTarvelin::Services services;
    services.fileFinder = [this]() -> FileFinder& { return *m_finder; };
    services.programFolder = [failure]() -> QString {
        if (failure < 0)
            throw TarvelinError(75, QStringLiteral("Error de acceso"));
        return QStringLiteral("/opt/tarvelin");
    };
    services.prompter = m_prompter;
    const auto window = std::make_unique<frmTarvelin>(services);

    QCOMPARE(m_finder->findCalls, findCalls);
    QCOMPARE(m_finder->arrangeCalls, arrangeCalls);
    QCOMPARE(entries(*window), QStringList());
    QCOMPARE(list(*window)->currentIndex(), -1);
    QCOMPARE(list(*window)->currentText(), QString());
    QVERIFY(m_prompter->asked.isEmpty());
}

void tst_FormLoad::finderCannotBeCreated_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("program error") << 0;
    QTest::newRow("standard exception") << 1;
    QTest::newRow("anything else") << 2;
}

void tst_FormLoad::finderCannotBeCreated()
{
    QFETCH(int, kind);
    frmTarvelin::Services services;
    services.fileFinder = [kind]() -> FileFinder& {
        if (kind == 0)
            throw TarvelinError(429, QStringLiteral("El componente ActiveX no puede crear el objeto"));
        if (kind == 1)
            throw std::runtime_error("no finder");
        throw 429;
    };
    services.programFolder = [] { return QStringLiteral("/opt/tarvelin"); };
    services.prompter = m_prompter;

    std::unique_ptr<frmTarvelin> window;
    try {
        window = std::make_unique<frmTarvelin>(services);
    } catch (...) {
        QFAIL("the failure left the window");
    }
    QCOMPARE(entries(*window), QStringList());
    QVERIFY(window->findChild<QPushButton*>(QStringLiteral("cmdReindexar"))->isVisibleTo(window.get()));
    QVERIFY(m_prompter->asked.isEmpty());
}

void tst_FormLoad::entriesInArrangedOrder_data()
{
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QStringList>("arranged");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("Prod, Test") << QStringList {"Test.cfp", "Prod.cfp"}
                                << QStringList {"Prod.cfp", "Test.cfp"} << QStringList {"Prod", "Test"};
    QTest::newRow("Test, Prod") << QStringList {"Prod.cfp", "Test.cfp"}
                                << QStringList {"Test.cfp", "Prod.cfp"} << QStringList {"Test", "Prod"};
    QTest::newRow("duplicates kept as arranged")
        << QStringList {"Z.cfp"} << QStringList {"Z.cfp", "Z.cfp", "A.cfp"} << QStringList {"Z", "Z", "A"};
}

void tst_FormLoad::entriesInArrangedOrder()
{
    QFETCH(QStringList, found);
    QFETCH(QStringList, arranged);
    QFETCH(QStringList, expected);
    m_finder->found = found;
    m_finder->arranged = arranged;
    const auto window = openWindow();
    QCOMPARE(entries(*window), expected);
}

void tst_FormLoad::entryIsTheNameWithoutItsLastFourCharacters_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("entry");
    QTest::newRow("inner dots") << QStringLiteral("Copia.de.Prod.cfp") << QStringLiteral("Copia.de.Prod");
    QTest::newRow("upper case") << QStringLiteral("PROD.CFP") << QStringLiteral("PROD");
    QTest::newRow("only the extension") << QStringLiteral(".cfp") << QString();
    QTest::newRow("spaces kept") << QStringLiteral(" Mi base .cfp") << QStringLiteral(" Mi base ");
    QTest::newRow("ending not compared") << QStringLiteral("Prod.txt") << QStringLiteral("Prod");
    QTest::newRow("accents") << QStringLiteral("Producción.cfp") << QStringLiteral("Producción");
}

void tst_FormLoad::entryIsTheNameWithoutItsLastFourCharacters()
{
    QFETCH(QString, file);
    QFETCH(QString, entry);
    m_finder->found = {file};
    const auto window = openWindow();
    QCOMPARE(entries(*window), QStringList {entry});
}

void tst_FormLoad::shortElementStopsTheListing_data()
{
    QTest::addColumn<QStringList>("arranged");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("in the middle") << QStringList {"Alfa.cfp", "Beta.cfp", "cfp", "Gamma.cfp"}
                                   << QStringList {"Alfa", "Beta"};
    QTest::newRow("first") << QStringList {"abc", "Prod.cfp"} << QStringList();
    QTest::newRow("empty element") << QStringList {"Prod.cfp", "", "Test.cfp"} << QStringList {"Prod"};
    QTest::newRow("four is enough") << QStringList {"Prod.cfp", ".cfp", "Test.cfp"}
                                    << QStringList {"Prod", "", "Test"};
}

void tst_FormLoad::shortElementStopsTheListing()
{
    QFETCH(QStringList, arranged);
    QFETCH(QStringList, expected);
    m_finder->found = arranged;
    m_finder->arranged = arranged;
    const auto window = openWindow();
    QCOMPARE(entries(*window), expected);
    QCOMPARE(list(*window)->currentIndex(), -1);
    QVERIFY(m_prompter->asked.isEmpty());
}

namespace {

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

void tst_FormLoad::realFolder()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const char* name : {"Test.cfp", "Prod.cfp", "PROD2.CFP", "Copia.de.Prod.cfp", ".cfp", "notas.txt",
             "Prod.cfp.bak", "cfp"})
        QVERIFY(touch(folder.filePath(QString::fromLatin1(name))));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Carpeta.cfp")));

    const auto window = openWindowOnRealFolder(folder.path());
    QCOMPARE(entries(*window), (QStringList {"", "Copia.de.Prod", "Prod", "PROD2", "Test"}));
    QCOMPARE(list(*window)->currentIndex(), -1);
}

void tst_FormLoad::realFolderMissingOrWithoutProfiles()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QCOMPARE(entries(*openWindowOnRealFolder(folder.filePath(QStringLiteral("no-existe")))), QStringList());
    QVERIFY(touch(folder.filePath(QStringLiteral("Tarvelin"))));
    QCOMPARE(entries(*openWindowOnRealFolder(folder.path())), QStringList());
}

void tst_FormLoad::realFolderWithTenThousandProfiles()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    constexpr int count = 10000;
    QStringList expected;
    // Created from the last to the first, so the order comes from the arranging.
    for (int i = count - 1; i >= 0; --i)
        QVERIFY(touch(folder.filePath(QStringLiteral("Perfil%1.cfp").arg(i, 5, 10, QLatin1Char('0')))));
    for (int i = 0; i < count; ++i)
        expected << QStringLiteral("Perfil%1").arg(i, 5, 10, QLatin1Char('0'));
    QVERIFY(touch(folder.filePath(QStringLiteral("Tarvelin"))));

    const auto window = openWindowOnRealFolder(folder.path());
    QCOMPARE(list(*window)->count(), count);
    QCOMPARE(entries(*window), expected);
    QCOMPARE(list(*window)->currentIndex(), -1);
}

QTEST_MAIN(tst_FormLoad)
#include "tst_FormLoad.moc"
