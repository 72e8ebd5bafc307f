#pragma once

#include <QString>

// What the server went through, one UTF-8 line per event, so that a test can compare it with what
// the program meant to do:
//   CONNECT              a logon that passed
//   CONNECT REFUSED      a logon refused (wrong password)
//   EXEC <seconds> <sql> a statement, before it runs, with the query time-out it runs with
//   WAIT <table>         the statement above waits for another session's lock on the table
//   LOST                 the connection was lost at the statement above; nothing after it arrives
//   DISCONNECT           the end of a session
// The file is opened, written and closed per line so that another process can follow it while a
// run is going.
class SessionLog
{
public:
    explicit SessionLog(QString path);

    // Whether the file can be opened for appending; an empty path needs no file.
    bool isWritable() const;

    void connected() const;
    void refused() const;
    void executing(quint64 timeoutSeconds, const QString& statement) const;
    void waiting(const QString& table) const;
    void lost() const;
    void disconnected() const;

private:
    void append(const QString& line) const;

    QString m_path;
};
