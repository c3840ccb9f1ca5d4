#include "DisplayPlatform.h"

#include <QtGlobal>

TDisplayEnvironment DisplayEnvironmentOfProcess()
{
    return {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("WAYLAND_DISPLAY"),
            qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("XDG_SESSION_TYPE")};
}

QByteArray DisplayPlatformChoice(const TDisplayEnvironment& environment, const QStringList& slArguments)
{
    if (!environment.sQpaPlatform.isEmpty())
        return {};
    // Qt takes its options with one dash or two.
    for (qsizetype i = 1; i < slArguments.size(); ++i)
        if (slArguments[i] == QLatin1String("-platform") || slArguments[i] == QLatin1String("--platform"))
            return {};
    const bool bWayland =
        !environment.sWaylandDisplay.isEmpty() ||
        environment.sSessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
    if (!bWayland || environment.sDisplay.isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
}
