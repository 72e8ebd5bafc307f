#include "ModalBox.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

QString shownText(const QMessageBox* box)
{
    for (QLabel* label : box->findChildren<QLabel*>()) {
        if (label->text() == box->text())
            return QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
    }
    return QString();
}

} // namespace

namespace ModalBox {

void whenItOpens(Seen& seen, Answer answer)
{
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen, answer = std::move(answer)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        seen.opened = true;
        seen.title = box->windowTitle();
        seen.text = shownText(box);
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        seen.icon = box->icon();
        seen.iconPixmapEmpty = box->iconPixmap().isNull();
        seen.modal = box->isModal();
        seen.parent = box->parentWidget();
        answer(box);
    });
    poll->start();
}

Answer clicking(const QString& text)
{
    return [text](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == text) {
                button->click();
                return;
            }
        }
        box->done(-1);
    };
}

} // namespace ModalBox
