#pragma once

#include "OracleSimulator.h"

#include <QSqlDriver>
#include <QSqlError>

#include <memory>

// The Qt SQL driver QORASIM: one connection to the simulated server. The database name is the
// simulator's configuration (see SimulatorConfig); a non-empty password given to open() takes
// the place of the PWD key.
class OraSimDriver : public QSqlDriver
{
    Q_OBJECT

public:
    explicit OraSimDriver(QObject* parent = nullptr);
    ~OraSimDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString& db, const QString& user, const QString& password, const QString& host, int port,
        const QString& connOpts) override;
    void close() override;
    QSqlResult* createResult() const override;

    // Null while the connection is closed.
    OracleSimulator* simulator() const { return m_simulator.get(); }

    // Errors read the way an ODBC driver reports them: component prefixes, then the server text.
    static QSqlError toSqlError(const OraError& error, QSqlError::ErrorType type);

private:
    void failOpen(const QSqlError& error);

    std::unique_ptr<OracleSimulator> m_simulator;
};
