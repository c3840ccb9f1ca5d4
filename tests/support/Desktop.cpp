#include "Desktop.h"

#include "ProcessEnd.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QRegularExpression>

namespace TestSupport {

Desktop::Desktop()
{
    if (!FServer.IsReady()) {
        FError = FServer.Error();
        return;
    }
    // No session settings of the machine's user: the window manager's defaults.
    const QStringList manager = {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"),
                                 QStringLiteral("/dev/null")};
    const QStringList panel = {
        QStringLiteral("--edge"),        QStringLiteral("bottom"),      QStringLiteral("--align"),
        QStringLiteral("left"),          QStringLiteral("--widthtype"), QStringLiteral("percent"),
        QStringLiteral("--width"),       QStringLiteral("100"),         QStringLiteral("--heighttype"),
        QStringLiteral("pixel"),         QStringLiteral("--height"),    QString::number(kPanelHeight),
        QStringLiteral("--SetDockType"), QStringLiteral("true"),        QStringLiteral("--SetPartialStrut"),
        QStringLiteral("true"),          QStringLiteral("--tint"),      QStringLiteral("0x404040"),
        QStringLiteral("--alpha"),       QStringLiteral("0"),           QStringLiteral("--transparent"),
        QStringLiteral("true")};
    if (!Start(FWindowManager, QStringLiteral("openbox"), manager))
        return;
    // The panel asks the window manager for its strip; only a running manager gives it.
    QElapsedTimer timer;
    timer.start();
    bool bPanel = false;
    // Once in a while openbox ends as it starts, saying nothing; a second start takes.
    bool bManagerAgain = true;
    while (timer.elapsed() < 30000) {
        if (FWindowManager.state() != QProcess::Running) {
            const QString sEnd = QStringLiteral("openbox ended (exit %1): ").arg(FWindowManager.exitCode()) +
                                 QString::fromLocal8Bit(FWindowManager.readAllStandardError());
            if (!bManagerAgain) {
                FError = sEnd;
                return;
            }
            bManagerAgain = false;
            if (!Start(FWindowManager, QStringLiteral("openbox"), manager))
                return;
        }
        // The panel once the manager has announced itself, and again should it have ended.
        if ((!bPanel && ManagerAnnounced()) || (bPanel && FPanel.state() == QProcess::NotRunning)) {
            bPanel = Start(FPanel, QStringLiteral("trayer"), panel);
            if (!bPanel)
                return;
        }
        const QRect area = WorkArea();
        if (area.isValid() && area.height() == 800 - kPanelHeight)
            return;
        FWindowManager.waitForFinished(100);
    }
    FError = QStringLiteral("the work area never made room for the panel");
}

Desktop::~Desktop()
{
    ProcessEnd(FPanel);
    ProcessEnd(FWindowManager);
}

bool Desktop::Start(QProcess& process, const QString& sProgram, const QStringList& args)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), FServer.Display());
    process.setProcessEnvironment(environment);
    process.start(sProgram, args);
    if (process.waitForStarted(10000))
        return true;
    FError = sProgram + QStringLiteral(" could not be started: install the package of that name");
    return false;
}

QString Desktop::RootProperty(const QString& sName) const
{
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), FServer.Display());
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral("xprop"), {QStringLiteral("-root"), sName});
    if (!probe.waitForFinished(5000))
        return {};
    return QString::fromLatin1(probe.readAll());
}

bool Desktop::ManagerAnnounced() const
{
    // "_NET_SUPPORTING_WM_CHECK(WINDOW): window id # 0x400001"
    return RootProperty(QStringLiteral("_NET_SUPPORTING_WM_CHECK")).contains(QStringLiteral("window id"));
}

QRect Desktop::WorkArea() const
{
    const QString sArea = RootProperty(QStringLiteral("_NET_WORKAREA"));
    // "_NET_WORKAREA(CARDINAL) = 0, 0, 1280, 776"
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(sArea);
    if (!match.hasMatch())
        return {};
    return QRect(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                 match.captured(4).toInt());
}

} // namespace TestSupport
