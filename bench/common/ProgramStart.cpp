#include "ProgramStart.h"

#include "ProgramIdentity.h"
#include "frmTarvelin.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace ProgramStart {

// Keep in step with app/main.cpp.
std::unique_ptr<QTranslator> asTheProgramDoes(QApplication& app)
{
    app.setApplicationName(ProgramIdentity::productName());
    app.setApplicationVersion(ProgramIdentity::versionText());
    app.setOrganizationName(ProgramIdentity::companyName());
    app.setWindowIcon(frmTarvelin::programIcon());

    auto qtTranslator = std::make_unique<QTranslator>();
    if (qtTranslator->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qtTranslator.get());
    return qtTranslator;
}

} // namespace ProgramStart
