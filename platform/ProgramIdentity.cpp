#include "ProgramIdentity.h"

#include "ProgramIdentityValues.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include "TarvelinError.h"

#include <QDir>

#include <vector>

#include <windows.h>
#endif

namespace ProgramIdentity {

QString applicationTitle()
{
    return QStringLiteral(TARVELIN_APPLICATION_TITLE);
}

#ifdef Q_OS_WIN
namespace {

// Win32 errors travel as their HRESULT (0x8007xxxx), the number Windows itself shows.
[[noreturn]] void failVersionInfo(DWORD error, const QString& description)
{
    throw TarvelinError(qint32(0x80070000u | (error & 0xFFFFu)), description);
}

[[noreturn]] void failReading(const QString& program)
{
    DWORD error = GetLastError();
    if (error == ERROR_SUCCESS)
        error = ERROR_RESOURCE_DATA_NOT_FOUND;
    failVersionInfo(error,
        QStringLiteral("No se puede leer la información de versión de %1: %2")
            .arg(program, qt_error_string(int(error))));
}

} // namespace

// As a Windows program reports its vendor: from the version information of its
// own executable, so the file a user inspects and the profiles it opens agree.
QString companyName()
{
    const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    const auto* path = reinterpret_cast<const wchar_t*>(program.utf16());

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0)
        failReading(program);
    std::vector<char> info(size);
    if (!GetFileVersionInfoW(path, 0, size, info.data()))
        failReading(program);

    const QString key = QStringLiteral("\\StringFileInfo\\" TARVELIN_VERSION_LANGUAGE "\\CompanyName");
    void* value = nullptr;
    UINT length = 0;
    QString name;
    if (VerQueryValueW(info.data(), reinterpret_cast<const wchar_t*>(key.utf16()), &value, &length)
        && value) {
        // The length may or may not count the terminating null.
        const auto* text = static_cast<const wchar_t*>(value);
        qsizetype count = 0;
        while (count < qsizetype(length) && text[count] != L'\0')
            ++count;
        name = QString::fromWCharArray(text, count).trimmed();
    }
    if (name.isEmpty()) {
        failVersionInfo(ERROR_RESOURCE_NAME_NOT_FOUND,
            QStringLiteral("La información de versión de %1 no tiene el nombre de la compañía "
                           "(CompanyName en el bloque " TARVELIN_VERSION_LANGUAGE ")")
                .arg(program));
    }
    return name;
}
#else
QString companyName()
{
    return QStringLiteral(TARVELIN_COMPANY_NAME);
}
#endif

QString productName()
{
    return QStringLiteral(TARVELIN_PRODUCT_NAME);
}

QString versionText()
{
    return QStringLiteral(TARVELIN_VERSION_TEXT);
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace ProgramIdentity
