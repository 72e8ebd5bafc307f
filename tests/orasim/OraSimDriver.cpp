#include "OraSimDriver.h"

#include "OraSimResult.h"

namespace {

const QString errorPrefix = QStringLiteral("[Simulador][Oracle]");

// Mistakes in the configuration are the simulator's own, not the server's, so they carry no ORA
// number.
QSqlError configurationError(const QString& problem)
{
    return QSqlError(QStringLiteral("Unable to connect"),
        errorPrefix + QStringLiteral("invalid simulator configuration: ") + problem,
        QSqlError::ConnectionError, QStringLiteral("0"));
}

} // namespace

OraSimDriver::OraSimDriver(QObject* parent)
    : QSqlDriver(parent)
{ }

OraSimDriver::~OraSimDriver() = default;

bool OraSimDriver::hasFeature(DriverFeature feature) const
{
    switch (feature) {
    case QuerySize:
    case Unicode:
        return true;
    default:
        // Without PreparedQueries, QSqlQuery::prepare() + exec() sends the text through reset().
        return false;
    }
}

bool OraSimDriver::open(const QString& db, const QString& /*user*/, const QString& password,
    const QString& /*host*/, int /*port*/, const QString& /*connOpts*/)
{
    if (isOpen())
        close();

    QString problem;
    std::optional<SimulatorConfig> config = SimulatorConfig::parse(db, &problem);
    if (!config) {
        failOpen(configurationError(problem));
        return false;
    }
    if (!StatementLog(config->logPath).isWritable()) {
        failOpen(
            configurationError(QStringLiteral("cannot append to the log file '%1'").arg(config->logPath)));
        return false;
    }
    const QString givenPassword = password.isEmpty() ? config->password : password;
    auto simulator = std::make_unique<OracleSimulator>(std::move(*config));
    if (const std::optional<OraError> refused = simulator->logon(givenPassword)) {
        failOpen(toSqlError(*refused, QSqlError::ConnectionError));
        return false;
    }
    m_simulator = std::move(simulator);
    setOpen(true);
    setOpenError(false);
    return true;
}

void OraSimDriver::close()
{
    m_simulator.reset();
    setOpen(false);
    setOpenError(false);
}

QSqlResult* OraSimDriver::createResult() const
{
    return new OraSimResult(this);
}

QSqlError OraSimDriver::toSqlError(const OraError& error, QSqlError::ErrorType type)
{
    const QString driverText = type == QSqlError::ConnectionError
        ? QStringLiteral("Unable to connect")
        : QStringLiteral("Unable to execute statement");
    return QSqlError(driverText, errorPrefix + error.text(), type, QString::number(error.code()));
}

void OraSimDriver::failOpen(const QSqlError& error)
{
    setLastError(error);
    setOpenError(true);
}
