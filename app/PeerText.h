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
// this many bytes: room for any name an office gives, while a name of 20 KB would be
// measured and drawn whole wherever it shows, at every paint.
inline constexpr int PeerTextLineMaxBytes = 64;
// A peer's string as it is drawn in one line: one longer than PeerTextLineMaxBytes
// is cut between whole characters and ends in "…", within the bound.
QString PeerTextInLine(const QString& sText);
