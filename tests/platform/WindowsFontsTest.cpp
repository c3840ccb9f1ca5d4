#include "WindowsFonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

TEST(WindowsFonts, TheJapaneseFontsOfWindowsResolveToTheInstalledOne)
{
    ASSERT_TRUE(QFontDatabase::hasFamily(QString::fromLatin1(WindowsFonts::Proportional)))
        << "the Japanese font is not installed (package fonts-noto-cjk)";
    WindowsFonts::InstallSubstitutes();
    const struct {
        const char* family;
        const char* resolved;
    } cases[] = {{"Meiryo UI", WindowsFonts::Proportional},
                 {"メイリオ", WindowsFonts::Proportional},
                 {"MS UI Gothic", WindowsFonts::Proportional},
                 {"ＭＳ Ｐゴシック", WindowsFonts::Proportional},
                 {"ＭＳ ゴシック", WindowsFonts::FixedPitch}};
    for (const auto& c : cases) {
        QFont font;
        font.setFamilies(QStringList{QString::fromUtf8(c.family)});
        EXPECT_EQ(QFontInfo(font).family(), QString::fromLatin1(c.resolved)) << c.family;
    }
}

} // namespace
