#pragma once

#include "OracleSql.h"

#include <QString>

class TarvelinError;

// Whoever started a run hears from it here, on the run's own thread: the window through queued
// calls to its thread, the console by printing.
class RunObserver
{
public:
    virtual ~RunObserver() = default;

    // Every progress, result and error text, in order, for the status line.
    virtual void ShowInfo(const QString& text) = 0;
    // The server cannot rebuild online: "En línea" goes off and the user is asked whether to go
    // on with rebuilds that lock the tables. True for "Sí". Returns once answered.
    virtual bool goOnLockingTables() = 0;
    // The error that ends the run, before its description becomes the status text. Returns once
    // it has been seen.
    virtual void showError(const TarvelinError& error) = 0;
    // A statement that failed in a run asked to go on past failures, which goes on with the next
    // one; only such a run calls it.
    virtual void statementFailed(const OracleSql::RebuildTarget& target, const TarvelinError& error)
    {
        Q_UNUSED(target);
        Q_UNUSED(error);
    }
};
