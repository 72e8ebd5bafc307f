#include "StatementLog.h"

#include <QFile>

#include <utility>

StatementLog::StatementLog(QString path)
    : m_path(std::move(path))
{ }

bool StatementLog::isWritable() const
{
    if (!isEnabled())
        return true;
    QFile file(m_path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void StatementLog::append(const QString& statement) const
{
    if (!isEnabled())
        return;
    // A line break inside a statement would split it over two lines of the log.
    QString line = statement;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line += QLatin1Char('\n');
    QFile file(m_path);
    // One write of the whole line in append mode keeps lines whole when connections share a file.
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        file.write(line.toUtf8());
}
