#include "IEViewer.h"

#include <QAbstractTextDocumentLayout>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <QtMath>

QString IEViewerWidthAttributes(const QString& sHtml)
{
    static const QRegularExpression tag(QStringLiteral("<(table|td|th)(\\s[^>]*)>"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression widthAttribute(QStringLiteral("\\swidth\\s*="),
                                                   QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression styleWidth(
        QStringLiteral("\\sstyle\\s*=\\s*\"(?:[^\"]*;)?\\s*width\\s*:\\s*(\\d+)(px|%)?\\s*(?:;[^\"]*)?\""),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    out.reserve(sHtml.size() + sHtml.size() / 8);
    qsizetype copied = 0;
    QRegularExpressionMatchIterator it = tag.globalMatch(sHtml);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString attributes = match.captured(2);
        if (attributes.contains(widthAttribute))
            continue;
        const QRegularExpressionMatch width = styleWidth.match(attributes);
        if (!width.hasMatch())
            continue;
        const QString value =
            width.captured(1) + (width.captured(2) == QStringLiteral("%") ? QStringLiteral("%") : QString());
        out += QStringView(sHtml).mid(copied, match.capturedEnd(1) - copied);
        out += QStringLiteral(" width=\"%1\"").arg(value);
        copied = match.capturedEnd(1);
    }
    out += QStringView(sHtml).mid(copied);
    return out;
}

TIEViewer::TIEViewer(QWidget* parent) : QFrame(parent)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    FCore = new TIEViewerCore(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FCore);
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(FCore);
    SetTabStop(false);
}

void TIEViewer::SetStyle(const QString& Value)
{
    FStyle = Value;
    // A default style sheet applies only as HTML is parsed: parse the fragment
    // again, and keep the reader where they were.
    const int iTop = ScrollTop();
    FCore->document()->setDefaultStyleSheet(FStyle);
    // Fragment by fragment as they came, so that each can still go on its own.
    const std::deque<TPiece> pieces = FPieces;
    const QString sHTML = FHTML;
    FHTML.clear();
    ShowHTML();
    qsizetype iAt = 0;
    for (const TPiece& piece : pieces) {
        AppendHTML(sHTML.mid(iAt, piece.iLength));
        iAt += piece.iLength;
    }
    SetScrollTop(iTop);
}

void TIEViewer::SetHTML(const QString& Value)
{
    FHTML = Value;
    ShowHTML();
}

void TIEViewer::SetLineLimit(int Value)
{
    FLineLimit = Value;
    PiecesTrim();
}

void TIEViewer::AppendHTML(const QString& Fragment)
{
    if (FHTML.isEmpty()) {
        FHTML = Fragment;
        ShowHTML();
    } else {
        PiecesAppend({Fragment});
    }
    PiecesTrim();
}

void TIEViewer::AppendHTMLs(const QStringList& Fragments)
{
    // A limit this small keeps too few pieces to drop them ahead of a part.
    if (FLineLimit > 0 && FLineLimit < 3) {
        for (const QString& fragment : Fragments)
            AppendHTML(fragment);
        return;
    }
    qsizetype iAt = 0;
    if (FHTML.isEmpty() && !Fragments.isEmpty())
        AppendHTML(Fragments[iAt++]);
    const int iKeep = FLineLimit - FLineLimit / 10;
    // A part no longer than what the trim keeps takes only pieces that were there before it.
    const qsizetype iPart = FLineLimit > 0 ? qMax(1, iKeep - 1) : Fragments.size();
    while (iAt < Fragments.size()) {
        const qsizetype iCount = qMin(iPart, Fragments.size() - iAt);
        // The oldest go first, as many as adding the part one by one would take away:
        // the trim asks the layout where the reader is, which an open edit has not yet laid out.
        if (FLineLimit > 0) {
            int iPieces = int(FPieces.size());
            for (qsizetype i = 0; i < iCount; ++i)
                if (++iPieces > FLineLimit)
                    iPieces = iKeep;
            PiecesDrop(int(FPieces.size() + iCount) - iPieces);
        }
        QTextCursor edit(FCore->document());
        edit.beginEditBlock();
        PiecesAppend(Fragments.mid(iAt, iCount));
        edit.endEditBlock();
        iAt += iCount;
    }
}

void TIEViewer::PiecesAppend(const QStringList& Fragments)
{
    // The fragments are laid out with the page's style, each between two empty
    // paragraphs (a blank each) so that the body's edges and its neighbours do not
    // give it their margins; its first block then starts a block of its own with
    // its own format (a fragment merely inserted would join the page's last line
    // and lose its band and margins). They are laid out together, the paragraphs
    // after them marked by an anchor that no fragment of the page's owner makes.
    static const QString kEnd = QStringLiteral("pv-piece-end");
    QString sHtml = QStringLiteral("<html><body><p>&nbsp;</p>");
    for (const QString& fragment : Fragments) {
        FHTML += fragment;
        sHtml +=
            RichText(fragment) + QStringLiteral("<p><a name=\"") + kEnd + QStringLiteral("\">&nbsp;</a></p>");
    }
    QTextDocument pieces;
    pieces.setDefaultStyleSheet(FStyle);
    pieces.setHtml(sHtml + QStringLiteral("</body></html>"));
    const auto isEnd = [&](const QTextBlock& block) {
        return block.isValid() && block.begin() != block.end() &&
               block.begin().fragment().charFormat().anchorNames().contains(kEnd);
    };
    QTextDocument* document = FCore->document();
    QTextCursor cursor(document);
    QTextBlock first = pieces.begin().next();
    for (const QString& fragment : Fragments) {
        QTextBlock last = first;
        while (last.isValid() && !isEnd(last))
            last = last.next();
        if (!last.isValid())
            return;
        const QTextBlock end = last;
        last = last.previous();
        if (first != end) {
            QTextCursor selection(&pieces);
            selection.setPosition(first.position());
            selection.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
            const int iBlocksBefore = document->blockCount();
            cursor.movePosition(QTextCursor::End);
            cursor.insertBlock(first.blockFormat(), first.charFormat());
            cursor.insertFragment(QTextDocumentFragment(selection));
            FPieces.push_back({fragment.size(), document->blockCount() - iBlocksBefore});
        }
        first = end.next();
    }
}

void TIEViewer::ShowHTML()
{
    FCore->setHtml("<html><body>" + RichText(FHTML) + "</body></html>");
    FPieces.clear();
    if (!FHTML.isEmpty())
        FPieces.push_back({FHTML.size(), FCore->document()->blockCount()});
}

QString TIEViewer::RichText(const QString& sHtml) const
{
    return IEViewerWidthAttributes(FRichTextForm ? FRichTextForm(sHtml) : sHtml);
}

// Drops the oldest fragments from FHTML and from the page once there are more than the limit.
// Blocks go from the front: the text from the first block's start to the start
// of the first block kept, and the kept block's own format is then put back, as
// the first block of a document takes the format of the one it joins.
void TIEViewer::PiecesTrim()
{
    if (FLineLimit <= 0 || int(FPieces.size()) <= FLineLimit)
        return;
    PiecesDrop(int(FPieces.size()) - (FLineLimit - FLineLimit / 10));
}

void TIEViewer::PiecesDrop(int iCount)
{
    if (iCount <= 0)
        return;
    QTextDocument* document = FCore->document();
    int iBlocks = 0;
    qsizetype iLength = 0;
    for (; iCount > 0 && !FPieces.empty(); --iCount) {
        iBlocks += FPieces.front().iBlocks;
        iLength += FPieces.front().iLength;
        FPieces.pop_front();
    }
    FHTML.remove(0, iLength);
    const QTextBlock kept = document->findBlockByNumber(iBlocks);
    if (!kept.isValid())
        return;
    const QTextBlockFormat blockFormat = kept.blockFormat();
    const QTextCharFormat charFormat = kept.charFormat();
    // A reader who scrolled back stays on the line they read, where it was; one who
    // read what went is left at the top.
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    const int iTop = ScrollTop();
    const QTextBlock read = FCore->cursorForPosition(QPoint(0, 0)).block();
    const bool bReadStays = read.blockNumber() >= iBlocks;
    const qreal fReadOffset = iTop - layout->blockBoundingRect(read).top();
    QTextCursor cursor(document);
    cursor.setPosition(kept.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setBlockFormat(blockFormat);
    cursor.setBlockCharFormat(charFormat);
    // The layout keeps the old first block's margins until that block is laid out again.
    document->markContentsDirty(0, document->begin().length());
    SetScrollTop(bReadStays ? qMax(0, qRound(layout->blockBoundingRect(read).top() + fReadOffset)) : 0);
}

void TIEViewer::SetTabStop(bool Value)
{
    FTabStop = Value;
    FCore->setFocusPolicy(FTabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

int TIEViewer::ScrollTop() const
{
    return FCore->verticalScrollBar()->value();
}

void TIEViewer::SetScrollTop(int Value)
{
    SettleLayout();
    FCore->verticalScrollBar()->setValue(Value);
}

int TIEViewer::ScrollHeight() const
{
    return qCeil(FCore->document()->size().height());
}

void TIEViewer::ScrollTo(int X, int Y)
{
    SettleLayout();
    FCore->horizontalScrollBar()->setValue(X);
    FCore->verticalScrollBar()->setValue(Y);
}

// The text layout tells the scroll bars of a new size only from a zero timer;
// announce the finished size now, so that a position set straight after new
// content is measured against all of it.
void TIEViewer::SettleLayout()
{
    QAbstractTextDocumentLayout* layout = FCore->document()->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
}

void TIEViewer::SelectAll()
{
    FCore->selectAll();
}

void TIEViewer::Copy()
{
    FCore->copy();
}
