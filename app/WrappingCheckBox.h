#pragma once

#include <QCheckBox>

// A check box whose caption wraps onto more lines when the box is too narrow
// for it, as classic Windows check boxes do: "En línea" is wider than its box
// in many fonts, and the box is tall enough for two lines.
class WrappingCheckBox : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The whole box answers clicks, also on a wrapped second line.
    bool hitButton(const QPoint& pos) const override;
};
