#pragma once

#include <QString>

class QWidget;

// Every message box of the program goes through one prompter, so tests can
// answer it without a real modal loop.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // Yes/No box without icon; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& prompt) = 0;
    // OK box without icon.
    virtual void showMessage(QWidget* parent, const QString& title, const QString& text) = 0;
};
