// lanshots: pictures of two program copies on a test LAN, for a person to look at.
//   lanshots OUTDIR        two hosts, each running parvane2 on an X server of its own
//                          (the first with a tray host and the tray icon on); saves
//                          OUTDIR/host1.png and OUTDIR/host2.png, and of the
//                          top right corner, where the tray host is, host1-tray.png
//   lanshots grab FILE     (used by the above) saves the whole screen of $DISPLAY
//   lanshots clipboard     prints the text on the clipboard of $DISPLAY (UTF-8), for
//                          the tests that read what a program copied
#include "AnsiCodePage.h"
#include "TestLan.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
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

bool WriteText(const QString& sPath, const QByteArray& text)
{
    QFile file(sPath);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
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
    const QString sSelf = QCoreApplication::applicationFilePath();
    const QString sProgram = QStringLiteral(PARVANE2_PATH);
    const char* const kHandles[] = {
        "[Option]\r\nHandleName=太郎\r\nCustomizeTaskTray=1\r\nAnimationTaskTrayIcon=2\r\n",
        "[Option]\r\nHandleName=花子\r\n"};
    QTemporaryDir dirs[2];
    QProcess copies[2];
    for (int i = 0; i < 2; ++i) {
        // Each copy has a folder of its own: its settings beside it, its lock apart.
        const QString sDir = dirs[i].path();
        QFile::copy(sProgram, sDir + QStringLiteral("/parvane2"));
        WriteText(sDir + QStringLiteral("/Parvane2.INI"),
                  AnsiCodePage::Encode(QString::fromUtf8(kHandles[i])) +
                      "CustomizeStartVersionCheck=0\r\n[MainWindow]\r\nLeft=40\r\nTop=60\r\n"
                      "Width=700\r\nHeight=300\r\n");
        const QString sShot = sOut + QStringLiteral("/host%1.png").arg(i + 1);
        const QString sScript =
            QStringLiteral(
                "trayer --edge top --align right --widthtype request --height 24 --SetDockType true "
                "--tint 0xd0d0d0 --transparent true --alpha 0 & TRAY=$!; sleep 1; '%1/parvane2' & PV=$!; "
                "sleep 7; '%2' grab '%3'; kill $PV $TRAY")
                .arg(sDir, sSelf, sShot);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), sDir);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        copies[i].setProcessEnvironment(environment);
        lan.PlaceProcess(copies[i], i);
        copies[i].setProcessChannelMode(QProcess::ForwardedChannels);
        copies[i].start(QStringLiteral("xvfb-run"),
                        {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x420x24"),
                         QStringLiteral("sh"), QStringLiteral("-c"), sScript});
    }
    int iResult = 0;
    for (QProcess& copy : copies)
        if (!copy.waitForFinished(60000))
            iResult = 1;
    for (int i = 0; i < 2; ++i) {
        const QString sShot = sOut + QStringLiteral("/host%1.png").arg(i + 1);
        std::printf("%s %s\n", qPrintable(sShot), QFile::exists(sShot) ? "saved" : "missing");
        if (!QFile::exists(sShot))
            iResult = 1;
    }
    return iResult;
}
