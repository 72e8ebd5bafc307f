#include "Unprivileged.h"

#include "ChildCase.h"

#include <QProcessEnvironment>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace Unprivileged {

bool readsEverything()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

bool rerunCurrentCase(QString* output)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Root's runtime folder and home are not nobody's to use.
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    // 65534 is nobody and nogroup on Debian; no supplementary groups either.
    return ChildCase::rerun(
        {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups"), QStringLiteral("--")},
        environment, output);
}

} // namespace Unprivileged
