#include "FileFinder.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

class tst_FileFinder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void oneInstance();
    void findFiles_data();
    void findFiles();
    void findFilesLeavesOutSpecialFiles();
    void findFilesReplacesTheList();
    void findFilesOnAFolderThatCannotBeListed_data();
    void findFilesOnAFolderThatCannotBeListed();
    void findFilesOnAnUnreadableFolder();
    void arrangeList_data();
    void arrangeList();

private:
    bool touch(const QString& name);

    std::unique_ptr<QTemporaryDir> m_folder;
};

void tst_FileFinder::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

void tst_FileFinder::cleanup()
{
    m_folder.reset();
}

bool tst_FileFinder::touch(const QString& name)
{
    QFile file(m_folder->filePath(name));
    return file.open(QIODevice::WriteOnly);
}

void tst_FileFinder::oneInstance()
{
    FileFinder& first = FileFinder::instance();
    FileFinder& second = FileFinder::instance();
    QCOMPARE(&first, &second);
}

void tst_FileFinder::findFiles_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("any case") << QStringList {"PROD.CFP", "Test.Cfp", "x.cFp"} << QStringList() << "*.cfp"
                              << QStringList {"PROD.CFP", "Test.Cfp", "x.cFp"};
    QTest::newRow("other files left out")
        << QStringList {"Prod.cfp", "Prod.cfp.bak", "notas.txt", "cfp", "Prodcfp", "Tarvelin"}
        << QStringList() << "*.cfp" << QStringList {"Prod.cfp"};
    QTest::newRow("folders left out") << QStringList {"Prod.cfp"} << QStringList {"Carpeta.cfp", "x.CFP"}
                                      << "*.cfp" << QStringList {"Prod.cfp"};
    QTest::newRow("only the extension")
        << QStringList {".cfp", "Prod.cfp"} << QStringList() << "*.cfp" << QStringList {".cfp", "Prod.cfp"};
    QTest::newRow("inner dots and spaces")
        << QStringList {"Copia.de.Prod.cfp", "Mi base.cfp"} << QStringList() << "*.cfp"
        << QStringList {"Copia.de.Prod.cfp", "Mi base.cfp"};
    QTest::newRow("question mark") << QStringList {"P1.cfp", "P22.cfp", "Q1.cfp"} << QStringList() << "P?.cfp"
                                   << QStringList {"P1.cfp"};
    QTest::newRow("stars anywhere") << QStringList {"Prod.2024.cfp", "Prod.cfp", "Prueba.cfp", "pROD-x.CFP"}
                                    << QStringList() << "p*o*d*.cfp"
                                    << QStringList {"Prod.2024.cfp", "Prod.cfp", "pROD-x.CFP"};
    QTest::newRow("a star must still reach the end")
        << QStringList {"a.cfp.cfpx", "a.cfp.cfp"} << QStringList() << "*.cfp" << QStringList {"a.cfp.cfp"};
    QTest::newRow("accented letters in any case") << QStringList {"Índices.cfp", "indices.cfp"}
                                                  << QStringList() << "í*.cfp" << QStringList {"Índices.cfp"};
    QTest::newRow("a set of characters") << QStringList {"P1.cfp", "P2.cfp", "P3.cfp"} << QStringList()
                                         << "P[12].cfp" << QStringList {"P1.cfp", "P2.cfp"};
    QTest::newRow("empty folder") << QStringList() << QStringList() << "*.cfp" << QStringList();
}

void tst_FileFinder::findFiles()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);

    for (const QString& name : files)
        QVERIFY(touch(name));
    for (const QString& name : folders)
        QVERIFY(QDir(m_folder->path()).mkdir(name));
    // A profile in a subfolder is not one of this folder's.
    if (!folders.isEmpty())
        QVERIFY(QFile(m_folder->filePath(folders.first() + QStringLiteral("/Dentro.cfp")))
                    .open(QIODevice::WriteOnly));

    QStringList list;
    QVERIFY(FileFinder::instance().FindFiles(list, m_folder->path(), pattern));
    list.sort(); // the order is ArrangeList's business
    expected.sort();
    QCOMPARE(list, expected);
}

void tst_FileFinder::findFilesLeavesOutSpecialFiles()
{
#ifndef Q_OS_UNIX
    QSKIP("pipes and links as Unix has them");
#else
    QVERIFY(touch(QStringLiteral("Prod.cfp")));
    const QByteArray fifo = QFile::encodeName(m_folder->filePath(QStringLiteral("Tuberia.cfp")));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("Carpeta")));
    QVERIFY(QFile::link(
        m_folder->filePath(QStringLiteral("Carpeta")), m_folder->filePath(QStringLiteral("Enlace.cfp"))));
    QVERIFY(QFile::link(
        m_folder->filePath(QStringLiteral("no-existe")), m_folder->filePath(QStringLiteral("Roto.cfp"))));

    QStringList list;
    QVERIFY(FileFinder::instance().FindFiles(list, m_folder->path(), QStringLiteral("*.cfp")));
    QCOMPARE(list, QStringList {QStringLiteral("Prod.cfp")});
