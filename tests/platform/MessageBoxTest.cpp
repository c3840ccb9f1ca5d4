#include "MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

// What the real box looked like, read while it is up, and the button then pressed.
struct Seen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    QString caption;
    bool onTop = false;
};

Seen ShowAndPress(int iFlags, const QString& press, int* answer)
{
    Seen seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seen.icon = box->icon();
        seen.caption = box->windowTitle();
        seen.onTop = box->windowFlags() & Qt::WindowStaysOnTopHint;
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        QAbstractButton* toPress = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            seen.buttons.append(button->text());
            if (button->text() == press)
                toPress = button;
        }
        if (toPress != nullptr)
            toPress->click();
        else
            box->reject(); // Escape
    });
    *answer = MessageBox::Show(QStringLiteral("text"), QStringLiteral("Parvane 2"), iFlags);
    return seen;
}

TEST(MessageBox, FlagsChooseIconButtonsAndDefault)
{
    const QString yes = QStringLiteral("はい(&Y)");
    const QString no = QStringLiteral("いいえ(&N)");
    const struct {
        int flags;
        QMessageBox::Icon icon;
        QStringList buttons;
        QString defaultButton;
        QString press;
        int answer;
    } cases[] = {
        {0x30, QMessageBox::Warning, {"OK"}, "OK", "OK", MessageBox::IDOK},
        {0x40, QMessageBox::Information, {"OK"}, "OK", QString(), MessageBox::IDOK},
        {0x24, QMessageBox::Question, {yes, no}, yes, yes, MessageBox::IDYES},
        {0x44, QMessageBox::Information, {yes, no}, yes, no, MessageBox::IDNO},
        {0x124, QMessageBox::Question, {yes, no}, no, yes, MessageBox::IDYES},
        {0x134, QMessageBox::Warning, {yes, no}, no, QString(), MessageBox::IDNO},
    };
    for (const auto& c : cases) {
        int answer = 0;
        const Seen seen = ShowAndPress(c.flags, c.press, &answer);
        EXPECT_EQ(seen.icon, c.icon) << c.flags;
        EXPECT_EQ(seen.caption, QStringLiteral("Parvane 2"));
        QStringList sortedSeen = seen.buttons, sortedWanted = c.buttons;
        sortedSeen.sort();
        sortedWanted.sort();
        EXPECT_EQ(sortedSeen, sortedWanted) << c.flags;
        EXPECT_EQ(seen.defaultButton, c.defaultButton) << c.flags;
        EXPECT_FALSE(seen.onTop);
        EXPECT_EQ(answer, c.answer) << c.flags;
    }
}

TEST(MessageBox, TopMostBitKeepsTheBoxAboveOtherWindows)
{
    int answer = 0;
    const Seen seen = ShowAndPress(0x30 | MessageBox::MB_TOPMOST, QStringLiteral("OK"), &answer);
    EXPECT_TRUE(seen.onTop);
    EXPECT_EQ(answer, MessageBox::IDOK);
}

TEST(MessageBox, AnswererStandsInForTheUser)
{
    MessageBox::Request asked;
    MessageBox::SetAnswerer([&](const MessageBox::Request& request) {
        asked = request;
        return MessageBox::IDYES;
    });
    EXPECT_EQ(
        MessageBox::Show(QStringLiteral("質問"), QStringLiteral("Parvane 2"),
                         MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION | MessageBox::MB_DEFBUTTON2),
        MessageBox::IDYES);
    MessageBox::SetAnswerer({});
    EXPECT_EQ(asked.sText, QStringLiteral("質問"));
    EXPECT_EQ(asked.iFlags, MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION | MessageBox::MB_DEFBUTTON2);
}

// Text that looks like markup shows as the text it is: no picture is read and drawn.
TEST(MessageBox, TextIsPlainEvenWhenItLooksLikeMarkup)
{
    QTemporaryDir dir;
    const QString sImage = dir.filePath(QStringLiteral("big.png"));
    ASSERT_TRUE(QImage(400, 400, QImage::Format_RGB32).save(sImage));
    const QString sText = QStringLiteral("<img src=\"%1\"> の不在メッセージはありません。").arg(sImage);
    QString sShown;
    Qt::TextFormat format = Qt::AutoText;
    int iHeight = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        sShown = label != nullptr ? label->text() : QString();
        format = label != nullptr ? label->textFormat() : Qt::AutoText;
        iHeight = label != nullptr ? label->sizeHint().height() : 0;
        box->reject();
    });
    MessageBox::Show(sText, QStringLiteral("Parvane 2"), MessageBox::MB_ICONWARNING);
    EXPECT_EQ(sShown, sText);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_GT(iHeight, 0);
    EXPECT_LT(iHeight, 100);
}

// However long a name in the text, the box stays within the screen.
TEST(MessageBox, AnOversizedTextKeepsTheBoxOnTheScreen)
{
    QSize shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        shown = box->size();
        box->reject();
    });
    MessageBox::Show(QString(5000, u'名') + QStringLiteral(" の不在メッセージはありません。"),
                     QStringLiteral("Parvane 2"), MessageBox::MB_ICONWARNING);
    const QSize screen = QApplication::primaryScreen()->availableSize();
    EXPECT_GT(shown.width(), 0);
    EXPECT_LE(shown.width(), screen.width());
    EXPECT_LE(shown.height(), screen.height());
}

