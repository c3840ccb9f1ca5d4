// Pictures of what Qt draws for the program, with the translation the program
// loads: the message boxes of each kind, the edits' context menus, the open, save
// and folder dialogs with the save dialog's question, and the chat window's bold
// and small text (run by hand under an X server: build/bin/dialogshots OUTDIR).
// Needs no network: no engine is started.
#include "ChatUnit.h"
#include "FolderDialog.h"
#include "MessageBox.h"
#include "OpenDialogEx.h"
#include "QtTranslation.h"
#include "SaveDialogEx.h"
#include "Settings.h"
#include "SubUnit.h"
#include "WindowsFonts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

QString OutDir;

void Settle()
{
    for (int i = 0; i < 30; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

void Save(QWidget* w, const QString& sName)
{
    Settle();
    const QString sPath = OutDir + u'/' + sName + QStringLiteral(".png");
    w->grab().save(sPath);
    std::printf("%s\n", qPrintable(sPath));
}

// Pictures the modal window that run() opens, then closes it with done().
void WhileModal(
    const QString& sName, const std::function<void()>& run,
    const std::function<void(QWidget*)>& done = [](QWidget* w) { w->close(); })
{
    QTimer::singleShot(200, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            std::fprintf(stderr, "%s: nothing modal\n", qPrintable(sName));
            return;
        }
        Save(modal, sName);
        done(modal);
    });
    run();
}

void MenuShot(QWidget* edit, const QString& sName)
{
    edit->show();
    Settle();
    QMenu* menu = nullptr;
    if (auto* line = qobject_cast<QLineEdit*>(edit))
        menu = line->createStandardContextMenu();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(edit))
        menu = plain->createStandardContextMenu();
    menu->popup(edit->mapToGlobal(QPoint(10, 10)));
    Save(menu, sName);
    // The sub-menu of control characters, when the edit has one.
    for (QAction* action : menu->actions())
        if (action->menu() != nullptr) {
            action->menu()->popup(edit->mapToGlobal(QPoint(200, 10)));
            Save(action->menu(), sName + QStringLiteral("-sub"));
            action->menu()->close();
        }
    menu->close();
    delete menu;
    edit->hide();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dialogshots OUTDIR\n");
        return 2;
    }
    QtTranslation::InstallJapanese();
    WindowsFonts::InstallSubstitutes();
    OutDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(OutDir);
    QTemporaryDir dir;
    ProgramDirectory = dir.path() + u'/';
    FileBaseName = ProgramDirectory + SettingsBaseName;
    QFile existing(ProgramDirectory + QStringLiteral("Parvane2.INI"));
    existing.open(QIODevice::WriteOnly);
    existing.close();

    using namespace MessageBox;
    const struct {
        const char* sName;
        int iFlags;
    } boxes[] = {{"box-ok-information", MB_OK | MB_ICONINFORMATION},
                 {"box-okcancel-warning", MB_OKCANCEL | MB_ICONWARNING},
                 {"box-yesno-question", MB_YESNO | MB_ICONQUESTION},
                 {"box-yesnocancel-question", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2},
                 {"box-abortretryignore-error", MB_ABORTRETRYIGNORE | MB_ICONERROR},
                 {"box-retrycancel-warning", MB_RETRYCANCEL | MB_ICONWARNING}};
    for (const auto& box : boxes)
        WhileModal(QString::fromLatin1(box.sName), [&] {
            Show(QStringLiteral("ファイルの受信が完了しました。"), ApplicationTitle, box.iFlags);
        });
    WhileModal(QStringLiteral("box-qt-standard"), [] {
        QMessageBox::question(nullptr, ApplicationTitle, QStringLiteral("置き換えますか？"),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    });

    QLineEdit line(QStringLiteral("一行の入力 text"));
    line.resize(300, 24);
    line.selectAll();
    MenuShot(&line, QStringLiteral("menu-line-edit"));
    QPlainTextEdit memo(QStringLiteral("複数行の入力\ntext"));
    memo.resize(300, 120);
    MenuShot(&memo, QStringLiteral("menu-memo"));

    TOpenDialogEx open;
    open.SetTitle(QStringLiteral("ファイルを開く"));
    open.SetFilter(QStringLiteral("すべてのファイル(*.*)|*"));
    open.SetInitialDir(dir.path());
    WhileModal(QStringLiteral("dialog-open"), [&] { open.Execute(); });
    // The file name box's completion list and the type list stay closed; the details view shows the columns.
    TSaveDialogEx save;
    save.SetTitle(QStringLiteral("名前を付けて保存"));
    save.SetInitialDir(dir.path());
    save.SetFileName(QStringLiteral("Parvane2.INI"));
    WhileModal(QStringLiteral("dialog-save"), [&] { save.Execute(); });
    // Accepting an existing name asks Qt's own question, where the dialog still asks it.
    WhileModal(
        QStringLiteral("dialog-save-question"),
        [&] {
            QTimer::singleShot(100, [&] {
                if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            });
            save.Execute();
        },
        [](QWidget* w) {
            w->close();
            QTimer::singleShot(100, [] {
                if (QWidget* still = QApplication::activeModalWidget())
                    still->close();
            });
        });
    TFolderDialog folder;
    folder.SetInformation(QStringLiteral("受信したファイルを保存するフォルダを選択してください。"));
    folder.SetPath(dir.path());
    WhileModal(QStringLiteral("dialog-folder"), [&] { folder.Execute(); });

    // Bold names and 12-pixel text in the fonts that the style sheet names.
    ChatWindowShowHeader = ChatWindowShowStatus = true;
    ChatFormShow();
    ChatUserLogin(QStringLiteral("花子"), QStringLiteral("PVHOST2"), QStringLiteral("Parvane2"), false);
    ChatMessageAdd(QStringLiteral("こんにちは、Hello 12345 ABCabc"), QStringLiteral("花子"),
                   QStringLiteral("PVHOST2"), QStringLiteral("Parvane2"));
    ChatMessageAdd(QStringLiteral("半角ｶﾅ と全角カナ、漢字の行 http://198.18.0.2/x"), QStringLiteral("太郎"),
                   QStringLiteral("PVHOST3"), QStringLiteral("Parvane2"));
    Save(ChatForm, QStringLiteral("chat-fonts"));
    ChatFormRelease();
    return 0;
}