#endif
}

void tst_FileFinder::findFilesReplacesTheList()
{
    QVERIFY(touch(QStringLiteral("Prod.cfp")));
    QStringList list {QStringLiteral("Viejo.cfp")};
    QVERIFY(FileFinder::instance().FindFiles(list, m_folder->path(), QStringLiteral("*.cfp")));
    QCOMPARE(list, QStringList {QStringLiteral("Prod.cfp")});
}

void tst_FileFinder::findFilesOnAFolderThatCannotBeListed_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("missing") << QStringLiteral("no-existe");
    QTest::newRow("a file") << QStringLiteral("Prod.cfp");
    QTest::newRow("no folder given") << QString();
}

void tst_FileFinder::findFilesOnAFolderThatCannotBeListed()
{
    QFETCH(QString, folder);
    QVERIFY(touch(QStringLiteral("Prod.cfp")));
    const QString path = folder.isEmpty() ? QString() : m_folder->filePath(folder);
    QStringList list;
    QVERIFY(!FileFinder::instance().FindFiles(list, path, QStringLiteral("*.cfp")));
}

void tst_FileFinder::findFilesOnAnUnreadableFolder()
{
#ifndef Q_OS_UNIX
    QSKIP("a folder is locked here with Unix permissions; Windows locks it with its access list");
#endif
    TV_RUN_UNPRIVILEGED();
    const QString locked = m_folder->filePath(QStringLiteral("cerrada"));
    QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("cerrada")));
    QVERIFY(QFile(locked + QStringLiteral("/Prod.cfp")).open(QIODevice::WriteOnly));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    QStringList list;
    const bool found = FileFinder::instance().FindFiles(list, locked, QStringLiteral("*.cfp"));
    QVERIFY(QFile::setPermissions(
        locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QVERIFY(!found);
}

void tst_FileFinder::arrangeList_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<int>("sortByName");
    QTest::addColumn<int>("ignoreCase");
    QTest::addColumn<int>("dropDuplicates");
    QTest::addColumn<QStringList>("expected");

    const QStringList mixed {"test.cfp", "Prod.cfp", "alfa.cfp", "PROD.cfp", "Beta.cfp", "Prod.cfp"};
    QTest::newRow("all three") << mixed << -1 << -1 << -1
                               << QStringList {"alfa.cfp", "Beta.cfp", "PROD.cfp", "test.cfp"};
    QTest::newRow("any nonzero is true")
        << mixed << 1 << 7 << -5 << QStringList {"alfa.cfp", "Beta.cfp", "PROD.cfp", "test.cfp"};
    QTest::newRow("sort only, by case")
        << mixed << -1 << 0 << 0
        << QStringList {"Beta.cfp", "PROD.cfp", "Prod.cfp", "Prod.cfp", "alfa.cfp", "test.cfp"};
    QTest::newRow("sort ignoring case")
        << mixed << -1 << -1 << 0
        << QStringList {"alfa.cfp", "Beta.cfp", "PROD.cfp", "Prod.cfp", "Prod.cfp", "test.cfp"};
    QTest::newRow("drop exact duplicates in place")
        << mixed << 0 << 0 << -1 << QStringList {"test.cfp", "Prod.cfp", "alfa.cfp", "PROD.cfp", "Beta.cfp"};
    QTest::newRow("drop duplicates ignoring case, first kept")
        << mixed << 0 << -1 << -1 << QStringList {"test.cfp", "Prod.cfp", "alfa.cfp", "Beta.cfp"};
    QTest::newRow("nothing") << mixed << 0 << 0 << 0 << mixed;
    QTest::newRow("shorter before longer") << QStringList {"Prod2.cfp", "Prod.cfp", ".cfp"} << -1 << -1 << -1
                                           << QStringList {".cfp", "Prod.cfp", "Prod2.cfp"};
    QTest::newRow("empty") << QStringList() << -1 << -1 << -1 << QStringList();
}

void tst_FileFinder::arrangeList()
{
    QFETCH(QStringList, list);
    QFETCH(int, sortByName);
    QFETCH(int, ignoreCase);
    QFETCH(int, dropDuplicates);
    QFETCH(QStringList, expected);

    FileFinder::instance().ArrangeList(list, sortByName, ignoreCase, dropDuplicates);
    QCOMPARE(list, expected);
}

QTEST_GUILESS_MAIN(tst_FileFinder)
#include "tst_FileFinder.moc"
