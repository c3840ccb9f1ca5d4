// The themed tab control: its pages show the style's tab body and the buttons
// placed directly on them take its colour.
#include "PageControlEx.h"

#include "fnc_Theme.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// The body shows through plain containers (a page's layout body), so their
// buttons take its colour too, at their place on the page; a group box draws its own.
TEST(PageControlExTest, ButtonsOnAPageTakeTheBodysColourAtTheNextPageSwitch)
{
    TPageControlEx tabs;
    auto* first = new QWidget;
    auto* second = new QWidget;
    tabs.addTab(first, QStringLiteral("一"));
    tabs.addTab(second, QStringLiteral("二"));
    auto* direct = new QCheckBox(QStringLiteral("直接"), second);
    direct->setGeometry(10, 10, 80, 20);
    auto* group = new QGroupBox(second);
    group->setGeometry(10, 40, 120, 60);
    auto* inside = new QPushButton(QStringLiteral("中"), group);
    inside->setGeometry(5, 20, 60, 20);
    const QColor insideBefore = inside->palette().color(QPalette::Button);
    auto* body = new QWidget(second);
    body->setGeometry(20, 0, 60, 30);
    auto* nested = new QPushButton(QStringLiteral("奥"), body);
    nested->setGeometry(10, 5, 20, 10);
    tabs.resize(300, 200);
    tabs.Loaded();
    tabs.grab();
    ASSERT_FALSE(tabs.BackGround().isNull());
    EXPECT_EQ(tabs.BackGround().size(), first->size());

    tabs.setCurrentIndex(1);
    const QImage image = tabs.BackGround().toImage();
    EXPECT_EQ(direct->palette().color(QPalette::Window), QColor(image.pixel(50, 20)));
    EXPECT_EQ(nested->palette().color(QPalette::Button), QColor(image.pixel(40, 10)));
    EXPECT_EQ(tabs.BackgroundColorAt(nested), QColor(image.pixel(40, 10)));
    EXPECT_EQ(inside->palette().color(QPalette::Button), insideBefore);
}

TEST(PageControlExTest, AStyleChangeRebuildsTheBodyAtTheNextPaint)
{
    TPageControlEx tabs;
    auto* page = new QWidget;
    tabs.addTab(page, QStringLiteral("一"));
    auto* button = new QPushButton(QStringLiteral("押す"), page);
    button->setGeometry(10, 10, 60, 20);
    tabs.resize(240, 160);
    tabs.Loaded();
    tabs.grab();
    QPalette dark = tabs.palette();
    dark.setColor(QPalette::Window, QColor(10, 120, 30));
    dark.setColor(QPalette::Base, QColor(10, 120, 30));
    tabs.setPalette(dark);
    tabs.grab();
    const QImage body = tabs.BackGround().toImage();
    EXPECT_EQ(button->palette().color(QPalette::Button), QColor(body.pixel(40, 20)));
    EXPECT_EQ(tabs.BackgroundColorAt(button), QColor(body.pixel(40, 20)));
}

// Ctrl with Tab or PageDown forward, with Shift+Tab or PageUp back; Alt or a
// second modifier leaves the key to the control (a hot-key field takes Ctrl+Alt+PageDown).
TEST(PageControlExTest, PageKeysAndTheirStep)
{
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const struct {
        int iKey;
        Qt::KeyboardModifiers modifiers;
        int iStep;
    } cases[] = {
        {Qt::Key_Tab, ctrl, 1},
        {Qt::Key_Tab, ctrl | shift, -1},
        {Qt::Key_Backtab, ctrl | shift, -1},
        {Qt::Key_PageDown, ctrl, 1},
        {Qt::Key_PageUp, ctrl, -1},
        {Qt::Key_PageDown, ctrl | Qt::KeypadModifier, 1},
        {Qt::Key_Tab, Qt::NoModifier, 0},
        {Qt::Key_Backtab, shift, 0},
        {Qt::Key_PageDown, Qt::NoModifier, 0},
        {Qt::Key_PageDown, ctrl | shift, 0},
        {Qt::Key_PageDown, ctrl | Qt::AltModifier, 0},
        {Qt::Key_Tab, ctrl | Qt::AltModifier, 0},
        {Qt::Key_Tab, ctrl | Qt::MetaModifier, 0},
        {Qt::Key_Right, ctrl, 0},
    };
    for (const auto& c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.iKey, c.modifiers);
        EXPECT_EQ(TPageControlEx::PageKeyStep(event), c.iStep)
            << std::hex << c.iKey << " modifiers " << c.modifiers.toInt();
    }
}

// Round the ends, past hidden and disabled tabs.
TEST(PageControlExTest, TheNextPageIsTheNextTabThatShowsAndIsEnabled)
{
    TPageControlEx pages;
    for (int i = 0; i < 5; ++i)
        pages.addTab(new QWidget, QString::number(i));
    pages.setTabVisible(1, false);
    pages.setTabEnabled(4, false);
    pages.setCurrentIndex(0);
    pages.SelectNextPage(true);
    EXPECT_EQ(pages.currentIndex(), 2);
    pages.SelectNextPage(true);
    pages.SelectNextPage(true);
    EXPECT_EQ(pages.currentIndex(), 0);
    pages.SelectNextPage(false);
    EXPECT_EQ(pages.currentIndex(), 3);
}

TEST(ThemeTest, WithAStyleItDrawsTheTabBody)
{
    const TTheme theme;
    EXPECT_TRUE(theme.ThemeActive());
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    EXPECT_TRUE(theme.DrawThemeBackground(painter, image.rect(), nullptr));
    painter.end();
    EXPECT_NE(image.pixel(20, 20), QColor(Qt::transparent).rgba());
}

} // namespace
