#include "FileFinder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

bool sameLetter(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// "*" (any run of characters) and "?" (one), the rest literally and in any case, as QDir's name
// filters read them; matched here because QDir turns each filter into a regular expression, whose
// compiler costs the program's start more than the listing itself.
bool matches(QStringView name, QStringView pattern)
{
    qsizetype n = 0, p = 0;
    qsizetype starAt = -1, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || sameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

FileFinder& FileFinder::instance()
{
    static FileFinder finder;
    return finder;
}

bool FileFinder::FindFiles(QStringList& list, QString folder, QString pattern)
{
    // QDir lists an unreadable or missing folder as empty; the caller must be
    // able to tell that apart from a folder without matches.
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;

    // Names match case-insensitively. Hidden files count too: ".cfp" is a profile file like any
    // other. ArrangeList does the ordering, so the listing stays unsorted. A pattern with a set
    // ("[...]") is left to QDir.
    const QDir dir(folder);
    if (pattern.contains(u'[')) {
        list = dir.entryList(QStringList {pattern}, QDir::Files | QDir::Hidden, QDir::Unsorted);
        return true;
    }
    list = dir.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    list.removeIf([&pattern](const QString& name) { return !matches(name, pattern); });
    return true;
}

void FileFinder::ArrangeList(QStringList& list, qint32 sortByName, qint32 ignoreCase, qint32 dropDuplicates)
{
    const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;

    if (sortByName) {
        // Case is folded once per name rather than on every comparison. Names
        // equal but for case still get a fixed order, so the result never
        // depends on the order the file system returned them in.
        struct Keyed
        {
            QString key;
            QString name;
        };
        std::vector<Keyed> keyed;
        keyed.reserve(list.size());
        for (QString& name : list)
            keyed.push_back({cs == Qt::CaseInsensitive ? name.toCaseFolded() : QString(), std::move(name)});
        std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
            const int order = QString::compare(a.key, b.key, Qt::CaseSensitive);
            return order != 0 ? order < 0 : QString::compare(a.name, b.name, Qt::CaseSensitive) < 0;
        });
        for (qsizetype i = 0; i < list.size(); ++i)
            list[i] = std::move(keyed[std::size_t(i)].name);
    }

    if (dropDuplicates) {
        QSet<QString> seen;
        seen.reserve(list.size());
        QStringList kept;
        kept.reserve(list.size());
        for (const QString& name : std::as_const(list)) {
            const QString key = ignoreCase ? name.toCaseFolded() : name;
            if (!seen.contains(key)) {
                seen.insert(key);
                kept.append(name);
            }
        }
        list = std::move(kept);
    }
}
