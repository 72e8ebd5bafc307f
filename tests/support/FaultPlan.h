#pragma once

#include <QList>
#include <QStringList>

#include <functional>

// Which calls of the database layer fail, and how: a fault fires at the N-th call of an operation
// (counting only statements that start with sqlPrefix for "Execute") and then again for `times`
// calls in a row (-1: for ever).
struct FaultPlan
{
    struct Fault
    {
        QString operation; // Open, Execute, Close
        int atCall = 1;
        int times = 1;
        qint32 number = 0;
        QString description;
        QString sqlPrefix;
        int seen = 0;
        int fired = 0;
    };

    QList<Fault> faults;
    QStringList statements; // every Execute that reached the layer
    QStringList operations; // every call that reached the layer, in order
    // Called on the run's thread before each statement, e.g. to cancel or click during a rebuild.
    std::function<void(const QString&)> beforeExecute;

    FaultPlan& fail(const QString& operation, int atCall, qint32 number, const QString& description,
        int times = 1, const QString& sqlPrefix = {});
    // Throws the planned TarvelinError when this call is one that fails.
    void check(const QString& operation, const QString& sql = {});
};
