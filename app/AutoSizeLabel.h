#pragma once

#include <QLabel>
#include <QStaticText>

// A label that sizes itself to its text on one line, for the status line that
// changes once per index. The text is laid out once per change and that layout
// is painted; a plain QLabel shapes it twice, for adjustSize and again to paint,
// and shaping is most of the cost of a status update.
class AutoSizeLabel : public QLabel
{
    Q_OBJECT

public:
    explicit AutoSizeLabel(const QString& text, QWidget* parent = nullptr);

    // Sets the text (text() reads it as from any label) and resizes to it.
    void showText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOut();

    QStaticText m_layout;
};
