#pragma once

#include <QString>

// What a run is asked to do, read once when it starts: the window reads its controls, the console
// its command line. Nothing of it changes during the run.
struct RunRequest
{
    QString profileName; // as chosen, untrimmed: it names a file
    QString programFolder; // where the profile files are
    QString vendorName; // the section of the profile to read
    bool online = false; // every rebuild asks for ONLINE
};
