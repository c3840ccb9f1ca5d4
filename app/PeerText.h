#pragma once

// Peers' strings in widgets: shown as they are, never as markup or access keys.

#include <QString>

class QWidget;

// Every label below the window shows its text plain: a header or a line may hold a
// peer's name, and a label left to decide takes "<img src=...>" for markup and reads
// the file. Every window of the pattern applies it to all its labels.
void LabelsPlainText(QWidget* window);
// A peer's string as a menu item's text: an '&' shows as itself, not as an access key.
QString MenuItemText(const QString& sText);
// A peer's string drawn in one line (a notice, a menu item, a list cell) keeps at most
// this many bytes: room for a department written before a name (sixty double-byte
// characters), while a name of 20 KB would be measured and drawn whole wherever it
// shows, at every paint.
inline constexpr int PeerTextLineMaxBytes = 128;
// sText cut between whole characters and ended in "…" when it is longer than
// iMaxBytes in the code page, within the bound.
QString PeerTextCut(const QString& sText, int iMaxBytes);
// A peer's string as it is drawn in one line: PeerTextCut to PeerTextLineMaxBytes.
QString PeerTextInLine(const QString& sText);
// A window's header that names a peer: "<title> (<lead>:<name>)", the name cut to
// what the header shows at the window's design width.
QString PeerHeaderText(const QString& sTitle, const QString& sLead, const QString& sName);
