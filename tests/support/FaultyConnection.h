#pragma once

#include "Connection.h"
#include "FaultPlan.h"

#include <memory>

// A real Connection with planned failures in front of it.
class FaultyConnection : public Connection
{
public:
    explicit FaultyConnection(std::shared_ptr<FaultPlan> plan)
        : m_plan(std::move(plan))
    { }

    void Open(const QString& connectionString) override
    {
        m_plan->check(QStringLiteral("Open"));
        Connection::Open(connectionString);
    }
    std::unique_ptr<Recordset> Execute(const QString& sql) override
    {
        m_plan->statements << sql;
        if (m_plan->beforeExecute)
            m_plan->beforeExecute(sql);
        m_plan->check(QStringLiteral("Execute"), sql);
        return Connection::Execute(sql);
    }
    void Close() override
    {
        m_plan->check(QStringLiteral("Close"));
        Connection::Close();
    }

private:
    std::shared_ptr<FaultPlan> m_plan;
};
