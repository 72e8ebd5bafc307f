#pragma once

#include "frmTarvelin.h"

class StaticTextLabel;

// The program's window with its status line swapped for a StaticTextLabel, to
// measure beside the real one what that label would change in a whole run.
class LaidOutOnceWindow : public frmTarvelin
{
public:
    explicit LaidOutOnceWindow(frmTarvelin::Services services);

    void ShowInfo(const QString& text) override;

private:
    StaticTextLabel* m_status = nullptr;
};
