#pragma once

#include <QString>

// What every benchmark process needs before and after its QApplication exists.
namespace BenchSetup {

// Before QApplication: no display is needed, the window draws offscreen, and the driver manager
// finds the simulated Oracle driver (Driver={Simulador Oracle}) in the build.
void beforeApplication();

// "Driver={Simulador Oracle};Generate=<indexes>;DelayMs=<delayMs>", through Qt's ODBC driver.
QString simulatorConnection(int indexes, int delayMs);

// An integer command-line option "--name=value", or fallback.
int intOption(int argc, char** argv, const char* name, int fallback);

// A text command-line option "--name=value", or an empty string.
QString textOption(int argc, char** argv, const char* name);

} // namespace BenchSetup
