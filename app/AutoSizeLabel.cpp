#include "AutoSizeLabel.h"

#include <QEvent>
#include <QPainter>
#include <QtMath>

AutoSizeLabel::AutoSizeLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    // Status texts include server messages: never read them as markup.
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    m_layout.setTextFormat(Qt::PlainText);
    layOut();
}

void AutoSizeLabel::showText(const QString& text)
{
    setText(text);
    layOut();
    adjustSize();
}

void AutoSizeLabel::layOut()
{
    m_layout.setText(text());
    m_layout.prepare(QTransform(), font());
}

QSize AutoSizeLabel::sizeHint() const
{
    return QSize(qCeil(m_layout.size().width()), fontMetrics().height());
}

QSize AutoSizeLabel::minimumSizeHint() const
{
    return sizeHint();
}

void AutoSizeLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawStaticText(0, 0, m_layout);
}

void AutoSizeLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        layOut();
}
