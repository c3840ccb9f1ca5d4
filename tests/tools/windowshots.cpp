// Pictures of every window of the program at its design size, as a user first
// meets it, on a desktop of their own: a 1280 x 800 screen with a window manager
// and a 24-pixel panel, so frames, title-bar buttons and the work area are a
// desktop's. One PNG per window, named after it (run by hand: build/bin/windowshots
// OUTDIR). The engine runs in a host of the test LAN (needs root), so nothing
// it sends leaves the machine.
#include "Desktop.h"
#include "MainUnit.h"
#include "ProgramLook.h"
#include "Settings.h"
#include "SubUnit.h"
#include "TestLan.h"
#include "WebBrowserSp.h"
#include "WindowCatalogue.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <cstdio>

namespace {

void Settle(int iMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < iMs) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

// Shown, exposed, and with a frame around the client on every side.
bool Framed(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    const QRect frame = window->frameGeometry();
    return window->isVisible() && handle != nullptr && handle->isExposed() && window->width() > 1 &&
           window->height() > 1 && frame.width() > window->width() && frame.height() > window->height();
}

// The window on the screen with its frame, as the desktop shows it.
bool Shot(QWidget* window, const QString& sPath)
{
    // The window manager frames a window a while after it is shown: until then the
    // frame reads as the client alone, or as nothing at all.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000 && !Framed(window))
        Settle(50);
    // A window with a browser makes it once it is on screen; the browser starts its
    // processes for its first page and draws it a while later.
    Settle(500);
    if (window->findChild<TWebBrowserSp*>() != nullptr)
        Settle(4000);
    const QRect frame = window->frameGeometry();
    const bool bSaved = QGuiApplication::primaryScreen()
                            ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                            .save(sPath);
    std::printf("%s  client %d x %d, frame %d, %d, %d x %d\n", qPrintable(sPath), window->width(),
                window->height(), frame.x(), frame.y(), frame.width(), frame.height());
    return bSaved;
}

int Pictures(int argc, char** argv, const QString& sOut)
{
    QApplication app(argc, argv);
    ProgramLookInstall();
    // Connected to the X server first: its socket lies outside the test LAN.
    TestLan lan(1);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "no test LAN: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    lan.Enter(0);
    QTemporaryDir dir;
    ProgramDirectory = dir.path() + u'/';
    TMainForm::ProgramDirectoryOverride = dir.path();
    FileBaseName = ProgramDirectory + SettingsBaseName;
    HandleName = QStringLiteral("山田太郎");
    AbsenceMessage[0] = {QStringLiteral("離席中"), QStringLiteral("席を外しています。")};
    AbsenceMessage[1] = {QStringLiteral("外出中"), QStringLiteral("外出しています。")};
    int iFailed = 0;
    for (const TestSupport::TCatalogueWindow& entry : TestSupport::WindowCatalogue()) {
        QWidget* window = entry.open();
        if (window == nullptr || !Shot(window, sOut + u'/' + entry.sName + QStringLiteral(".png"))) {
            std::fprintf(stderr, "%s: no picture\n", qPrintable(entry.sName));
            ++iFailed;
        }
        entry.close();
        Settle(100);
    }
    TestSupport::CatalogueEnd();
    return iFailed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: windowshots OUTDIR\n", stderr);
        return 2;
    }
    const QString sOut = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(sOut);
    if (qEnvironmentVariableIsSet("PV_WINDOWSHOTS_DESKTOP")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return Pictures(argc, argv, sOut);
    }
    // The pictures are taken by a copy of this program on the desktop made here.
    QCoreApplication core(argc, argv);
    const TestSupport::Desktop desktop;
    if (!desktop.IsReady()) {
        std::fprintf(stderr, "no desktop: %s\n", qPrintable(desktop.Error()));
        return 1;
    }
    QProcess copy;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), desktop.Display());
    environment.insert(QStringLiteral("PV_WINDOWSHOTS_DESKTOP"), QStringLiteral("1"));
    copy.setProcessEnvironment(environment);
    copy.setProcessChannelMode(QProcess::ForwardedChannels);
    copy.start(QCoreApplication::applicationFilePath(), {sOut});
    if (!copy.waitForFinished(300000)) {
        copy.kill();
        copy.waitForFinished(5000);
        std::fputs("the pictures took too long\n", stderr);
        return 1;
    }
    return copy.exitStatus() == QProcess::NormalExit ? copy.exitCode() : 1;
}
