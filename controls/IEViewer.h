#pragma once

#include "IEViewerCore.h"

#include <QFrame>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

// The fragment with the widths that tables and cells give in their style written
// also as width attributes, the only form Qt's rich text lays out; a width
// attribute already there is left alone.
QString IEViewerWidthAttributes(const QString& sHtml);

// A read-only panel that shows an HTML fragment as the body of a page styled
// by a style sheet given as text. Links open in the desktop's browser.
class TIEViewer : public QFrame {
    Q_OBJECT

public:
    explicit TIEViewer(QWidget* parent = nullptr);

    TIEViewerCore* Core() const { return FCore; }

    // The default style sheet (CSS); changing it restyles the content shown.
    QString Style() const { return FStyle; }
    void SetStyle(const QString& Value);
    // The fragment shown as the page body; setting it replaces the content at once.
    QString HTML() const { return FHTML; }
    void SetHTML(const QString& Value);
    // Adds a fragment at the end of the page: HTML() grows by it, and only the
    // fragment is laid out, so a long conversation costs no more per line than a short one.
    void AppendHTML(const QString& Fragment);
    // Adds fragments as AppendHTML adds them one by one, the page and its limit
    // alike, with one change of the document (so one layout) for all of them.
    void AppendHTMLs(const QStringList& Fragments);
    // At most this many fragments stay on the page (the content set with SetHTML
    // counts as one); past it the oldest go, down to nine tenths of the limit at
    // once, since each removal lays out the page again. 0 or less: no limit.
    int LineLimit() const { return FLineLimit; }
    void SetLineLimit(int Value);

    // How a fragment is written for Qt's rich text, which draws only a subset of
    // what a page's style may ask (no padding of a block, no margin of a span);
    // HTML() keeps the fragment as it came. Set before the first fragment.
    using TRichTextForm = std::function<QString(const QString&)>;
    void SetRichTextForm(TRichTextForm Value) { FRichTextForm = std::move(Value); }

    QMenu* PopupMenu() const { return FCore->PopupMenu(); }
    void SetPopupMenu(QMenu* Value) { FCore->SetPopupMenu(Value); }
    // Whether Tab brings the focus into the view; a click always does.
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);

    // The vertical scroll position and the whole content height, in pixels.
    int ScrollTop() const;
    void SetScrollTop(int Value);
    int ScrollHeight() const;
    void ScrollTo(int X, int Y);

    void SelectAll();
    // Copies the selection to the clipboard.
    void Copy();

private:
    void ShowHTML();
    void SettleLayout();
    // Adds fragments to a page that has content, without the limit's trim.
    void PiecesAppend(const QStringList& Fragments);
    void PiecesTrim();
    // Drops the iCount oldest fragments from FHTML and from the page.
    void PiecesDrop(int iCount);
    QString RichText(const QString& sHtml) const;

    // What each fragment on the page takes of FHTML and of the document's blocks, oldest first.
    struct TPiece {
        qsizetype iLength = 0;
        int iBlocks = 0;
    };

    TIEViewerCore* FCore = nullptr;
    QString FStyle;
    QString FHTML;
    bool FTabStop = false;
    int FLineLimit = 0;
    std::deque<TPiece> FPieces;
    TRichTextForm FRichTextForm;
};
