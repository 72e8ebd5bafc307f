#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The real message boxes, answered as a user would while they are open: what the next modal box
// shows is noted once it is up, then it is answered (which must close it).
namespace ModalBox {

struct Seen
{
    bool opened = false;
    QString title;
    QString text; // as shown, and as a screen reader reads it: markup Qt renders is gone from it
    QStringList buttons;
    QString defaultButton;
    QMessageBox::Icon icon = QMessageBox::Information;
    bool iconPixmapEmpty = false;
    bool modal = false;
    QWidget* parent = nullptr; // a box of the window stays over it, with no taskbar entry of its own
};

using Answer = std::function<void(QMessageBox*)>;

// Watches for the next modal message box; `seen` must outlive it.
void whenItOpens(Seen& seen, Answer answer);

// An answer that clicks the button reading `text`; without one the box is closed all the same,
// so the test sees what was missing instead of hanging.
Answer clicking(const QString& text);

} // namespace ModalBox
