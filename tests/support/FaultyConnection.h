#pragma once

#include "Connection.h"
#include "FaultPlan.h"

#include <memory>

// A real Connection with planned failures in front of it.
class FaultyConnection : public Connection
{
public:
    explicit FaultyConnection(std::shared_ptr<FaultPlan> plan);

    void Open(const QString& connectionString, const QString& user, const QString& password,
        qint32 options) override;
    void setCommandTimeout(qint32 seconds) override;
    qint32 CommandTimeout() const override { return m_inner->CommandTimeout(); }
    std::unique_ptr<Recordset> Execute(const QString& sql, qint32 options) override;
    void Close() override;
    bool isOpen() const override { return m_inner->isOpen(); }

private:
    std::shared_ptr<FaultPlan> m_plan;
    std::unique_ptr<Connection> m_inner;
};
