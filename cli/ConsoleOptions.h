#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

// What the command line asks of tarvelin-cli.
struct ConsoleOptions
{
    enum class Action { Run, Help, Version, Usage };

    Action action = Action::Run;
    QString error; // for Usage: what is wrong, in Spanish
    QString profile; // PERFIL, as given (a run reads it as the window reads its list)
    bool online = false; // --en-linea
    bool lockWhenOnlineRefused = false; // --si-no-en-linea=bloquear
    bool keepGoing = false; // --seguir
    std::optional<int> lockWaitSeconds; // --espera-bloqueo
    std::optional<QTime> until; // --hasta
    QString logFile; // --registro

    // arguments: the whole command line, the program's name first.
    static ConsoleOptions parse(const QStringList& arguments);

    // The moment --hasta names: the next one at that local time, today or tomorrow; invalid
    // without --hasta.
    QDateTime deadlineAfter(const QDateTime& now) const;

    // The --help text; folder is where the profiles are looked for.
    static QString helpText(const QString& folder);
};
