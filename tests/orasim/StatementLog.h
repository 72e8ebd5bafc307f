#pragma once

#include <QString>

// Appends each statement the server receives to a text file, one per line (UTF-8). The file is
// opened, written and closed for every statement so that another process can follow it while
// a run is going.
class StatementLog
{
public:
    explicit StatementLog(QString path);

    bool isEnabled() const { return !m_path.isEmpty(); }
    // Whether the file can be opened for appending; an empty path needs no file.
    bool isWritable() const;
    void append(const QString& statement) const;

private:
    QString m_path;
};
