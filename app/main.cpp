#include "ProgramIdentity.h"
#include "frmTarvelin.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

// Without a display Qt only aborts with its own English message; say what to do instead.
bool displayAvailable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    if (!displayAvailable()) {
        std::fputs("Tarvelin es un programa de escritorio y no encuentra ninguna pantalla\n"
                   "(no hay DISPLAY ni WAYLAND_DISPLAY).\n"
                   "Para abrirlo:\n"
                   "  - inícielo desde una sesión de escritorio, o\n"
                   "  - use una pantalla virtual: xvfb-run ./Tarvelin, o\n"
                   "  - sin ventana visible: QT_QPA_PLATFORM=offscreen ./Tarvelin\n",
            stderr);
        return 1;
    }

    QApplication app(argc, argv);
    app.setApplicationName(ProgramIdentity::productName());
    app.setApplicationVersion(ProgramIdentity::versionText());
    app.setWindowIcon(frmTarvelin::programIcon());

    // Qt's own texts (context menus, standard dialogs) in Spanish too.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    frmTarvelin window;
    window.show();
    return app.exec();
}
