#include "RunPlatform.h"

#include "ProgramIdentity.h"

RunPlatform RunPlatform::real()
{
    return RunPlatform {
        [] { return std::make_unique<ConnectionProfile>(); },
        [] { return std::make_unique<Connection>(); },
        &ProgramIdentity::companyName,
        &ProgramIdentity::programFolder,
    };
}
