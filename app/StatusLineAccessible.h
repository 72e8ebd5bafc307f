#pragma once

#include <QAccessibleTextInterface>
#include <QAccessibleWidget>

class QLabel;

// The status line as assistive technology reads it: a label whose text can also be read as text,
// so that each change is announced with the new text itself (a text-changed event carries it),
// which a screen reader speaks as it comes, without asking back a program that may be busy.
class StatusLineAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit StatusLineAccessible(QLabel* label);

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTextInterface: the whole text, read only, without selection or caret.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    QString labelText() const;
};
