#pragma once

#include <QString>

// What a reindex run may do to the window, and nothing more.
class RunWindow
{
public:
    virtual ~RunWindow() = default;

    virtual void hideReindexar() = 0;
    virtual void showReindexar() = 0;
    virtual void showCancelar() = 0;
    virtual void hideCancelar() = 0;
    virtual QString baseText() const = 0; // current text of the profile list
    virtual int onLineValue() const = 0; // ticked gives 1, not ticked 0
    virtual void setOnLineValue(int value) = 0;
    virtual bool cancelRequested() const = 0; // bCancel
    virtual void resetCancel() = 0;
    // Shows the text in the status line, then serves every pending event.
    virtual void ShowInfo(const QString& text) = 0;
    // Modal question with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& title, const QString& prompt) = 0;
    // Modal message with OK only.
    virtual void showError(const QString& title, const QString& text) = 0;
};
