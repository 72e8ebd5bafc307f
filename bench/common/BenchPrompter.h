#pragma once

#include "Prompter.h"

#include <QStringList>

// Answers every message box at once and remembers it: a benchmark run that
// shows a box has failed, and a real modal box would stall it.
class BenchPrompter : public Prompter
{
public:
    QStringList seen;

    bool askYesNo(QWidget*, const QString& title, const QString& prompt) override
    {
        seen.append(title + QStringLiteral(": ") + prompt);
        return false;
    }
    void showMessage(QWidget*, const QString& title, const QString& text) override
    {
        seen.append(title + QStringLiteral(": ") + text);
    }
};
