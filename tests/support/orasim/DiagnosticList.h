#pragma once

#include "OraError.h"

#include <QList>
#include <QString>

#include <sql.h>

// One diagnostic record, as the driver posts it on a handle.
struct DiagnosticRecord
{
    QString sqlState;
    SQLINTEGER nativeCode = 0;
    QString text; // with the driver's component prefixes
};

// The diagnostic records of one handle: cleared when the next function on the handle starts,
// read (and never changed) by SQLGetDiagRec and SQLGetDiagField.
class DiagnosticList
{
public:
    void clear();

    // An error of the driver itself ("[Oracle][ODBC]..."), without a native code.
    void addDriverError(const QString& sqlState, const QString& text);
    // The same with the standard text of an SQLSTATE the driver reports ("HYC00", "01004", ...).
    void addStandard(const char* sqlState);
    // An error the server reported ("[Oracle][ODBC][Ora]ORA-...") with its ORA number. With
    // `companion` a second record follows, as a server adds the line it failed at.
    void addServerError(const QString& sqlState, const OraError& error, bool companion);

    // Sets the return code of the function that ran, for SQL_DIAG_RETURNCODE, and returns it.
    SQLRETURN finish(SQLRETURN code);

    qsizetype count() const { return m_records.size(); }
    // Record 1 is the first; null when there is no such record.
    const DiagnosticRecord* record(qsizetype number) const;
    SQLRETURN returnCode() const { return m_returnCode; }

private:
    QList<DiagnosticRecord> m_records;
    SQLRETURN m_returnCode = SQL_SUCCESS;
};
