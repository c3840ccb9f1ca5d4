// lanshots: pictures of two program copies on a test LAN, for a person to look at.
//   lanshots OUTDIR        two hosts, each running parvane2 on an X server of its own
//                          (the first with a tray host and the tray icon on); saves
//                          OUTDIR/host1.png and OUTDIR/host2.png, and of the
//                          top right corner, where the tray host is, host1-tray.png
//   lanshots grab FILE     (used by the above) saves the whole screen of $DISPLAY
//   lanshots clipboard     prints the text on the clipboard of $DISPLAY (UTF-8), for
//                          the tests that read what a program copied
#include "AnsiCodePage.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>

namespace {

int Grab(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1;
    const QPixmap shot = screen->grabWindow(0);
    const QString sFile = QString::fromLocal8Bit(argv[2]);
    // The tray host sits in the top right corner; a larger copy of it shows the icon.
    const QPixmap tray =
        shot.copy(shot.width() - 64, 0, 64, 28).scaled(256, 112, Qt::KeepAspectRatio, Qt::FastTransformation);
    tray.save(QString(sFile).replace(QStringLiteral(".png"), QStringLiteral("-tray.png")));
    return shot.save(sFile) ? 0 : 1;
}

int PrintClipboard(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
    return std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size()) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "grab")
        return Grab(argc, argv);
    if (argc == 2 && QByteArray(argv[1]) == "clipboard")
        return PrintClipboard(argc, argv);
    if (argc != 2) {
        std::fputs("usage: lanshots OUTDIR\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString sOut = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(sOut);
    TestLan lan(2);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "no test LAN: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    const char* const kHandles[] = {
        "[Option]\r\nHandleName=太郎\r\nCustomizeTaskTray=1\r\nAnimationTaskTrayIcon=2\r\n",
        "[Option]\r\nHandleName=花子\r\n"};
    // Each copy has a folder of its own (its settings beside it, its lock apart) and
    // an X server whose number no other server on the machine holds.
    TestSupport::ProgramCopy first(lan, 0), second(lan, 1);
    TestSupport::ProgramCopy* const copies[] = {&first, &second};
    first.AddTrayHost();
    for (int i = 0; i < 2; ++i) {
        if (!copies[i]->Start(AnsiCodePage::Encode(QString::fromUtf8(kHandles[i])) +
                                  "CustomizeStartVersionCheck=0\r\n[MainWindow]\r\nLeft=40\r\nTop=60\r\n"
                                  "Width=700\r\nHeight=300\r\n",
                              QStringLiteral("800x420x24"))) {
            std::fprintf(stderr, "copy %d did not start\n", i + 1);
            return 1;
        }
    }
    // Time for the copies to find each other and the tray icon to settle: a picture
    // for a person to look at, whose content nothing here can wait for.
    QThread::sleep(5);
    int iResult = 0;
    for (int i = 0; i < 2; ++i) {
        const QString sShot = sOut + QStringLiteral("/host%1.png").arg(i + 1);
        const bool bSaved = copies[i]->Shot(sShot);
        std::printf("%s %s\n", qPrintable(sShot), bSaved ? "saved" : "missing");
        if (!bSaved)
            iResult = 1;
    }
    return iResult;
}
