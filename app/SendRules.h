#pragma once

#include <QString>
#include <functional>
#include <vector>

// The rules of the send window, kept apart from its widgets: the byte counter,
// the checks before a send, quoting and the target lists.

// A message may take this many bytes in the ANSI code page, as the wire counts them.
inline constexpr int MaxMessageByte = 2048;

// The wire and the log break lines with CR LF; the edit with LF alone.
QString EditTextToWire(const QString& sEdit);
QString WireTextToEdit(const QString& sWire);

// The status text of the remaining bytes, and whether the text is over the limit (drawn in red).
struct TByteCounter {
    QString sText;
    bool bOver = false;
};
TByteCounter ByteCounterText(const QString& sWire);

// The whole characters that fit into iMaxByte bytes, without the blanks (code
// 32 or lower) at either end. A double-byte character is never cut in half.
QString MessageByteCut(const QString& sWire, int iMaxByte = MaxMessageByte);

// Every line of the text with "> " before it, and one CR LF added at the end.
QString QuoteText(const QString& sWire);

// The send window's opening text: quoted or not, cut to the edit's 2048 characters.
QString SendOpeningText(const QString& sMessage, bool bQuote);

// One target of a send: the two strings that identify a peer.
struct TSendTarget {
    QString sMachine;
    QString sDiscrimination;
    bool operator==(const TSendTarget&) const = default;
};
// The index-parallel lists joined by "&|", up to the first empty machine name.
// Split once, so a list of any length keeps all its entries.
std::vector<TSendTarget> SendTargetsSplit(const QString& sMachines, const QString& sDiscriminations);

// What the checks before a send ended in.
enum class TSendCheck {
    Send,
    Offline,
    Empty,
    TooLongKept, // the user would not have the text cut
    Forbidden,   // "&|", "&:" or "\|"
    OldPeerKept, // the user would not send a letter that some target shows as a message
};

struct TSendCheckResult {
    TSendCheck Result = TSendCheck::Send;
    // The text to send: cut when the user agreed to it.
    QString sText;
    bool bCut = false;
    // The refusal wants the edit focused before its box.
    bool bFocusEdit = false;
};

// Shows a box (text, flags) and gives back the button pressed.
using TAskBox = std::function<int(const QString& sText, int iFlags)>;
// The version of each target as the peer table lists it; -1 when it is not listed.
using TTargetVersions = std::vector<int>;

// The checks in their order, each stopping at its refusal; every question and
// warning goes through ask.
TSendCheckResult SendCheck(bool bLoggedIn, const QString& sWire, bool bLetter,
                           const TTargetVersions& versions, const TAskBox& ask);

// The box that tells one target's send failed.
QString SendFailedText(const QString& sMachine, const QString& sDiscrimination);

// Peers below this version show a letter as an ordinary message.
inline constexpr int LetterVersion = 2110;
