#include "LogLines.h"

#include <QFile>

QStringList logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot read %1>").arg(path)};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList loggedStatements(const QString& path)
{
    QStringList statements;
    for (const QString& line : logLines(path)) {
        if (line.startsWith(QLatin1String("<cannot read")))
            statements.append(line);
        if (!line.startsWith(QLatin1String("EXEC ")))
            continue;
        const qsizetype afterTimeout = line.indexOf(QLatin1Char(' '), 5);
        statements.append(afterTimeout < 0 ? QString() : line.mid(afterTimeout + 1));
    }
    return statements;
}
