#pragma once

#include <QByteArray>
#include <QString>

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
    };

    ProfileParser(QString profileName, QString vendor);

    Settings parse(const QByteArray& bytes) const;

private:
    [[noreturn]] void fail(qint32 number, const QString& detail, int line = 0) const;

    QString m_profileName;
    QString m_vendor;
};
