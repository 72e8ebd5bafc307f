#pragma once

#include "ConnectionProfile.h"

#include <QString>

#include <utility>

// A profile that always loads and yields the given connection string, so a
// run reaches the database without a profile file of its own.
class BenchProfile : public ConnectionProfile
{
public:
    explicit BenchProfile(QString connectionString)
        : m_connectionString(std::move(connectionString))
    { }

    bool LoadProfile(const QString&, const QString&, const QString&) override { return true; }
    QString GetConnectionString(const QString&, bool) override { return m_connectionString; }

private:
    QString m_connectionString;
};
