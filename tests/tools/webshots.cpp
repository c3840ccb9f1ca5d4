// webshots: pictures of the web windows, for a person to look at.
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bin/webshots OUTDIR
// Runs in a host of a test LAN (root), with the pages served by a server on that
// host's loopback; saves one PNG per window and state into OUTDIR.
#include "../app/WebTestServer.h"
#include "../support/PageClick.h"
#include "BrowserEngine.h"
#include "DonationUnit.h"
#include "GlobalChatUnit.h"
#include "RequestUnit.h"
#include "TestLan.h"
#include "UpdateUnit.h"
#include "VersionUnit.h"
#include "WebBrowserSp.h"
#include "WebServer.h"
#include "WindowsFonts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void Wait(int iMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < iMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Shot(QWidget* window, const QString& sFile)
{
    Wait(1500);
    const bool bSaved = window->grab().save(sFile);
    std::printf("%s %s\n", qPrintable(sFile), bSaved ? "saved" : "missing");
}

// The link out of the chat is the lobby's first line, where Click reaches it.
const QByteArray kLobby =
    "<html><body style=\"font-family: sans-serif; font-size: 12px; margin: 0;\">"
    "<a href=\"/elsewhere.html\" style=\"display: block; height: 30px;\">外のページへ</a>"
    "<div style=\"background:#eef; padding:4px;\">ロビー：3 人が参加しています</div>"
    "<p>太郎: こんにちは</p><p>花子: こんばんは、よろしくお願いします。</p></body></html>";

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "grab") {
        qputenv("QT_QPA_PLATFORM", "xcb");
        QGuiApplication grabber(argc, argv);
        return QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    if (argc != 2) {
        std::fputs("usage: webshots OUTDIR (under an X server)\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    WindowsFonts::InstallSubstitutes();
    const QString sOut = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(sOut);
    TestLan lan(1);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "no test LAN: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    lan.Enter(0);
    QTemporaryDir dir;
    ProgramDirectory = dir.path() + QStringLiteral("/");
    FileBaseName = ProgramDirectory + QStringLiteral("Parvane2");

    // Without a server first: each window's failure state.
    qunsetenv("PARVANE_WEB_BASE");
    UpdateFormShow();
    Shot(UpdateForm, sOut + QStringLiteral("/update-noserver.png"));
    UpdateFormRelease();
    GlobalChatFormShow();
    Shot(GlobalChatForm, sOut + QStringLiteral("/globalchat-noserver.png"));
    GlobalChatFormRelease();
    RequestFormShow();
    Shot(RequestForm, sOut + QStringLiteral("/request-noserver.png"));
    RequestFormRelease();

    WebTestServer server;
    qputenv("PARVANE_WEB_BASE", server.Base().toUtf8());
    const auto page = [&server](const QString& sPath, const QByteArray& body,
                                const QByteArray& type = "text/html; charset=utf-8") {
        server.SetPage(sPath.toUtf8(), {200, type, body});
    };
    page(WebServer::VersionPath, "http://dl.example/\n2.53\n", "text/plain; charset=utf-8");
    UpdateFormShow();
    Shot(UpdateForm, sOut + QStringLiteral("/update-failed.png"));
    UpdateFormRelease();
    page(WebServer::VersionPath, "http://dl.example/\n2.53\n変更はありません。\n",
         "text/plain; charset=utf-8");
    UpdateFormShow();
    Shot(UpdateForm, sOut + QStringLiteral("/update-same.png"));
    UpdateFormRelease();
    page(WebServer::VersionPath,
         "http://dl.example/\n2.60\n送信ウィンドウを改良しました。\n<b>不具合</b>を修正しました。\n",
         "text/plain; charset=utf-8");
    UpdateFormShow();
    Shot(UpdateForm, sOut + QStringLiteral("/update-other.png"));
    UpdateFormRelease();

    page(WebServer::LobbyPath, kLobby);
    page(QStringLiteral("/elsewhere.html"),
         "<html><body><h3>外のページ</h3><p>チャットから移ったページです。</p></body></html>");
    GlobalChatFormShow();
    Shot(GlobalChatForm, sOut + QStringLiteral("/globalchat.png"));
    TGlobalChatForm* chat = GlobalChatForm;
    // Only the user leaves the chat.
    TestSupport::PageClick(chat->wbLog, QPoint(40, 15));
    Wait(1500);
    Shot(chat, sOut + QStringLiteral("/globalchat-browser.png"));
    Shot(GlobalChatForm, sOut + QStringLiteral("/globalchat-successor.png"));
    chat->close();
    GlobalChatFormRelease();

    page(WebServer::RequestPath,
         "<html><body><h4>ご要望</h4><form><textarea cols=40 rows=6></textarea><br><input type=submit "
         "value=\"送信\"></form></body></html>");
    RequestFormShow();
    Shot(RequestForm, sOut + QStringLiteral("/request.png"));
    RequestFormRelease();
    page(WebServer::DonationPath,
         "<html><body><h4>寄付について</h4><p>ご支援ありがとうございます。</p></body></html>");
    DonationFormShow();
    Shot(DonationForm, sOut + QStringLiteral("/donation.png"));
    DonationFormRelease();

    // The program itself, started in this host with another version on the server:
    // its check at start shows the window. Its footprint with a web window open is printed too.
    page(WebServer::VersionPath, "http://dl.example/\n2.60\n起動時の確認です。\n",
         "text/plain; charset=utf-8");
    QTemporaryDir programDir;
    QFile::copy(QStringLiteral(PARVANE2_PATH), programDir.filePath(QStringLiteral("parvane2")));
    QFile ini(programDir.filePath(QStringLiteral("Parvane2.INI")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Option]\r\nHandleName=webshots\r\n[MainWindow]\r\nLeft=10\r\nTop=10\r\n"
                  "[UpdateWindow]\r\nLeft=420\r\nTop=200\r\n");
    ini.close();
    // On an X server of its own, started inside the host as the test LAN's hosts have their own names.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PARVANE_WEB_BASE"), server.Base());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), programDir.path());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("XAUTHORITY"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    lan.PlaceProcess(program, 0);
    const QString sScreen = sOut + QStringLiteral("/startup-check.png");
    const QString sScript =
        QStringLiteral("'%1/parvane2' & PV=$!; sleep 9; grep -E '^(VmRSS|Threads)' /proc/$PV/status; "
                       "'%2' grab '%3'; kill $PV")
            .arg(programDir.path(), QCoreApplication::applicationFilePath(), sScreen);
    program.start(QStringLiteral("xvfb-run"),
                  {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1024x768x24"),
                   QStringLiteral("sh"), QStringLiteral("-c"), sScript});
    while (program.state() != QProcess::NotRunning)
        Wait(200);
    std::printf("%s %s\n", qPrintable(sScreen), QFile::exists(sScreen) ? "saved" : "missing");

    // A program whose browser module is missing.
    const QTemporaryDir noModule;
    BrowserEngineSetModuleFolders({noModule.path()});
    UpdateFormShow();
    Shot(UpdateForm, sOut + QStringLiteral("/update-nomodule.png"));
    UpdateFormRelease();
    BrowserEngineSetModuleFolders({});

    auto* version = new TVersionForm();
    version->show();
    Shot(version, sOut + QStringLiteral("/version.png"));
    delete version;
    lan.Leave();
    return 0;
}
