#pragma once

#include <QLabel>
#include <QStaticText>

// A label sized to its text on one line that lays the text out once per
// update and paints that layout. QLabel lays it out twice, once for its size
// hint (adjustSize) and again when it paints; the layout (text shaping) is
// most of the cost of a status update.
class StaticTextLabel : public QLabel
{
public:
    using QLabel::QLabel;

    // Sets the text (text() reads it as from any label) and resizes to it.
    void showText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStaticText m_layout;
};
