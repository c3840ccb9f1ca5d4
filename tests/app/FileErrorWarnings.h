#pragma once

// The warnings of the file windows, written out here so that the tests compare
// the boxes with the texts a user must read, not with the product's own copy.
#include <QString>

namespace FileErrorWarnings {

inline const QString SendNoAddress =
    QStringLiteral("ファイルの送信に失敗しました。送信先がオフラインになってしまっている可能性があります。\r"
                   "ファイル送信は送信先がオンライン状態の時に行う必要があります。");
inline const QString SendClosed =
    QStringLiteral("以下のいずれかの原因によりファイルの送信に失敗しました。\r\r"
                   "\u3000・送信先でファイルの受信がキャンセルされた。\r"
                   "\u3000・送信先がオフラインになった。\r"
                   "\u3000・送信先で何らかのエラーが発生した。");
inline const QString SendFile =
    QStringLiteral("以下のいずれかの原因によりファイルの送信に失敗しました。\r\r"
                   "\u3000・送信対象となっているファイルが削除された。\r"
                   "\u3000・送信対象となっているファイルがロックされている。\r"
                   "\u3000・何らかの原因で送信対象となっているファイルのオープンに失敗した。");
inline const QString SendUnknown = QStringLiteral("原因不明のエラーでファイルの送信に失敗しました。");
inline const QString RecvClosed =
    QStringLiteral("以下のいずれかの原因によりファイルの受信に失敗しました。\r\r"
                   "\u3000・送信元でファイルの送信がキャンセルされた。\r"
                   "\u3000・送信元がオフラインになった。\r"
                   "\u3000・送信元で何らかのエラーが発生した。");
inline const QString RecvFile =
    QStringLiteral("以下のいずれかの原因によりファイルの受信に失敗しました。\r\r"
                   "\u3000・受信先のファイルが削除された。\r"
                   "\u3000・受信先のファイルがロックされている。\r"
                   "\u3000・何らかの原因で受信先のファイルのオープンに失敗した。");

// The send window's warning by error code; none for the cancel (2).
inline QString Send(int iCode)
{
    switch (iCode) {
    case 0:
        return SendNoAddress;
    case 1:
        return SendClosed;
    case 2:
        return {};
    case 3:
        return SendFile;
    default:
        return SendUnknown;
    }
}

// The receive window's warning by error code; none for the cancel (1) and any unknown code.
inline QString Recv(int iCode)
{
    switch (iCode) {
    case 0:
        return RecvClosed;
    case 2:
        return RecvFile;
    default:
        return {};
    }
}

} // namespace FileErrorWarnings
