#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// Reads the text of a profile file and takes out the settings of one vendor's
// section. Every problem raises TarvelinError with a Spanish description that
// names the profile and, where there is one, the line.
class ProfileParser
{
public:
    struct Settings
    {
        QString provider; // Qt SQL driver name; QODBC when the profile gives none
        QString connection; // handed on unchanged, without trailing ';'
        QString password; // empty when the profile holds none
        QString credential; // the name of a password in the system's store; empty when none
        bool connectionHoldsPassword = false; // Connection gives PWD= or Password= itself
        std::optional<int> lockWaitSeconds; // EsperaBloqueo: the session's DDL_LOCK_TIMEOUT

        // The file itself holds a password, under Password= or inside Connection.
        bool holdsPassword() const { return !password.isEmpty() || connectionHoldsPassword; }
    };

    ProfileParser(QString profileName, QString vendor);

    Settings parse(const QByteArray& bytes) const;

    // A character no value may hold, in a file or in the system's store: a
    // control character other than a tab.
    static bool hasControlCharacter(QStringView text);

private:
    [[noreturn]] void fail(qint32 number, const QString& detail, int line = 0) const;

    QString m_profileName;
    QString m_vendor;
};
