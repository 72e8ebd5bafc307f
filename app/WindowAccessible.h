#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// A top-level QWidget is a plain "client" to assistive technology, which then
// never announces the window's title; the main window reports itself as a window.
QAccessibleInterface* windowAccessibleFactory(const QString& className, QObject* object);
