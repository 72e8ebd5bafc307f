#pragma once

#include <QTranslator>

#include <memory>

class QApplication;

namespace ProgramStart {

// What the program's main does between creating its QApplication and creating
// its window (names, icon, Qt's own texts in Spanish), so that a window built
// next starts from the state it starts from in the program. The translator
// must live as long as the application.
std::unique_ptr<QTranslator> asTheProgramDoes(QApplication& app);

} // namespace ProgramStart
