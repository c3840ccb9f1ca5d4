#pragma once

// The program's layouts and style sheets name the Japanese fonts of Windows. None
// of them is here, and the default font that would stand in is wider in its
// digits and Latin letters, so fixed columns and labels would wrap. Each is
// mapped to the Japanese font that is installed with the program.
namespace WindowsFonts {

// The proportional one, for every name but the fixed-pitch "ＭＳ ゴシック".
inline constexpr const char* Proportional = "Noto Sans CJK JP";
inline constexpr const char* FixedPitch = "Noto Sans Mono CJK JP";

// Once, after the application object exists; later fonts and documents resolve through it.
void InstallSubstitutes();

} // namespace WindowsFonts
