#include "WindowAccessible.h"

#include "StatusLineAccessible.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QString>
#include <QWidget>

QAccessibleInterface* windowAccessibleFactory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("frmTarvelin"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (className == QLatin1String("AutoSizeLabel"))
        return new StatusLineAccessible(static_cast<QLabel*>(object));
    return nullptr;
}
