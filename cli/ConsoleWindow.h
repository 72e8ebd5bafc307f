#pragma once

#include "RunWindow.h"

#include <QString>

class CancelSignals;

// The run's window on a console: every text the window would show is a line on standard output
// after the local time, an error box a line on standard error, the online question answered as
// the command line says, and "Cancelar" is a signal. It notes how the run ended for the exit status.
class ConsoleWindow : public RunWindow
{
public:
    ConsoleWindow(QString profile, bool online, bool lockWhenOnlineRefused, const CancelSignals& cancel);

    void hideReindexar() override { }
    void showReindexar() override { }
    void showCancelar() override { }
    void hideCancelar() override { }
    QString baseText() const override { return m_profile; }
    int onLineValue() const override { return m_online; }
    void setOnLineValue(int value) override { m_online = value; }
    bool cancelRequested() const override;
    // One run per process: a request made before it started counts for it.
    void resetCancel() override { }
    void ShowInfo(const QString& text) override;
    bool askYesNo(const QString& title, const QString& prompt) override;
    void showError(const QString& title, const QString& text) override;

    // What a signal shows, as a click on "Cancelar" does.
    void cancelClicked();

    int exitStatus() const;

private:
    enum class Outcome { None, Finished, Cancelled, NoProfile, OnlineRefused, Failed };

    QString m_profile;
    int m_online;
    bool m_lockWhenOnlineRefused;
    const CancelSignals& m_cancel;
    Outcome m_outcome = Outcome::None;
};
