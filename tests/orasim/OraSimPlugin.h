#pragma once

#include <QSqlDriverPlugin>

// Makes the simulated server available to Qt Sql under the driver name QORASIM.
class OraSimPlugin : public QSqlDriverPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QSqlDriverFactoryInterface_iid FILE "qorasim.json")

public:
    QSqlDriver* create(const QString& key) override;
};
