#pragma once

#include "RunWindow.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

// The window as a run sees it, with a journal of every call. A click on "Cancelar" is queued to
// the thread the window lives on and served when it next serves events, as a real click is: in
// ShowInfo, or while the run waits for the database.
class ScriptedWindow : public RunWindow
{
public:
    // Journal entries: "hideReindexar", "info:<text>", "ask:<title>|<prompt>",
    // "error:<title>|<text>", "onLine=0", ...
    QStringList journal;

    QString base;
    int onLine = 0;
    bool bCancel = false;
    bool reindexarShown = true;
    bool cancelarShown = false;
    QString status;
    QList<bool> answers; // for askYesNo, taken in order; asking with none left fails the test

    // Called with each journal entry as it is made (for ShowInfo before the
    // pending clicks are served); it may queue clicks, or throw to make that
    // control fail.
    std::function<void(const QString&)> onCall;

    // From any thread: the database's own, to click while a statement runs.
    void postCancelClick();
    QStringList statuses() const; // the "info:" entries only, without the prefix

    void hideReindexar() override;
    void showReindexar() override;
    void showCancelar() override;
    void hideCancelar() override;
    QString baseText() const override { return base; }
    int onLineValue() const override { return onLine; }
    void setOnLineValue(int value) override;
    bool cancelRequested() const override { return bCancel; }
    void resetCancel() override { bCancel = false; }
    void ShowInfo(const QString& text) override;
    bool askYesNo(const QString& title, const QString& prompt) override;
    void showError(const QString& title, const QString& text) override;

private:
    void cancelClicked();
    void record(const QString& entry);

    QObject m_thread; // where clicks are queued to
};
