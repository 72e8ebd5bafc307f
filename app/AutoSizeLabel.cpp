#include "AutoSizeLabel.h"

#include <QAccessible>
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
    const QString before = this->text();
    setText(text);
    layOut();
    adjustSize();
    // Assistive technology hears the new text itself, also when it repeats the one before; only
    // labels that can be read as text (the status line's accessible) announce it.
    if (QAccessible::isActive()) {
        if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(this);
            accessible && accessible->textInterface()) {
            QAccessibleTextUpdateEvent event(this, 0, before, text);
            QAccessible::updateAccessibility(&event);
        }
    }
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
