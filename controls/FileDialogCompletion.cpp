#include "FileDialogCompletion.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>

namespace {

class TCompletionHider : public QObject {
public:
    TCompletionHider(QFileDialog* dialog, QWidget* window) : QObject(window), FDialog(dialog)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Hide || FDialog == nullptr)
            return false;
        // The dialog sets its completer on the name edit, and may set it again.
        for (auto* edit : FDialog->findChildren<QLineEdit*>()) {
            if (QCompleter* completer = edit->completer();
                completer != nullptr && completer->popup() != nullptr)
                completer->popup()->hide();
        }
        return false;
    }

private:
    QPointer<QFileDialog> FDialog;
};

} // namespace

void FileDialogCompletionHideWith(QFileDialog* dialog, QWidget* window)
{
    new TCompletionHider(dialog, window);
}
