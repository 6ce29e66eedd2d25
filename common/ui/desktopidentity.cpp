#include "desktopidentity.h"

#include <QApplication>

#include <cstring>

namespace DesktopIdentity {

ApplicationArguments::ApplicationArguments(int argc, char *argv[])
{
    bool platformArgument = false;
    for (int i = 0; i < argc; ++i) {
        m_values.push_back(argv[i]);
        platformArgument = platformArgument || std::strcmp(argv[i], "-platform") == 0;
    }
    const bool waylandSession
        = qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == QByteArrayLiteral("wayland");
    if (prefersXcb(platformArgument || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"), waylandSession,
            !qEnvironmentVariableIsEmpty("DISPLAY"))) {
        m_values.insert(m_values.begin() + qMin<std::ptrdiff_t>(1, std::ptrdiff_t(m_values.size())),
            { m_platformOption, m_platform });
    }
    m_count = int(m_values.size());
    m_values.push_back(nullptr);
}

bool ApplicationArguments::prefersXcb(bool platformChosen, bool waylandSession, bool xDisplay)
{
    return !platformChosen && waylandSession && xDisplay;
}

void apply(const char *desktopId)
{
    QGuiApplication::setDesktopFileName(QLatin1String(desktopId));
    QApplication::setWindowIcon(icon(desktopId));
}

QIcon icon(const char *desktopId)
{
    QIcon result;
    for (const int size : { 16, 22, 24, 32, 48, 64, 128, 256 })
        result.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(QLatin1String(desktopId)),
            QSize(size, size));
    return result;
}

} // namespace DesktopIdentity
