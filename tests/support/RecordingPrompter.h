#pragma once

#include "Prompter.h"

#include <QList>
#include <QString>
#include <QWidget>

// Answers message boxes from a script and records what was asked.
class RecordingPrompter : public Prompter
{
public:
    struct Asked
    {
        QString kind; // "yesno" or "message"
        QWidget* parent;
        QString title;
        QString text;
    };

    QList<Asked> asked;
    bool nextAnswer = false;

    bool askYesNo(QWidget* parent, const QString& title, const QString& prompt) override
    {
        asked.append({QStringLiteral("yesno"), parent, title, prompt});
        return nextAnswer;
    }

    void showMessage(QWidget* parent, const QString& title, const QString& text) override
    {
        asked.append({QStringLiteral("message"), parent, title, text});
    }
};
