// (c) Form_Load over a folder of 10,000 profile files, through the real
//     FileFinder, against a bare listing of the same folder.
//
//   bench_form_load [--files=10000] [--reps=7]

#include "BenchSetup.h"
#include "FileFinder.h"
#include "Measure.h"
#include "frmTarvelin.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Measure::seconds;

void makeProfiles(const QString& folder, int files)
{
    for (int i = 1; i <= files; ++i) {
        QFile file(QStringLiteral("%1/Perfil_%2.cfp").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly))
            Measure::fail(QStringLiteral("cannot create %1").arg(file.fileName()));
    }
}

std::size_t readdirListing(const QByteArray& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.constData());
    if (!dir)
        Measure::fail(QStringLiteral("opendir failed"));
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return names.size();
}

qsizetype qdirListing(const QString& folder)
{
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted)
        .size();
}

// Form_Load runs once in the constructor; with no folder yet it lists nothing,
// so the timed call below fills an empty list exactly as at start-up.
double timedFormLoad(const QString& folder, int files)
{
    auto programFolder = std::make_shared<QString>();
    frmTarvelin::Services services;
    services.programFolder = [programFolder] { return *programFolder; };
    frmTarvelin window(services);
    *programFolder = folder;
    const double elapsed = seconds([&] { window.Form_Load(); });
    if (window.findChild<QComboBox*>(QStringLiteral("cmbBase"))->count() != files)
        Measure::fail(QStringLiteral("Form_Load did not list every profile"));
    return elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    BenchSetup::beforeApplication();
    QApplication app(argc, argv);
    const int files = BenchSetup::intOption(argc, argv, "files", 10000);
    const int reps = BenchSetup::intOption(argc, argv, "reps", 7);

    QTemporaryDir dir;
    if (!dir.isValid())
        Measure::fail(QStringLiteral("no temporary folder"));
    makeProfiles(dir.path(), files);
    const QByteArray nativeFolder = QFile::encodeName(dir.path());

    std::printf(
        "(c) Form_Load vs a bare listing of the same folder: %d profile files, %d reps\n", files, reps);
    std::fflush(stdout);
    timedFormLoad(dir.path(), files); // the folder is in the cache from here on

    std::vector<double> formLoad, readdirTimes, qdirTimes, findFiles, arrangeList, comboFill;
    for (int rep = 0; rep < reps; ++rep) {
        readdirTimes.push_back(seconds([&] {
            if (readdirListing(nativeFolder) != static_cast<std::size_t>(files))
                Measure::fail(QStringLiteral("readdir missed files"));
        }));
        qdirTimes.push_back(seconds([&] { qdirListing(dir.path()); }));
        formLoad.push_back(timedFormLoad(dir.path(), files));

        // Where Form_Load's time goes: the two FileFinder calls and the list.
        QStringList list;
        findFiles.push_back(
            seconds([&] { FileFinder::instance().FindFiles(list, dir.path(), QStringLiteral("*.cfp")); }));
        arrangeList.push_back(seconds([&] { FileFinder::instance().ArrangeList(list, -1, -1, -1); }));
        QComboBox combo;
        comboFill.push_back(seconds([&] {
            for (const QString& name : std::as_const(list)) {
                combo.addItem(name.left(name.size() - 4));
                combo.setCurrentIndex(-1);
            }
        }));
    }
    Measure::printSeries(QStringLiteral("Form_Load"), formLoad, 1e3, QStringLiteral("ms"), 2);
    Measure::printSeries(QStringLiteral("  FileFinder::FindFiles"), findFiles, 1e3, QStringLiteral("ms"), 2);
    Measure::printSeries(
        QStringLiteral("  FileFinder::ArrangeList"), arrangeList, 1e3, QStringLiteral("ms"), 2);
    Measure::printSeries(QStringLiteral("  filling the combo box"), comboFill, 1e3, QStringLiteral("ms"), 2);
    Measure::printSeries(QStringLiteral("bare listing: readdir"), readdirTimes, 1e3, QStringLiteral("ms"), 2);
    Measure::printSeries(
        QStringLiteral("bare listing: QDir::entryList"), qdirTimes, 1e3, QStringLiteral("ms"), 2);
    const double f = Measure::median(formLoad), r = Measure::median(readdirTimes),
                 q = Measure::median(qdirTimes);
    const QString absolute = QStringLiteral("Form_Load %1 ms, QDir %2 ms, readdir %3 ms")
                                 .arg(f * 1e3, 0, 'f', 2)
                                 .arg(q * 1e3, 0, 'f', 2)
                                 .arg(r * 1e3, 0, 'f', 2);
    // Both listings are bare listings; each is reported against the target.
    Measure::printFigure(QStringLiteral("(c)"),
        QStringLiteral("Form_Load / QDir::entryList listing, %1 profile files").arg(files),
        QStringLiteral("%1x").arg(f / q, 0, 'f', 2), absolute, QStringLiteral("<= 50 ms and <= 3x"),
        f <= 0.050 && f / q <= 3.0);
    Measure::printFigure(QStringLiteral("(c, readdir)"),
        QStringLiteral("Form_Load / readdir listing, %1 profile files").arg(files),
        QStringLiteral("%1x").arg(f / r, 0, 'f', 2), absolute, QStringLiteral("<= 50 ms and <= 3x"),
        f <= 0.050 && f / r <= 3.0);
    return 0;
}
