#include "MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

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
    EXPECT_EQ(MessageBox::Show(QStringLiteral("質問"), QStringLiteral("Parvane 2"), 0x124),
              MessageBox::IDYES);
    MessageBox::SetAnswerer({});
    EXPECT_EQ(asked.sText, QStringLiteral("質問"));
    EXPECT_EQ(asked.iFlags, 0x124);
}

} // namespace
