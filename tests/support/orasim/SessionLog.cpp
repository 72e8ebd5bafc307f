#include "SessionLog.h"

#include <QFile>

#include <utility>

SessionLog::SessionLog(QString path)
    : m_path(std::move(path))
{ }

bool SessionLog::isWritable() const
{
    if (m_path.isEmpty())
        return true;
    QFile file(m_path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void SessionLog::connected() const
{
    append(QStringLiteral("CONNECT"));
}

void SessionLog::refused() const
{
    append(QStringLiteral("CONNECT REFUSED"));
}

void SessionLog::executing(quint64 timeoutSeconds, const QString& statement) const
{
    // A line break inside a statement would split it over two lines of the log.
    QString flat = statement;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    append(QStringLiteral("EXEC %1 %2").arg(timeoutSeconds).arg(flat));
}

void SessionLog::waiting(const QString& table) const
{
    append(QStringLiteral("WAIT ") + table);
}

void SessionLog::lost() const
{
    append(QStringLiteral("LOST"));
}

void SessionLog::disconnected() const
{
    append(QStringLiteral("DISCONNECT"));
}

void SessionLog::append(const QString& line) const
{
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    // One write of the whole line in append mode keeps lines whole when connections share a file.
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        file.write((line + QLatin1Char('\n')).toUtf8());
}
