#pragma once

#include <QString>
#include <QtGlobal>

#include <exception>
#include <string>

// The one error type of the program: raised where a failure happens, carrying
// a signed 32-bit number and a description. It never reaches the user on its
// own: the run catches it and puts its number and description into the error
// box and the status line, through the window.
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
