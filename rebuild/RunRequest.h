#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// What a run is asked to do, read once when it starts: the window reads its controls, the console
// its command line. Nothing of it changes during the run.
struct RunRequest
{
    QString profileName; // as chosen, untrimmed: it names a file
    QString programFolder; // where the profile files are
    QString vendorName; // the section of the profile to read
    bool online = false; // every rebuild asks for ONLINE

    // For a run nobody watches (tarvelin-cli's options):
    // seconds a rebuild waits for a table's lock; none: the profile's EsperaBloqueo, if any
    std::optional<int> lockWaitSeconds;
    bool keepGoing = false; // a failed statement is reported and the run goes on with the next
    QDateTime deadline; // no statement starts after it; invalid: none
};
