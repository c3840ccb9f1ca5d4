#include "WindowsFonts.h"

#include <QApplication>
#include <QFont>
#include <QString>

namespace WindowsFonts {

void InstallSubstitutes()
{
    static const char* const kMeiryo[] = {"Meiryo UI", "メイリオ", "Meiryo"};
    static const char* const kProportional[] = {"MS UI Gothic", "ＭＳ Ｐゴシック", "MS PGothic"};
    static const char* const kFixedPitch[] = {"ＭＳ ゴシック", "MS Gothic"};
    for (const char* name : kMeiryo)
        QFont::insertSubstitution(QString::fromUtf8(name), QString::fromLatin1(Meiryo));
    for (const char* name : kProportional)
        QFont::insertSubstitution(QString::fromUtf8(name), QString::fromLatin1(Proportional));
    for (const char* name : kFixedPitch)
        QFont::insertSubstitution(QString::fromUtf8(name), QString::fromLatin1(FixedPitch));
    QFont font(QString::fromUtf8(WindowFamily), WindowPoints);
    QApplication::setFont(font);
}

} // namespace WindowsFonts
