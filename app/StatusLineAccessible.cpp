#include "StatusLineAccessible.h"

#include <QFontMetrics>
#include <QLabel>

StatusLineAccessible::StatusLineAccessible(QLabel* label)
    : QAccessibleWidget(label, QAccessible::StaticText)
{ }

QString StatusLineAccessible::labelText() const
{
    return static_cast<const QLabel*>(widget())->text();
}

QString StatusLineAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name)
        return labelText();
    return QAccessibleWidget::text(t);
}

void* StatusLineAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void StatusLineAccessible::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

int StatusLineAccessible::selectionCount() const
{
    return 0;
}

void StatusLineAccessible::addSelection(int, int) { }

void StatusLineAccessible::removeSelection(int) { }

void StatusLineAccessible::setSelection(int, int, int) { }

int StatusLineAccessible::cursorPosition() const
{
    return 0;
}

void StatusLineAccessible::setCursorPosition(int) { }

QString StatusLineAccessible::text(int startOffset, int endOffset) const
{
    const QString whole = labelText();
    if (startOffset < 0 || endOffset < startOffset || startOffset > whole.size())
        return QString();
    return whole.mid(startOffset, endOffset - startOffset);
}

int StatusLineAccessible::characterCount() const
{
    return int(labelText().size());
}

// On one line from the label's left edge, so a character's box follows from the text before it.
QRect StatusLineAccessible::characterRect(int offset) const
{
    const QString whole = labelText();
    if (offset < 0 || offset >= whole.size())
        return QRect();
    const QFontMetrics metrics(widget()->font());
    const int left = metrics.horizontalAdvance(whole.left(offset));
    const QRect local(left, 0, metrics.horizontalAdvance(whole.at(offset)), metrics.height());
    return QRect(widget()->mapToGlobal(local.topLeft()), local.size());
}

int StatusLineAccessible::offsetAtPoint(const QPoint& point) const
{
    const QString whole = labelText();
    const QFontMetrics metrics(widget()->font());
    const int x = widget()->mapFromGlobal(point).x();
    for (int offset = 0; offset < whole.size(); ++offset) {
        if (metrics.horizontalAdvance(whole.left(offset + 1)) > x)
            return offset;
    }
    return -1;
}

void StatusLineAccessible::scrollToSubstring(int, int) { }

QString StatusLineAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = offset;
    *endOffset = offset;
    return QString();
}
