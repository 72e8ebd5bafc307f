#pragma once

#include "Connection.h"
#include "ConnectionProfile.h"

#include <QString>

#include <functional>
#include <memory>

// Where a run gets its platform objects and identity values; tests swap in
// doubles that fail on purpose.
struct RunPlatform
{
    std::function<std::unique_ptr<ConnectionProfile>()> newProfile;
    std::function<std::unique_ptr<Connection>()> newConnection;
    std::function<QString()> vendorName;
    std::function<QString()> programFolder;

    static RunPlatform real();
};
