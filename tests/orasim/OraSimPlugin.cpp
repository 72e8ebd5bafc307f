#include "OraSimPlugin.h"

#include "OraSimDriver.h"

QSqlDriver* OraSimPlugin::create(const QString& key)
{
    if (key == QLatin1String("QORASIM"))
        return new OraSimDriver;
    return nullptr;
}
