#pragma once

#include "ChildCase.h"

#include <QByteArray>
#include <QString>
#include <QTest>

// A password in the system's credential store for one test, under a name no
// other test uses, removed when it goes. On Linux it is stored with secret-tool,
// as a user stores one, in the throwaway keyring of scripts/with-keyring.sh; on
// Windows with CredWriteW.
class StoredCredential
{
public:
    StoredCredential();
    ~StoredCredential();
    StoredCredential(const StoredCredential&) = delete;
    StoredCredential& operator=(const StoredCredential&) = delete;

    const QString& name() const { return m_name; }
    // Stores the password as the system's tools do (UTF-8 on Linux, UTF-16LE
    // on Windows), or exactly these bytes, replacing what was there.
    bool store(const QString& password);
    bool storeBytes(const QByteArray& secret);

    // False, with the reason, when there is no store the suite may write to:
    // on Linux only the throwaway keyring, never the user's own.
    static bool available(QString* why);
    // True when the suites must fail instead of skipping without one.
    static bool required();

#ifndef Q_OS_WIN
    // Locks the throwaway keyring; for a case that has one of its own
    // (runInOwnKeyring), as the others share it.
    static bool lockKeyring();
    // Runs the current case again in a child with a keyring of its own.
    static bool runInOwnKeyring(QString* output);
    // Runs the current case again in a child whose session bus does not exist.
    static bool runWithoutSecretService(QString* output);
#endif

private:
    QString m_name;
};

// At the top of a case that reads the store: skips without one, or fails when
// one was required.
#define TV_NEED_CREDENTIAL_STORE()                                                                           \
    do {                                                                                                     \
        QString why_;                                                                                        \
        if (!StoredCredential::available(&why_)) {                                                           \
            if (StoredCredential::required())                                                                \
                QFAIL(qPrintable(why_ + QStringLiteral(" (TARVELIN_REQUIRE_KEYRING=1)")));                   \
            QSKIP(qPrintable(why_));                                                                         \
        }                                                                                                    \
    } while (false)

// At the top of such a case: hand it to a child with other surroundings.
#define TV_RUN_IN_CHILD(rerun)                                                                               \
    do {                                                                                                     \
        if (!ChildCase::inChild()) {                                                                         \
            QString childOutput_;                                                                            \
            QVERIFY2(rerun(&childOutput_), qPrintable(childOutput_));                                        \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
