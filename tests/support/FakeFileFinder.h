#pragma once

#include "FileFinder.h"
#include "TarvelinError.h"

#include <QStringList>

#include <optional>

// Stands in for the file system: returns a scripted listing and arrangement,
// records how it was called, and fails on request.
class FakeFileFinder : public FileFinder
{
public:
    enum class Failure { None, InFindFiles, InArrangeList };

    // Scripted behaviour.
    bool findResult = true;
    QStringList found; // what FindFiles puts into the list
    std::optional<QStringList> arranged; // what ArrangeList leaves; unset: list unchanged
    Failure failure = Failure::None;

    // What happened.
    int findCalls = 0;
    int arrangeCalls = 0;
    QStringList listOnFindEntry;
    QString folderSeen;
    QString patternSeen;
    QStringList listOnArrangeEntry;
    qint32 sortSeen = 0, ignoreCaseSeen = 0, dropSeen = 0;

    bool FindFiles(QStringList& list, QString folder, QString pattern) override
    {
        ++findCalls;
        listOnFindEntry = list;
        folderSeen = folder;
        patternSeen = pattern;
        if (failure == Failure::InFindFiles)
            throw TarvelinError(53, QStringLiteral("No se ha encontrado el archivo"));
        list = found;
        return findResult;
    }

    void ArrangeList(QStringList& list, qint32 sortByName, qint32 ignoreCase, qint32 dropDuplicates) override
    {
        ++arrangeCalls;
        listOnArrangeEntry = list;
        sortSeen = sortByName;
        ignoreCaseSeen = ignoreCase;
        dropSeen = dropDuplicates;
        if (failure == Failure::InArrangeList)
            throw TarvelinError(5, QStringLiteral("Llamada a procedimiento o argumento no válido"));
        if (arranged)
            list = *arranged;
    }
};
