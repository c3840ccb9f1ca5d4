#include "EditEx.h"
#include "FolderDialog.h"
#include "HotKeyEx.h"
#include "LabelEx.h"
#include "MarkLabel.h"
#include "OwnProcess.h"
#include "SortListView.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

const char* const PictureVariable = "PV_PICTURE_FILE";

QString PictureFile()
{
    return QStringLiteral(PV_BINARY_DIR "/pictures/SortListView.png");
}
QString SmallControlsFile()
{
    return QStringLiteral(PV_BINARY_DIR "/pictures/SmallControls.png");
}

// The small controls as the file and option windows set them, one under the other.
void DrawSmallControls(const QString& sFile)
{
    QWidget panel;
    panel.resize(320, 150);
    panel.setAutoFillBackground(true);
    TMarkLabel mark(QStringLiteral("送信ファイル"), &panel);
    mark.SetMarkColor(Qt::red);
    mark.SetMarkPadding(3);
    mark.move(10, 10);
    TMarkLabel plain(QStringLiteral("ファイル情報"), &panel);
    plain.move(10, 35);
    TLabelEx link(QStringLiteral("http://198.18.0.1/application/"), &panel);
    link.move(10, 60);
    link.adjustSize();
    QEnterEvent hover(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&link, &hover);
    THotKeyEx hotKey(&panel);
    hotKey.setGeometry(10, 85, 180, 24);
    hotKey.SetHotKey(scCtrl | scAlt | 'S');
    hotKey.SetColor(QColor(255, 255, 220));
    QWidget box(&panel);
    box.setGeometry(200, 85, 110, 24);
    TEditEx edit(&box);
    edit.setText(QStringLiteral("合言葉"));
    edit.SetAlign(TAlign::alClient);
    THotKeyEx empty(&panel);
    empty.setGeometry(10, 115, 180, 24);
    panel.show();
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    ASSERT_TRUE(panel.grab().save(sFile, "PNG"));
}

// The folder chooser as the options window opens it, grabbed while it shows.
void DrawFolderDialog(const QString& sFile)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("受信ファイル/写真");
    TFolderDialog dialog;
    dialog.resize(520, 380);
    dialog.SetInformation(QStringLiteral("受信したファイルを保存するフォルダを選択してください。"));
    dialog.SetPath(QDir(dir.path()).filePath("受信ファイル"));
    bool bSaved = false;
    QTimer::singleShot(300, &dialog, [&] {
        bSaved = dialog.grab().save(sFile, "PNG");
        dialog.reject();
    });
    dialog.ExecuteEx(true);
    EXPECT_TRUE(bSaved);
}

// Runs in a copy of the test program on the real X server that the test starts.
void DrawPopulatedList()
{
    const QString sFile = qEnvironmentVariable(PictureVariable);
    ASSERT_FALSE(sFile.isEmpty());
    ASSERT_EQ(QGuiApplication::platformName(), QString("xcb"));

    TSortListView list;
    list.resize(660, 190);
    const std::pair<const char*, int> sections[] = {
        {"ハンドル名", 100}, {"ステータス", 66}, {"チャット", 55},       {"ファイル受信", 77},
        {"種別", 64},        {"識別情報", 70},   {"コンピュータ名", 85}, {"IPアドレス", 85}};
    for (const auto& [sText, iWidth] : sections)
        list.AddSection(QString::fromUtf8(sText), iWidth);
    QImage dot(16, 16, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    for (int y = 3; y < 13; ++y)
        for (int x = 3; x < 13; ++x)
            dot.setPixelColor(x, y, QColor(230, 120, 20));
    list.SetSmallImages({QIcon(QPixmap::fromImage(dot))});
    const QStringList rows[] = {
        {"山田", "オンライン", "ログイン", "サポート", "メッセージ", "Parvane2", "PVHOST1", "198.18.0.1"},
        {"佐藤", "電話中", "-------", "サポート", "メッセージ", "Parvane2", "PVHOST2", "198.18.0.2"},
        {"Suzuki", "オンライン", "-------", "-------", "メッセージ", "Parvane2", "PVHOST3", "198.18.0.3"},
        {"田中", "不在", "ログイン", "サポート", "メッセージ", "Parvane2", "PVHOST4", "198.18.0.4"},
    };
    for (const QStringList& row : rows) {
        TListItem* item = list.AddItem();
        item->SetCaption(row.front());
        item->SetSubItems(row.mid(1));
        item->SetImageIndex(0);
    }
    list.SetSortIndex(1);
    list.SetSortUpper(false);
    list.Sort();
    list.SetSectionWidth(6, 60); // narrow enough to shorten its caption
    list.show();
    QApplication::processEvents();

    QTemporaryDir dir;
    QFile file(dir.filePath("memo.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file.fileName())});
    TSLVListView* view = list.ListView();
    const QPoint at = view->visualItemRect(view->Item(2)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    ASSERT_EQ(view->DropTarget(), view->Item(2));
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    ASSERT_TRUE(QDir().mkpath(QFileInfo(sFile).path()));
    ASSERT_TRUE(list.grab().save(sFile, "PNG"));
    DrawSmallControls(QFileInfo(sFile).dir().filePath(QFileInfo(SmallControlsFile()).fileName()));
    DrawFolderDialog(QFileInfo(sFile).dir().filePath("FolderDialog.png"));
}

TEST(SortListViewPicture, DrawnPopulatedUnderXvfb)
{
    if (TestSupport::InOwnProcess()) {
        DrawPopulatedList();
        return;
    }
    QFile::remove(PictureFile());
    QFile::remove(SmallControlsFile());
    QProcessEnvironment env;
    env.insert(PictureVariable, PictureFile());
    ASSERT_TRUE(TestSupport::RunInOwnProcessOnAnXServer(env, 60000));

    const QImage picture(PictureFile());
    ASSERT_FALSE(picture.isNull()) << "no picture at " << PictureFile().toStdString();
    EXPECT_EQ(picture.size(), QSize(660, 190));
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 20) << "the picture looks blank";
    EXPECT_FALSE(QImage(SmallControlsFile()).isNull())
        << "no picture at " << SmallControlsFile().toStdString();
}

} // namespace
