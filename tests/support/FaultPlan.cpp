#include "FaultPlan.h"

#include "TarvelinError.h"

FaultPlan& FaultPlan::fail(const QString& operation, int atCall, qint32 number, const QString& description,
    int times, const QString& sqlPrefix)
{
    Fault fault;
    fault.operation = operation;
    fault.atCall = atCall;
    fault.times = times;
    fault.number = number;
    fault.description = description;
    fault.sqlPrefix = sqlPrefix;
    faults << fault;
    return *this;
}

void FaultPlan::check(const QString& operation, const QString& sql)
{
    operations << operation;
    for (Fault& fault : faults) {
        if (fault.operation != operation || (!fault.sqlPrefix.isEmpty() && !sql.startsWith(fault.sqlPrefix)))
            continue;
        ++fault.seen;
        const bool due = fault.seen >= fault.atCall && (fault.times < 0 || fault.fired < fault.times);
        if (due) {
            ++fault.fired;
            throw TarvelinError(fault.number, fault.description);
        }
    }
}
