#pragma once

#include <QString>
#include <QtGlobal>

// The PostgreSQL server that tests/support/pg/testbed.sh starts, as described by the
// TARVELIN_PG_* variables of its env file.
struct PgTestBed
{
    QString connection; // ODBC connection string without password
    QString password;
    QString user;
    QString dataSourceFile; // an odbc.ini with the data source below
    QString dataSource;
    int port = 0;

    // Reads the variables; false, with the reason, when some are missing.
    static bool load(PgTestBed* bed, QString* why);
    // True when the tests must fail instead of skipping without a server.
    static bool required();

    // The connection string as the profile library builds it: provider, the
    // profile's connection, then the password in braces with "}" doubled.
    QString connectionWithPassword(const QString& pwd) const;
    QString connectionWithPassword() const { return connectionWithPassword(password); }
};

// In initTestCase: skips the suite without a server, or fails it when the
// server was required.
#define TV_NEED_PG_TEST_BED(bed)                                                                             \
    do {                                                                                                     \
        QString why_;                                                                                        \
        if (!PgTestBed::load(&(bed), &why_)) {                                                               \
            if (PgTestBed::required())                                                                       \
                QFAIL(qPrintable(why_ + QStringLiteral(" (TARVELIN_REQUIRE_PG=1)")));                        \
            QSKIP(qPrintable(why_));                                                                         \
        }                                                                                                    \
    } while (false)
