#include "StaticTextLabel.h"

#include <QPainter>
#include <QtMath>

void StaticTextLabel::showText(const QString& text)
{
    setText(text);
    m_layout.setText(text);
    m_layout.setTextFormat(Qt::PlainText);
    m_layout.prepare(QTransform(), font());
    adjustSize();
}

QSize StaticTextLabel::sizeHint() const
{
    return QSize(qCeil(m_layout.size().width()), fontMetrics().height());
}

QSize StaticTextLabel::minimumSizeHint() const
{
    return sizeHint();
}

void StaticTextLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawStaticText(0, 0, m_layout);
}
