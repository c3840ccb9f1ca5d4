#include "WindowsFonts.h"

#include <QFont>
#include <QString>

namespace WindowsFonts {

void InstallSubstitutes()
{
    static const char* const kProportional[] = {"Meiryo UI",    "メイリオ",        "Meiryo",
                                                "MS UI Gothic", "ＭＳ Ｐゴシック", "MS PGothic"};
    static const char* const kFixedPitch[] = {"ＭＳ ゴシック", "MS Gothic"};
    for (const char* name : kProportional)
        QFont::insertSubstitution(QString::fromUtf8(name), QString::fromLatin1(Proportional));
    for (const char* name : kFixedPitch)
        QFont::insertSubstitution(QString::fromUtf8(name), QString::fromLatin1(FixedPitch));
}

} // namespace WindowsFonts
