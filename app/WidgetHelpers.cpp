#include "WidgetHelpers.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

QPushButton* AutoDefaultButton(const QString& sCaption, QWidget* parent)
{
    auto* button = new QPushButton(sCaption, parent);
    button->setAutoDefault(true);
    return button;
}

QPlainTextEdit* MessageViewCreate(const QString& sObjectName, QWidget* parent)
{
    auto* edit = new QPlainTextEdit(parent);
    edit->setObjectName(sObjectName);
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setTabChangesFocus(true);
    return edit;
}

namespace {

const QString kSelectAllItem = QStringLiteral("すべてを選択(&A)");

// Shows the edit's own menu in place of the one the toolkit would, with the item renamed.
template <class TEdit> class TEditMenu : public QObject {
public:
    TEditMenu(TEdit* edit, QWidget* target) : QObject(edit), FEdit(edit) { target->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ContextMenu)
            return false;
        const std::unique_ptr<QMenu> menu(FEdit->createStandardContextMenu());
        // The text edits name the item; the line edit's is known by its shortcut alone.
        const QString sShortcut =
            u'\t' + QKeySequence(QKeySequence::SelectAll).toString(QKeySequence::NativeText);
        for (QAction* action : menu->actions()) {
            if (action->objectName() == QStringLiteral("select-all") || action->text().endsWith(sShortcut))
                action->setText(kSelectAllItem + sShortcut);
        }
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }

private:
    TEdit* FEdit;
};

} // namespace

void EditMenuSet(QLineEdit* edit)
{
    new TEditMenu<QLineEdit>(edit, edit);
}

void EditMenuSet(QPlainTextEdit* edit)
{
    // The text area is the viewport, which gets the menu's event.
    new TEditMenu<QPlainTextEdit>(edit, edit->viewport());
}
