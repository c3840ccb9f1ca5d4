// Pictures of the options window's pages, its lock page, its three input dialogs
// and one frame of each pointer animation (run by hand under an X server:
// build/bin/optionshots OUTDIR). Needs no network: no engine is started.
#include "AnimationUnit.h"
#include "ExtraAnimationUnit.h"
#include "OptionAbsenceAddUnit.h"
#include "OptionAbsenceNameUnit.h"
#include "OptionNetworkAddUnit.h"
#include "OptionUnit.h"
#include "PageControlEx.h"
#include "Settings.h"
#include "WindowsFonts.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

void Settle()
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

void Save(QWidget* w, const QString& sPath)
{
    Settle();
    w->grab().save(sPath);
    std::printf("%s\n", qPrintable(sPath));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    WindowsFonts::InstallSubstitutes();
    if (argc < 2) {
        std::fprintf(stderr, "usage: optionshots OUTDIR\n");
        return 2;
    }
    const QString sOut = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(sOut);
    QTemporaryDir dir;
    ProgramDirectory = dir.path() + u'/';
    FileBaseName = ProgramDirectory + SettingsBaseName;
    HandleName = QStringLiteral("山田太郎");
    AbsenceMessage[0] = {QStringLiteral("離席中"), QStringLiteral("席を外しています。")};
    AbsenceMessage[1] = {QStringLiteral("外出中"), QStringLiteral("外出しています。")};
    CustomizeSoundKind = 2;
    CustomizeSoundFile[2] = QStringLiteral("/usr/share/sounds/message.wav");

    {
        TOptionForm form;
        form.show();
        form.lbNetworkList->addItems({QStringLiteral("192.168.1.20"), QStringLiteral("host.example")});
        const char* names[] = {"1-profile", "2-absence", "3-event", "4-sound", "5-customize", "6-network"};
        QList<QWidget*> pages = form.VisiblePages();
        for (int i = 0; i < pages.size(); ++i) {
            form.pcOption->setCurrentWidget(pages[i]);
            if (pages[i] == form.tsAbsence) {
                form.cbAbsence->setCurrentIndex(0);
                form.cbAbsenceClick();
            }
            Save(&form, sOut + QStringLiteral("/option-%1.png").arg(QString::fromLatin1(names[i])));
        }
        // The scrolled pages further down, a box's height at a time, the last at the bottom.
        form.pcOption->setCurrentWidget(form.tsCustomize);
        QScrollBar* bar = form.sbCustomize->verticalScrollBar();
        for (int step = 1; step <= 3; ++step) {
            bar->setValue(std::min(bar->maximum(), step * bar->pageStep()));
            Save(&form, sOut + QStringLiteral("/option-5-customize-%1.png").arg(step));
        }
        form.pcOption->setCurrentWidget(form.tsSound);
        form.sbSound->verticalScrollBar()->setValue(form.sbSound->verticalScrollBar()->maximum());
        Save(&form, sOut + QStringLiteral("/option-4-sound-2.png"));
    }
    {
        SecurityOption = true;
        TOptionForm form;
        form.show();
        Save(&form, sOut + QStringLiteral("/option-7-lock.png"));
        SecurityOption = false;
    }
    {
        TOptionAbsenceAddForm add({QStringLiteral("離席中")});
        add.show();
        Save(&add, sOut + QStringLiteral("/dialog-absence-add.png"));
        TOptionAbsenceNameForm name({QStringLiteral("離席中")}, 0);
        name.edInput->setText(QStringLiteral("離席中"));
        name.show();
        Save(&name, sOut + QStringLiteral("/dialog-absence-name.png"));
        TOptionNetworkAddForm address({});
        address.show();
        Save(&address, sOut + QStringLiteral("/dialog-network-add.png"));
    }
    // One frame of each animation, as its shape shows it over a grey desktop.
    for (int iKind : {AnimationKindCircle, AnimationKindSquare}) {
        for (int n : {1, 7, 12}) {
            QImage image(AnimationClientSize, QImage::Format_RGB32);
            image.fill(QColor(200, 200, 200));
            QPainter painter(&image);
            painter.setClipRegion(AnimationFrame(iKind, n).Region);
            painter.fillRect(image.rect(), QColor(220, 30, 120));
            painter.end();
            const QString sPath = sOut + QStringLiteral("/animation-%1-frame%2.png").arg(iKind).arg(n);
            image.scaled(image.size() * 2).save(sPath);
            std::printf("%s\n", qPrintable(sPath));
        }
    }
    for (int n : {3, 12, 30}) {
        QVector<TCometFrame> frames = CometFrames();
        QImage image(CometSize, CometSize, QImage::Format_RGB32);
        image.fill(QColor(200, 200, 200));
        QPainter painter(&image);
        QImage picture = CometImage().scaled(frames[n].Image.size());
        QImage keyed = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < keyed.height(); ++y)
            for (int x = 0; x < keyed.width(); ++x)
                if (QColor(keyed.pixel(x, y)) == QColor(Qt::black))
                    keyed.setPixel(x, y, 0);
        painter.setOpacity(frames[n].Alpha / 255.0);
        painter.drawImage(frames[n].Image.topLeft(), keyed);
        painter.end();
        const QString sPath = sOut + QStringLiteral("/animation-3-frame%1.png").arg(n);
        image.scaled(image.size() * 6).save(sPath);
        std::printf("%s\n", qPrintable(sPath));
    }
    // The real windows on the screen, a few frames in, around the pointer.
    QCursor::setPos(400, 300);
    for (int iKind : {AnimationKindCircle, AnimationKindSquare, AnimationKindComet}) {
        MouseAnimationStart(iKind);
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(15);
        }
        const QString sPath = sOut + QStringLiteral("/screen-animation-%1.png").arg(iKind);
        QGuiApplication::primaryScreen()->grabWindow(0, 250, 150, 300, 300).save(sPath);
        std::printf("%s\n", qPrintable(sPath));
        for (int i = 0; i < 80; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(15);
        }
    }
    return 0;
}
