#include "TestPlugins.h"

#include <QCoreApplication>
#include <QtGlobal>

void useTestPlugins()
{
    const QString dir = qEnvironmentVariable("TARVELIN_TEST_PLUGIN_DIR");
    if (!dir.isEmpty())
        QCoreApplication::addLibraryPath(dir);
}
