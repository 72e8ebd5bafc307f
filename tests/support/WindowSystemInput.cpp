#include "WindowSystemInput.h"

#include <QWidget>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

namespace WindowSystemInput {

void queueClick(QWidget* target)
{
    QWidget* topLevel = target->window();
    QWindow* window = topLevel->windowHandle();
    Q_ASSERT(window);
    const QPoint inside = target->mapTo(topLevel, target->rect().center());
    const QPoint global = topLevel->mapToGlobal(inside);
    using Queued = QWindowSystemInterface::AsynchronousDelivery;
    QWindowSystemInterface::handleMouseEvent<Queued>(
        window, inside, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<Queued>(
        window, inside, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}

void queueCloseRequest(QWidget* target)
{
    QWindow* window = target->window()->windowHandle();
    Q_ASSERT(window);
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(window);
}

} // namespace WindowSystemInput
