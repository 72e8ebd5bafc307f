#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// A top-level QWidget is a plain "client" to assistive technology, which then
// never announces the window's title; the main window reports itself as a window. The status
// line is a label that can also be read as text (StatusLineAccessible).
QAccessibleInterface* windowAccessibleFactory(const QString& className, QObject* object);
