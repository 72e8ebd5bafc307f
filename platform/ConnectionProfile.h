#pragma once

#include <QString>

#include <memory>
#include <optional>

// One connection profile of the profile library: a "<name>.cfp" file in the
// program folder, with one section per vendor. See the README for the format.
class ConnectionProfile
{
public:
    ConnectionProfile();
    ~ConnectionProfile();

    // False when there is no such profile; raises TarvelinError when the file
    // exists but cannot be used.
    bool LoadProfile(const QString& vendor, const QString& folder, const QString& name);
    // "Provider=...;<Connection>[;PWD={...}]"; the password only when asked for.
    QString GetConnectionString(const QString& vendor, bool withPassword);

    // Of the profile loaded: its file, and its EsperaBloqueo, if it gives one.
    QString filePath() const;
    std::optional<int> lockWaitSeconds() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
