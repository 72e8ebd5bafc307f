#pragma once

// Makes the simulated Oracle driver (QORASIM), built into <build>/plugins,
// available to Qt Sql in this process.
void useTestPlugins();
