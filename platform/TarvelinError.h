#pragma once

#include <QString>
#include <QtGlobal>

#include <exception>
#include <string>

// The one error type of the program: raised where a failure happens, carrying
// a signed 32-bit number and a description; only the window turns it into words
// for the user.
class TarvelinError : public std::exception
{
public:
    TarvelinError(qint32 number, QString description);

    qint32 number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    qint32 m_number;
    QString m_description;
    std::string m_what;
};