// The window a box is shown over is freed while the box is open: the box stays
// whole and answers, since it was never the window's child.
TEST(MessageBox, AWindowFreedUnderItsBoxLeavesTheBoxWhole)
{
    auto window = std::make_unique<QWidget>();
    window->show();
    window->activateWindow();
    QElapsedTimer waited;
    waited.start();
    while (QApplication::activeWindow() != window.get() && waited.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(QApplication::activeWindow(), window.get());
    bool bStillOpen = false;
    QTimer::singleShot(0, [&] {
        window.reset();
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            bStillOpen = box != nullptr && box->isVisible();
            if (box == nullptr)
                return;
            for (QAbstractButton* button : box->buttons())
                if (button->text() == QStringLiteral("はい(&Y)"))
                    button->click();
        });
    });
    const int iAnswer = MessageBox::Show(QStringLiteral("質問"), QStringLiteral("Parvane 2"),
                                         MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION);
    EXPECT_TRUE(bStillOpen);
    EXPECT_EQ(iAnswer, MessageBox::IDYES);
}

QStringList ShownTexts()
{
    QStringList texts;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box != nullptr && box->isVisible())
            texts << box->text();
    texts.sort();
    return texts;
}

void PressFirstShown(const QString& sText)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window);
            box != nullptr && box->isVisible() && box->text() == sText) {
            box->buttons().value(0)->click();
            return;
        }
}

// Warnings raised inside the program's loop return at once; one box of a kind shows,
// the same text again is counted into it, another text waits, and a flood of texts
// past the waiting room is only counted.
TEST(MessageBox, UnstackedWarningsShowOneBoxOfAKindAndTheRestWait)
{
    struct {
        QStringList first, afterOne, afterTwo;
        int iCounted = -1;
        int iFloodShown = 0;
    } seen;
    QEventLoop loop;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 3; ++i)
            MessageBox::ShowUnstacked(QStringLiteral("A"), QStringLiteral("one"), QStringLiteral("Parvane 2"),
                                      MessageBox::MB_ICONWARNING);
        MessageBox::ShowUnstacked(QStringLiteral("A"), QStringLiteral("two"), QStringLiteral("Parvane 2"),
                                  MessageBox::MB_ICONWARNING);
        MessageBox::ShowUnstacked(QStringLiteral("B"), QStringLiteral("three"), QStringLiteral("Parvane 2"),
                                  MessageBox::MB_ICONWARNING);
        seen.first = ShownTexts();
        seen.iCounted = MessageBox::UnstackedCounted(QStringLiteral("A"));
        PressFirstShown(QStringLiteral("one"));
        seen.afterOne = ShownTexts();
        PressFirstShown(QStringLiteral("two"));
        PressFirstShown(QStringLiteral("three"));
        seen.afterTwo = ShownTexts();

        for (int i = 0; i < 100; ++i)
            MessageBox::ShowUnstacked(QStringLiteral("C"), QStringLiteral("flood %1").arg(i),
                                      QStringLiteral("Parvane 2"), MessageBox::MB_ICONWARNING);
        for (QStringList shown = ShownTexts(); !shown.isEmpty() && seen.iFloodShown < 1000;
             shown = ShownTexts()) {
            ++seen.iFloodShown;
            PressFirstShown(shown.first());
        }
        loop.quit();
    });
    loop.exec();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(seen.first, (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
    EXPECT_EQ(seen.iCounted, 3);
    EXPECT_EQ(seen.afterOne, (QStringList{QStringLiteral("three"), QStringLiteral("two")}));
    EXPECT_TRUE(seen.afterTwo.isEmpty());
    EXPECT_EQ(seen.iFloodShown, 1 + static_cast<int>(MessageBox::UnstackedWaitingMax));
    EXPECT_EQ(MessageBox::UnstackedCounted(QStringLiteral("C")), 0);
}

// What waits for a warning's answer runs once the box it went into is answered,
// none before: once for each owner however many of its warnings went in, never for
// an owner gone by then, and a warning without anything to run keeps nothing.
TEST(MessageBox, EachOwnerOfAWarningCountedIntoABoxHearsItsAnswerOnce)
{
    std::map<QString, int> answered;
    int iBeforeTheAnswer = -1;
    int iKeptWhileOpen = -1;
    int iKeptAfterAFlood = -1;
    QEventLoop loop;
    QTimer::singleShot(0, [&] {
        QObject first;
        QObject second;
        auto gone = std::make_unique<QObject>();
        const auto warn = [](QObject* owner, std::function<void()> done) {
            MessageBox::ShowUnstacked(QStringLiteral("D"), QStringLiteral("done"),
                                      QStringLiteral("Parvane 2"), MessageBox::MB_ICONINFORMATION, owner,
                                      std::move(done));
        };
        for (int i = 0; i < 3; ++i) {
            warn(&first, [&] { ++answered["first"]; });
            warn(&second, [&] { ++answered["second"]; });
            warn(gone.get(), [&] { ++answered["gone"]; });
        }
        iKeptWhileOpen = MessageBox::UnstackedAnswersKept(QStringLiteral("D"));
        gone.reset();
        for (int i = 0; i < 1000; ++i)
            MessageBox::ShowUnstacked(QStringLiteral("D"), QStringLiteral("done"),
                                      QStringLiteral("Parvane 2"), MessageBox::MB_ICONINFORMATION);
        iKeptAfterAFlood = MessageBox::UnstackedAnswersKept(QStringLiteral("D"));
        iBeforeTheAnswer = int(answered.size());
        PressFirstShown(QStringLiteral("done"));
        loop.quit();
    });
    loop.exec();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(iBeforeTheAnswer, 0);
    EXPECT_EQ(iKeptWhileOpen, 3);
    EXPECT_LE(iKeptAfterAFlood, 3);
    EXPECT_EQ(answered, (std::map<QString, int>{{"first", 1}, {"second", 1}}));
    EXPECT_EQ(MessageBox::UnstackedAnswersKept(QStringLiteral("D")), 0);
}

} // namespace
