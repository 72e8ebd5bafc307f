#include "WindowAccessible.h"

#include <QAccessibleWidget>
#include <QString>
#include <QWidget>

QAccessibleInterface* windowAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("frmTarvelin") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}
