#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of tarvelin-cli.
struct ConsoleOptions
{
    enum class Action { Run, Help, Version, Usage };

    Action action = Action::Run;
    QString error; // for Usage: what is wrong, in Spanish
    QString profile; // PERFIL, as given (a run reads it as the window reads its list)
    bool online = false; // --en-linea
    bool lockWhenOnlineRefused = false; // --si-no-en-linea=bloquear

    // arguments: the whole command line, the program's name first.
    static ConsoleOptions parse(const QStringList& arguments);

    // The --help text; folder is where the profiles are looked for.
    static QString helpText(const QString& folder);
};
