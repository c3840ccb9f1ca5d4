#pragma once

class QTranslator;

// Qt draws texts of its own: the buttons of its boxes, the edits' context menus,
// the file and folder dialogs. The program's interface is Japanese, so these are
// too, whatever language the session runs in.
namespace QtTranslation {

// Installs Qt's own Japanese translation ("qtbase_ja.qm" in Qt's translations
// folder) on the application, which owns it, once only, and makes Japanese the
// default locale, in which Qt names the kinds of files. nullptr when the file is
// missing or cannot be read.
QTranslator* InstallJapanese();

} // namespace QtTranslation
