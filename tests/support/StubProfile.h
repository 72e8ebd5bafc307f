#pragma once

#include "ConnectionProfile.h"

#include <QStringList>

#include <memory>

// A profile that answers as told and remembers how it was asked.
struct StubProfileAnswers
{
    bool loads = true;
    QString connectionString;
    QStringList calls; // "Load:<vendor>|<folder>|<name>", "Get:<vendor>|<withPassword>"
};

class StubProfile : public ConnectionProfile
{
public:
    explicit StubProfile(std::shared_ptr<StubProfileAnswers> answers)
        : m_answers(std::move(answers))
    { }

    bool LoadProfile(const QString& vendor, const QString& folder, const QString& name) override
    {
        m_answers->calls << QStringLiteral("Load:%1|%2|%3").arg(vendor, folder, name);
        return m_answers->loads;
    }
    QString GetConnectionString(const QString& vendor, bool withPassword) override
    {
        m_answers->calls << QStringLiteral("Get:%1|%2").arg(vendor).arg(withPassword);
        return m_answers->connectionString;
    }

private:
    std::shared_ptr<StubProfileAnswers> m_answers;
};
