#pragma once

#include <QString>

// What every benchmark process needs before and after its QApplication exists.
namespace BenchSetup {

// Before QApplication: no display is needed, the window draws offscreen.
void beforeApplication();
// After QApplication: the simulated Oracle driver (QORASIM) becomes loadable.
void afterApplication();

// "Provider=QORASIM;Generate=<indexes>;DelayMs=<delayMs>".
QString simulatorConnection(int indexes, int delayMs);

// An integer command-line option "--name=value", or fallback.
int intOption(int argc, char** argv, const char* name, int fallback);

} // namespace BenchSetup
