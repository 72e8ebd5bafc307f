#pragma once

#include "Prompter.h"

// The real message boxes: modal, without icon, with Spanish button texts.
class MessageBoxPrompter : public Prompter
{
public:
    bool askYesNo(QWidget* parent, const QString& title, const QString& prompt) override;
    void showMessage(QWidget* parent, const QString& title, const QString& text) override;
};
