#pragma once

// The program's layouts and style sheets name the Japanese fonts of Windows. None
// of them is here; each is mapped to an installed font that keeps the windows'
// sizes. At 9 points and 96 dpi the Gothic faces of fonts-ipafont-gothic have a
// line of 13 pixels and an average character of 6, near the 12 and 5 to 6 the
// layouts were drawn for; Noto Sans CJK JP has 17 and 12, so its rows grow and
// labels wrap. The Meiryo names keep Noto Sans CJK JP, whose tall lines they share.
namespace WindowsFonts {

// For "ＭＳ Ｐゴシック" and "MS UI Gothic", the proportional Gothic.
inline constexpr const char* Proportional = "IPAPGothic";
// For "ＭＳ ゴシック", the fixed-pitch one.
inline constexpr const char* FixedPitch = "IPAGothic";
// For the Meiryo names.
inline constexpr const char* Meiryo = "Noto Sans CJK JP";

// The font every window of the program is laid out in: "ＭＳ Ｐゴシック", 9 points.
inline constexpr const char* WindowFamily = "ＭＳ Ｐゴシック";
inline constexpr int WindowPoints = 9;

// Once, after the application object exists; later fonts and documents resolve
// through it. Also makes the windows' font the application's.
void InstallSubstitutes();

} // namespace WindowsFonts
