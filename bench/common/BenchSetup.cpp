#include "BenchSetup.h"

#include <QtGlobal>

#include <cstring>

namespace BenchSetup {

void beforeApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ODBCSYSINI", TARVELIN_BENCH_ODBC_DIR);
}

QString simulatorConnection(int indexes, int delayMs)
{
    return QStringLiteral("Driver={Simulador Oracle};Generate=%1;DelayMs=%2").arg(indexes).arg(delayMs);
}

int intOption(int argc, char** argv, const char* name, int fallback)
{
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0 && std::strncmp(argv[i] + 2, name, length) == 0
            && argv[i][2 + length] == '=')
            return std::atoi(argv[i] + 3 + length);
    }
    return fallback;
}

} // namespace BenchSetup
