#include "FaultyConnection.h"

namespace {

class FaultyRecordset : public Recordset
{
public:
    FaultyRecordset(std::shared_ptr<FaultPlan> plan, std::unique_ptr<Recordset> inner)
        : m_plan(std::move(plan))
        , m_inner(std::move(inner))
    { }

    bool Eof() const override
    {
        m_plan->check(QStringLiteral("Eof"));
        return m_inner->Eof();
    }
    QVariant Fields(const QString& name) const override
    {
        m_plan->check(QStringLiteral("Fields"));
        return m_inner->Fields(name);
    }
    void MoveNext() override
    {
        m_plan->check(QStringLiteral("MoveNext"));
        m_inner->MoveNext();
    }
    void Close() override
    {
        m_plan->check(QStringLiteral("CloseRows"));
        m_inner->Close();
    }

private:
    std::shared_ptr<FaultPlan> m_plan;
    std::unique_ptr<Recordset> m_inner;
};

} // namespace

FaultyConnection::FaultyConnection(std::shared_ptr<FaultPlan> plan)
    : m_plan(std::move(plan))
    , m_inner(std::make_unique<Connection>())
{ }

void FaultyConnection::Open(
    const QString& connectionString, const QString& user, const QString& password, qint32 options)
{
    m_plan->check(QStringLiteral("Open"));
    m_inner->Open(connectionString, user, password, options);
}

void FaultyConnection::setCommandTimeout(qint32 seconds)
{
    m_plan->check(QStringLiteral("SetTimeout"));
    m_inner->setCommandTimeout(seconds);
}

std::unique_ptr<Recordset> FaultyConnection::Execute(const QString& sql, qint32 options)
{
    m_plan->statements << sql;
    m_plan->timeouts << m_inner->CommandTimeout();
    if (m_plan->beforeExecute)
        m_plan->beforeExecute(sql);
    m_plan->check(QStringLiteral("Execute"), sql);
    return std::make_unique<FaultyRecordset>(m_plan, m_inner->Execute(sql, options));
}

void FaultyConnection::Close()
{
    m_plan->check(QStringLiteral("Close"));
    m_inner->Close();
}
