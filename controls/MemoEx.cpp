#include "MemoEx.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace {

// A typed or pasted text as the document keeps it: each line break one character.
QString AsDocumentText(QString sText)
{
    sText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    sText.replace(u'\r', u'\n');
    return sText;
}

// What a key puts into the text; empty for a key that only moves or edits.
QString KeyText(const QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return QStringLiteral("\n");
    const QString sText = event->text();
    if (sText.isEmpty() || (sText.at(0).category() == QChar::Other_Control && sText.at(0) != u'\t'))
        return QString();
    return sText;
}

} // namespace

TMemoEx::TMemoEx(QWidget* parent) : QPlainTextEdit(parent) {}

int TMemoEx::Room() const
{
    if (FMaxLength <= 0)
        return -1;
    const QTextCursor cursor = textCursor();
    const int iLength = document()->characterCount() - 1;
    return qMax(0, FMaxLength - (iLength - (cursor.selectionEnd() - cursor.selectionStart())));
}

QString TMemoEx::Fitting(const QString& sText) const
{
    const int iRoom = Room();
    if (iRoom < 0 || sText.size() <= iRoom)
        return sText;
    int iCut = iRoom;
    if (iCut > 0 && sText.at(iCut - 1).isHighSurrogate())
        --iCut;
    return sText.left(iCut);
}

void TMemoEx::keyPressEvent(QKeyEvent* event)
{
    const QString sText = KeyText(event);
    if (!sText.isEmpty() && !isReadOnly() && Fitting(sText).size() < sText.size()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TMemoEx::inputMethodEvent(QInputMethodEvent* event)
{
    const QString sCommit = event->commitString();
    const QString sFitting = Fitting(sCommit);
    if (sFitting.size() == sCommit.size()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(sFitting, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&cut);
}

void TMemoEx::insertFromMimeData(const QMimeData* source)
{
    if (source == nullptr || !source->hasText() || FMaxLength <= 0) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    const QString sFitting = Fitting(AsDocumentText(source->text()));
    if (sFitting.isEmpty())
        return;
    textCursor().insertText(sFitting);
    ensureCursorVisible();
}
