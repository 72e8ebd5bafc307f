#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One run of a profile at a time on this machine: two sessions rebuilding the same indexes get in
// each other's way (ORA-00054, ORA-08104). The lock is a file named from the profile file's path
// in a folder every run of it sees, held as long as this object lives; the lock of a process that
// died is taken over.
class ProfileLock
{
public:
    // Raises TarvelinError (ErrorNumber::ProfileInUse), naming the process that holds the lock,
    // when another run has the profile.
    ProfileLock(const QString& profileName, const QString& profilePath);
    ~ProfileLock();

    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

    // Where the lock of the profile file at this path lives.
    static QString lockFilePath(const QString& profilePath);

private:
    std::unique_ptr<QLockFile> m_file;
};
