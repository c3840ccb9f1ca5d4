#pragma once

#include <QString>
#include <functional>

// Modal message boxes with the system's flag words: the buttons in the low four
// bits, the icon in the next four, the default button above them, and the
// top-most bit. The answer is the number of the button pressed.
namespace MessageBox {

inline constexpr int MB_OK = 0x0;
inline constexpr int MB_OKCANCEL = 0x1;
inline constexpr int MB_ABORTRETRYIGNORE = 0x2;
inline constexpr int MB_YESNOCANCEL = 0x3;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_RETRYCANCEL = 0x5;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int MB_DEFBUTTON2 = 0x100;
inline constexpr int MB_DEFBUTTON3 = 0x200;
inline constexpr int MB_TOPMOST = 0x40000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// One box as it was asked for.
struct Request {
    QString sText;
    QString sCaption;
    int iFlags = 0;
};

// Shows the box modally over the active window and gives back the button pressed;
// a box closed with Escape answers as its cancel or No button would, an OK box IDOK.
int Show(const QString& sText, const QString& sCaption, int iFlags);

// Tests answer boxes here in place of a user: while an answerer is set, Show asks
// it and shows nothing. Pass an empty function to show real boxes again.
using Answerer = std::function<int(const Request&)>;
void SetAnswerer(Answerer answerer);

} // namespace MessageBox
