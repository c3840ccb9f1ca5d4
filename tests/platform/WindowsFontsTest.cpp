#include "WindowsFonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

TEST(WindowsFonts, TheJapaneseFontsOfWindowsResolveToTheInstalledOnes)
{
    ASSERT_TRUE(QFontDatabase::hasFamily(QString::fromLatin1(WindowsFonts::Proportional)))
        << "the Gothic font is not installed (package fonts-ipafont-gothic)";
    ASSERT_TRUE(QFontDatabase::hasFamily(QString::fromLatin1(WindowsFonts::Meiryo)))
        << "the Japanese font is not installed (package fonts-noto-cjk)";
    WindowsFonts::InstallSubstitutes();
    const struct {
        const char* family;
        const char* resolved;
    } cases[] = {{"Meiryo UI", WindowsFonts::Meiryo},
                 {"メイリオ", WindowsFonts::Meiryo},
                 {"MS UI Gothic", WindowsFonts::Proportional},
                 {"ＭＳ Ｐゴシック", WindowsFonts::Proportional},
                 {"ＭＳ ゴシック", WindowsFonts::FixedPitch}};
    for (const auto& c : cases) {
        QFont font;
        font.setFamilies(QStringList{QString::fromUtf8(c.family)});
        EXPECT_EQ(QFontInfo(font).family(), QString::fromLatin1(c.resolved)) << c.family;
    }
}

// The windows are laid out for a Gothic of 12 pixels at 96 dpi: its lines must stay
// near that, or every row of every window grows.
TEST(WindowsFonts, TheWindowsFontHasTheLineOfTheLayouts)
{
    WindowsFonts::InstallSubstitutes();
    const QFont font = QApplication::font();
    EXPECT_EQ(QFontInfo(font).family(), QString::fromLatin1(WindowsFonts::Proportional));
    EXPECT_EQ(QFontInfo(font).pointSize(), WindowsFonts::WindowPoints);
    const QFontMetrics metrics(font);
    EXPECT_LE(metrics.height(), 13);
    EXPECT_LE(metrics.averageCharWidth(), 6);
}

} // namespace
