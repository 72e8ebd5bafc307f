#pragma once

#include <QString>

// The passwords profiles name with Credencial=, read from the system's own
// store so that none sits in a file: the Secret Service (GNOME Keyring,
// KWallet) through libsecret on Linux, the Credential Manager on Windows. The
// program only reads; users store them with the system's tools.
class CredentialStore
{
public:
    // The password stored as `credential`. Raises TarvelinError, naming the
    // profile, when there is none or the store cannot give it. Blocks until
    // the store answers without serving any of the program's events.
    static QString password(const QString& profile, const QString& credential);

    // The command that stores a password as `credential`, as a user types it.
    static QString storeCommand(const QString& credential);
};
