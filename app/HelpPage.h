#pragma once

#include <QUrl>

// The help page beside the program, "Parvane2.html", with one anchor per help
// number ("topic<N>"); the desktop's browser shows it.
QUrl HelpTopicUrl(int iHelpContext);
// Opens the page at the topic; false when the desktop could not open it.
bool HelpTopicOpen(int iHelpContext);
