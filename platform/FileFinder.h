#pragma once

#include <QStringList>
#include <QtGlobal>

// Lists the files of a folder that match a pattern. One instance serves the
// whole program; tests derive from it to stand in for the file system.
class FileFinder
{
public:
    virtual ~FileFinder() = default;

    // The value that turns an ArrangeList flag on (any nonzero value does).
    static constexpr qint32 On = -1;

    // Created on first use, kept until the program ends.
    static FileFinder& instance();

    // Fills list with the names (without folder) of the regular files in folder
    // that match pattern ("*" and "?" wildcards, case-insensitive). False when
    // the folder cannot be listed.
    virtual bool FindFiles(QStringList& list, QString folder, QString pattern);
    // Each flag is active when nonzero (On): sortByName orders by name, ignoreCase
    // makes that order and the duplicate test case-insensitive, dropDuplicates
    // keeps only the first of equal names.
    virtual void ArrangeList(QStringList& list, qint32 sortByName, qint32 ignoreCase, qint32 dropDuplicates);
};
