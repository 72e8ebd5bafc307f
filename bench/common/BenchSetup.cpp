#include "BenchSetup.h"

#include <QtGlobal>

#include <cstdlib>
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

namespace {

// The text after "--name=" in the arguments, or null.
const char* optionValue(int argc, char** argv, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0 && std::strncmp(argv[i] + 2, name, length) == 0
            && argv[i][2 + length] == '=')
            return argv[i] + 3 + length;
    }
    return nullptr;
}

} // namespace

int intOption(int argc, char** argv, const char* name, int fallback)
{
    const char* value = optionValue(argc, argv, name);
    return value ? std::atoi(value) : fallback;
}

QString textOption(int argc, char** argv, const char* name)
{
    const char* value = optionValue(argc, argv, name);
    return value ? QString::fromLocal8Bit(value) : QString();
}

} // namespace BenchSetup
