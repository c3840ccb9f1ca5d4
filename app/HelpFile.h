#pragma once

#include <QString>
#include <QUrl>

// The help page lies beside the program; it is ours, in Japanese, one HTML file.
inline const QString HelpFileName = QStringLiteral("Parvane2.html");

// ProgramDirectory + "Parvane2.html", at the anchor "topic<N>" when a topic is given (N > 0).
QUrl HelpFileUrl(int iTopic);
// Opens the page in the desktop's browser; when the desktop could not open it, says so
// in a box and answers false.
bool HelpShow(int iTopic);
