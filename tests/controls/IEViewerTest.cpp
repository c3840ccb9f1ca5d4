#include "IEViewer.h"

#include "QtPrinters.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

// Stands in for the desktop's browser while a test runs, so that no link is really opened.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    UrlCatcher()
    {
        for (const char* scheme : Schemes)
            QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : Schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> Opened;

public slots:
    void Open(const QUrl& url) { Opened.append(url); }

private:
    static constexpr const char* Schemes[] = {"http", "https"};
};

namespace {

QString PlainText(const TIEViewer& viewer)
{
    return viewer.Core()->document()->toPlainText();
}

// The colour of the text at the start of the document.
QColor FirstTextColor(const TIEViewer& viewer)
{
    QTextCursor cursor(viewer.Core()->document());
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().foreground().color();
}

QString Lines(int iCount)
{
    QString s;
    for (int i = 1; i <= iCount; ++i)
        s += QString("<p>行 %1</p>").arg(i);
    return s;
}

void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

void Click(QWidget* target, const QPoint& pos, Qt::MouseButton button)
{
    const QPointF local(pos);
    const QPointF global(target->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

// Records every key press that gets past the view to the panel around it.
class KeyRecorder : public QObject {
public:
    QList<int> Keys;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            Keys.append(static_cast<QKeyEvent*>(event)->key());
        return QObject::eventFilter(watched, event);
    }
};

// A shown viewer of a fixed size.
class IEViewerShown : public ::testing::Test {
protected:
    IEViewerShown()
    {
        FViewer.setGeometry(40, 40, 320, 200);
        FViewer.show();
    }
    TIEViewer FViewer;
};

TEST(IEViewerKeys, OnlyClipboardAndSelectAllCombinationsAndPlainKeysReachTheView)
{
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    struct Case {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        bool Swallowed;
    } cases[] = {
        {Qt::Key_C, ctrl, false},
        {Qt::Key_A, ctrl, false},
        {Qt::Key_V, ctrl, false},
        {Qt::Key_X, ctrl, false},
        {Qt::Key_C, ctrl | Qt::ShiftModifier, false},
        {Qt::Key_F, ctrl, true},
        {Qt::Key_P, ctrl, true},
        {Qt::Key_N, ctrl, true},
        {Qt::Key_B, ctrl, true},
        {Qt::Key_Z, ctrl | Qt::ShiftModifier, true},
        {Qt::Key_Home, ctrl, true},
        {Qt::Key_F1, none, true},
        {Qt::Key_F5, none, true},
        {Qt::Key_F12, Qt::ShiftModifier, true},
        {Qt::Key_F24, none, true},
        {Qt::Key_F4, ctrl, true},
        {Qt::Key_F25, none, false},
        {Qt::Key_Backspace, none, true},
        {Qt::Key_Back, none, true},
        {Qt::Key_Forward, none, true},
        {Qt::Key_Left, alt, true},
        {Qt::Key_Right, alt, true},
        {Qt::Key_Up, alt, true},
        {Qt::Key_Left, none, false},
        {Qt::Key_Down, alt, false},
        {Qt::Key_PageDown, none, false},
        {Qt::Key_Home, none, false},
        {Qt::Key_Escape, none, false},
        {Qt::Key_Tab, none, false},
        {Qt::Key_Return, none, false},
        {Qt::Key_C, none, false},
        {Qt::Key_F, alt, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IEViewerKeySwallowed(c.Key, c.Modifiers), c.Swallowed)
            << std::hex << c.Key << " modifiers " << c.Modifiers.toInt();
}

TEST_F(IEViewerShown, StartsEmptyFillsItselfAndTakesNoTabFocus)
{
    EXPECT_EQ(FViewer.Style(), QString());
    EXPECT_EQ(FViewer.HTML(), QString());
    EXPECT_EQ(PlainText(FViewer), QString());
    EXPECT_EQ(FViewer.Core()->geometry(), FViewer.rect());
    EXPECT_FALSE(FViewer.TabStop());
    EXPECT_FALSE(FViewer.Core()->focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(FViewer.Core()->focusPolicy() & Qt::ClickFocus);
    EXPECT_EQ(FViewer.palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(IEViewerShown, FragmentIsShownAsThePageAndReplacedAtOnce)
{
    FViewer.SetHTML("<p>一行目</p><p>two <b>bold</b><br>three</p>");
    EXPECT_EQ(PlainText(FViewer), QString("一行目\ntwo bold\nthree"));
    FViewer.SetHTML("<div>other</div>");
    EXPECT_EQ(FViewer.HTML(), QString("<div>other</div>"));
    EXPECT_EQ(PlainText(FViewer), QString("other"));
}

TEST_F(IEViewerShown, RestylingKeepsContentAndPlaceAndChangesTheLook)
{
    const QString sHTML = Lines(200);
    FViewer.SetHTML(sHTML);
    FViewer.SetStyle("body { color: #ff0000; font-size: 12px; }");
    EXPECT_EQ(FirstTextColor(FViewer), QColor(0xff, 0, 0));
    const QString sText = PlainText(FViewer);
    ASSERT_TRUE(sText.startsWith(QString("行 1\n")));
    FViewer.SetScrollTop(300);
    ASSERT_EQ(FViewer.ScrollTop(), 300);

    FViewer.SetStyle("body { color: #0000ff; font-size: 12px; }");
    EXPECT_EQ(FirstTextColor(FViewer), QColor(0, 0, 0xff));
    EXPECT_EQ(FViewer.Style(), QString("body { color: #0000ff; font-size: 12px; }"));
    EXPECT_EQ(FViewer.HTML(), sHTML);
    EXPECT_EQ(PlainText(FViewer), sText);
    EXPECT_EQ(FViewer.ScrollTop(), 300);

    // Content set after the style is parsed with it too.
    FViewer.SetHTML("<p>new</p>");
    EXPECT_EQ(FirstTextColor(FViewer), QColor(0, 0, 0xff));
}

TEST_F(IEViewerShown, ScrollHeightFollowsTheContentAndItsEndCanBeReached)
{
    FViewer.SetHTML(Lines(2));
    const int iShort = FViewer.ScrollHeight();
    EXPECT_GT(iShort, 0);
    EXPECT_LT(iShort, FViewer.Core()->viewport()->height());

    // Straight after the content is set, before any event is processed.
    FViewer.SetHTML(Lines(300));
    const int iLong = FViewer.ScrollHeight();
    EXPECT_GT(iLong, 50 * iShort);
    FViewer.SetScrollTop(FViewer.ScrollHeight());
    EXPECT_GT(FViewer.ScrollTop(), 0);
    EXPECT_EQ(FViewer.ScrollTop(), FViewer.Core()->verticalScrollBar()->maximum());
    QTextCursor end(FViewer.Core()->document());
    end.movePosition(QTextCursor::End);
    EXPECT_TRUE(FViewer.Core()->viewport()->rect().contains(FViewer.Core()->cursorRect(end)));

    FViewer.ScrollTo(0, 120);
    EXPECT_EQ(FViewer.ScrollTop(), 120);
    FViewer.SetScrollTop(0);
    EXPECT_EQ(FViewer.ScrollTop(), 0);
}

TEST_F(IEViewerShown, ClickedLinkOpensInTheBrowserAndTheViewStays)
{
    const char* links[] = {"http://198.18.0.1/room?a=1", "https://198.18.0.2/log#end"};
    for (const char* sLink : links) {
        UrlCatcher catcher;
        const QString sHTML = QString("<p>see <a href=\"%1\">this link</a> now</p>").arg(sLink);
        FViewer.SetHTML(sHTML);
        QTextCursor cursor(FViewer.Core()->document());
        cursor.setPosition(QString("see this").size());
        const QPoint at = FViewer.Core()->cursorRect(cursor).center();
        ASSERT_EQ(FViewer.Core()->anchorAt(at), QString(sLink));

        Click(FViewer.Core()->viewport(), at, Qt::LeftButton);
        EXPECT_EQ(catcher.Opened, QList<QUrl>{QUrl(sLink)}) << sLink;
        EXPECT_EQ(FViewer.HTML(), sHTML);
        EXPECT_EQ(PlainText(FViewer), QString("see this link now"));
        EXPECT_TRUE(FViewer.Core()->source().isEmpty());
        EXPECT_FALSE(FViewer.Core()->isBackwardAvailable());
    }
}

TEST_F(IEViewerShown, SwallowedKeysStopInTheViewAndOthersPassOn)
{
    FViewer.SetHTML(Lines(100));
    KeyRecorder recorder;
    FViewer.installEventFilter(&recorder);
    QWidget* core = FViewer.Core();
    SendKey(core, Qt::Key_F, Qt::ControlModifier);
    SendKey(core, Qt::Key_P, Qt::ControlModifier);
    SendKey(core, Qt::Key_F5, Qt::NoModifier);
    SendKey(core, Qt::Key_Backspace, Qt::NoModifier);
    SendKey(core, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(recorder.Keys, QList<int>());
    // A key the view has no use for goes on to the window as usual.
    SendKey(core, Qt::Key_Escape, Qt::NoModifier);
    EXPECT_EQ(recorder.Keys, QList<int>{Qt::Key_Escape});
    EXPECT_TRUE(FViewer.Core()->source().isEmpty());
    EXPECT_EQ(PlainText(FViewer).left(4), QString("行 1\n"));
}

TEST_F(IEViewerShown, SelectAllAndCopyPutTheWholeTextOnTheClipboard)
{
    FViewer.SetHTML("<p>first</p><p>second 二番目<br>third</p>");
    const QString sExpected = "first\nsecond 二番目\nthird";
    QClipboard* clipboard = QApplication::clipboard();

    clipboard->clear();
    FViewer.SelectAll();
    FViewer.Copy();
    EXPECT_EQ(clipboard->text(), sExpected);

    // The same from the keyboard.
    clipboard->clear();
    FViewer.Core()->setTextCursor(QTextCursor(FViewer.Core()->document()));
    SendKey(FViewer.Core(), Qt::Key_A, Qt::ControlModifier);
    SendKey(FViewer.Core(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), sExpected);
}

// Any popup that opens is written down and closed, so that a menu run modally cannot hang the test.
class PopupWatch {
public:
    PopupWatch()
    {
        FTimer.setInterval(0);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                Seen.append(popup);
                popup->close();
            }
        });
        FTimer.start();
    }
    QList<QWidget*> Seen;

private:
    QTimer FTimer;
};

void RightClick(TIEViewer& viewer, const QPoint& at)
{
    QWidget* viewport = viewer.Core()->viewport();
    Click(viewport, at, Qt::RightButton);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &menuEvent);
}

TEST_F(IEViewerShown, RightClickPopsUpTheGivenMenuAtThePointer)
{
    FViewer.SetHTML("<p>text to click on</p>");
    QMenu menu;
    menu.addAction("コピー");
    FViewer.SetPopupMenu(&menu);
    EXPECT_EQ(FViewer.PopupMenu(), &menu);

    const QPoint at(30, 12);
    RightClick(FViewer, at);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos(), FViewer.Core()->viewport()->mapToGlobal(at));
    menu.close();
}

TEST_F(IEViewerShown, RightClickWithoutMenuShowsNoMenuAtAll)
{
    FViewer.SetHTML("<p>text to click on</p>");
    PopupWatch watch;
    RightClick(FViewer, QPoint(30, 12));
    QApplication::processEvents();
    EXPECT_EQ(watch.Seen, QList<QWidget*>());

    // A menu deleted by its owner counts as none.
    auto* menu = new QMenu;
    menu->addAction("コピー");
    FViewer.SetPopupMenu(menu);
    delete menu;
    EXPECT_EQ(FViewer.PopupMenu(), nullptr);
    RightClick(FViewer, QPoint(30, 12));
    QApplication::processEvents();
    EXPECT_EQ(watch.Seen, QList<QWidget*>());
}

TEST_F(IEViewerShown, DropsAreRefused)
{
    FViewer.SetHTML("<p>stays</p>");
    EXPECT_FALSE(FViewer.acceptDrops());
    EXPECT_FALSE(FViewer.Core()->acceptDrops());
    EXPECT_FALSE(FViewer.Core()->viewport()->acceptDrops());

    QMimeData data;
    data.setText("dropped text");
    data.setUrls({QUrl::fromLocalFile(QDir::tempPath())});
    QWidget* viewport = FViewer.Core()->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(PlainText(FViewer), QString("stays"));
}

// Sets the working folder for a test and puts the old one back.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& sPath) : FOld(QDir::currentPath()) { QDir::setCurrent(sPath); }
    ~CurrentFolder() { QDir::setCurrent(FOld); }

private:
    QString FOld;
};

TEST_F(IEViewerShown, PicturesAndStyleSheetsAreNeverReadFromDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(dir.filePath("pic.png")));
    QFile css(dir.filePath("red.css"));
    ASSERT_TRUE(css.open(QIODevice::WriteOnly));
    css.write("p { color: #ff0000; }");
    css.close();
    const CurrentFolder current(dir.path());

    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    const QString sData = "data:image/png;base64," + QString::fromLatin1(png.toBase64());
    const QString sFile = QUrl::fromLocalFile(dir.filePath("pic.png")).toString();

    FViewer.SetHTML(QString("<link rel=\"stylesheet\" href=\"%1\"><p>text</p>"
                            "<img src=\"%2\"><img src=\"pic.png\"><img src=\"%3\">")
                        .arg(QUrl::fromLocalFile(css.fileName()).toString(), sFile, sData));
    FViewer.grab();
    const QTextDocument* doc = FViewer.Core()->document();
    EXPECT_NE(FirstTextColor(FViewer), QColor(0xff, 0, 0));
    for (const QString& sName : {sFile, QString("pic.png")})
        EXPECT_TRUE(doc->resource(QTextDocument::ImageResource, QUrl(sName)).value<QImage>().isNull())
            << sName.toStdString();
    // What the fragment carries in itself still shows.
    EXPECT_EQ(doc->resource(QTextDocument::ImageResource, QUrl(sData)).value<QImage>().size(), QSize(7, 5));
}

TEST(IEViewerWidths, StyleWidthsOfTablesAndCellsBecomeWidthAttributes)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"<table border=\"0\" style=\"width:100%; word-break:break-all;\"><tr>",
         "<table width=\"100%\" border=\"0\" style=\"width:100%; word-break:break-all;\"><tr>"},
        {"<td nowrap style=\"width:80px; color:#884444;\">x</td>",
         "<td width=\"80\" nowrap style=\"width:80px; color:#884444;\">x</td>"},
        {"<TD valign=\"top\" style=\"color:#995599; WIDTH: 185px\">",
         "<TD width=\"185\" valign=\"top\" style=\"color:#995599; WIDTH: 185px\">"},
        {"<td width=\"7\" style=\"width:80px;\">", "<td width=\"7\" style=\"width:80px;\">"},
        {"<td style=\"max-width:80px; border-width:3px\">",
         "<td style=\"max-width:80px; border-width:3px\">"},
        {"<p style=\"width:80px\">", "<p style=\"width:80px\">"},
        {"<td>width:80px</td>", "<td>width:80px</td>"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IEViewerWidthAttributes(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST_F(IEViewerShown, ATableOfFullWidthSpansTheView)
{
    FViewer.SetHTML("<table style=\"width:100%;\"><tr><td style=\"width:80px;\">a</td>"
                    "<td style=\"width:100%;\">b</td></tr></table>");
    QTextCursor cursor(FViewer.Core()->document());
    cursor.movePosition(QTextCursor::NextBlock);
    QTextTable* table = cursor.currentTable();
    ASSERT_NE(table, nullptr);
    const qreal width = FViewer.Core()->document()->documentLayout()->frameBoundingRect(table).width();
    EXPECT_GT(width, FViewer.Core()->viewport()->width() * 0.9);
}

// Fragments of a conversation: lines with a name and their text beside or below it, and bands.
QString Piece(int i)
{
    switch (i % 3) {
    case 0:
        return QString("<div class=\"Line\"><span class=\"Name\">名前 %1</span><span>本文 %1</span></div>")
            .arg(i);
    case 1:
        return QString("<div class=\"Line\"><span class=\"Name\">名前 %1</span><br><div class=\"Below\">下 "
                       "%1</div></div>")
            .arg(i);
    default:
        return QString("<div class=\"Band\">出来事 %1</div>").arg(i);
    }
}

const char kPieceStyle[] =
    ".Line { margin-bottom: 5px; }  .Name { font-weight: bold; color: blue }  "
    ".Below { padding-left: 10px; }  .Band { font-weight: bold; background-color: #eeffee; }";

// Two pages read alike: the same text, and block by block the same band, weight and margins.
void ExpectSamePage(const TIEViewer& got, const TIEViewer& want)
{
    EXPECT_EQ(PlainText(got), PlainText(want));
    const QTextDocument* a = got.Core()->document();
    const QTextDocument* b = want.Core()->document();
    ASSERT_EQ(a->blockCount(), b->blockCount());
    for (QTextBlock x = a->begin(), y = b->begin(); x.isValid(); x = x.next(), y = y.next()) {
        EXPECT_EQ(x.blockFormat().background(), y.blockFormat().background()) << qPrintable(x.text());
        EXPECT_EQ(x.blockFormat().bottomMargin(), y.blockFormat().bottomMargin()) << qPrintable(x.text());
        EXPECT_EQ(x.blockFormat().leftMargin(), y.blockFormat().leftMargin()) << qPrintable(x.text());
        EXPECT_EQ(x.charFormat().fontWeight(), y.charFormat().fontWeight()) << qPrintable(x.text());
    }
}

// The page after each fragment: the newest ones, as if shown alone. A limit
// of 4 keeps exactly 4; past a limit of 20 the page goes back to 18 at once.
TEST_F(IEViewerShown, ALineLimitKeepsTheNewestFragmentsAsIfTheyWereShownAlone)
{
    FViewer.SetStyle(kPieceStyle);
    for (const int iLimit : {4, 20}) {
        FViewer.SetHTML(QString());
        FViewer.SetLineLimit(iLimit);
        EXPECT_EQ(FViewer.LineLimit(), iLimit);
        int iShown = 0;
        for (int iCount = 1; iCount <= 2 * iLimit + 3; ++iCount) {
            FViewer.AppendHTML(Piece(iCount - 1));
            if (++iShown > iLimit)
                iShown = iLimit - iLimit / 10;
            QString sNewest;
            for (int i = iCount - iShown; i < iCount; ++i)
                sNewest += Piece(i);
            ASSERT_EQ(FViewer.HTML(), sNewest) << iLimit << " " << iCount;
            TIEViewer whole;
            whole.SetStyle(kPieceStyle);
            whole.SetHTML(sNewest);
            ExpectSamePage(FViewer, whole);
            if (HasFailure())
                FAIL() << "limit " << iLimit << ", after " << iCount << " fragments";
        }
    }
    // The end of the page is the newest fragment, and it can be scrolled to.
    FViewer.SetScrollTop(FViewer.ScrollHeight());
    QTextCursor end(FViewer.Core()->document());
    end.movePosition(QTextCursor::End);
    EXPECT_TRUE(FViewer.Core()->viewport()->rect().contains(FViewer.Core()->cursorRect(end)));
    EXPECT_TRUE(PlainText(FViewer).endsWith(QString("本文 42")));

    // A lower limit drops the oldest at once.
    FViewer.SetLineLimit(2);
    EXPECT_EQ(FViewer.HTML(), Piece(41) + Piece(42));
    TIEViewer two;
    two.SetStyle(kPieceStyle);
    two.SetHTML(Piece(41) + Piece(42));
    ExpectSamePage(FViewer, two);
}

// A reader who has scrolled back keeps the line they read where it was when the
// oldest fragments go; one who read a fragment that went is left at the top.
TEST_F(IEViewerShown, ATrimKeepsTheReaderOnTheLineTheyRead)
{
    FViewer.SetStyle(kPieceStyle);
    FViewer.SetLineLimit(40);
    for (int i = 0; i < 40; ++i)
        FViewer.AppendHTML(Piece(i));
    QTextEdit* core = FViewer.Core();
    const auto lineAtTop = [core] {
        const QTextCursor at = core->cursorForPosition(QPoint(4, 2));
        return std::pair(at.block().text(), core->cursorRect(at).top());
    };
    const QTextBlock read =
        core->document()->findBlock(core->document()->toPlainText().indexOf(QStringLiteral("本文 30")));
    ASSERT_TRUE(read.isValid());
    FViewer.SetScrollTop(int(core->document()->documentLayout()->blockBoundingRect(read).top()));
    const auto before = lineAtTop();
    ASSERT_TRUE(before.first.contains(QStringLiteral("本文 30"))) << qPrintable(before.first);

    FViewer.AppendHTML(Piece(40));
    ASSERT_FALSE(PlainText(FViewer).contains(QStringLiteral("本文 0\n")));
    EXPECT_EQ(lineAtTop(), before);
    FViewer.AppendHTML(Piece(41));
    EXPECT_EQ(lineAtTop(), before);

    FViewer.SetScrollTop(0);
    for (int i = 42; i < 47; ++i)
        FViewer.AppendHTML(Piece(i));
    EXPECT_EQ(FViewer.ScrollTop(), 0);
}

// The reader's line is the oldest one the trim keeps: it stays where it was too,
// partly scrolled past, instead of the page jumping to its top.
TEST_F(IEViewerShown, ATrimKeepsTheReaderOnTheOldestLineKept)
{
    FViewer.SetStyle(kPieceStyle);
    FViewer.SetLineLimit(40);
    for (int i = 0; i < 40; ++i)
        FViewer.AppendHTML(Piece(i));
    QTextEdit* core = FViewer.Core();
    const auto lineAtTop = [core] {
        const QTextCursor at = core->cursorForPosition(QPoint(4, 0));
        return std::pair(at.block().text(), core->cursorRect(at).top());
    };
    // The next fragment leaves 36 of 41: the first five go, and the sixth is the oldest kept.
    const QTextBlock read =
        core->document()->findBlock(core->document()->toPlainText().indexOf(QStringLiteral("出来事 5")));
    ASSERT_TRUE(read.isValid());
    const QRectF place = core->document()->documentLayout()->blockBoundingRect(read);
    FViewer.SetScrollTop(int(place.top() + place.height() / 2));
    const auto before = lineAtTop();
    ASSERT_EQ(before.first, QStringLiteral("出来事 5"));
    ASSERT_LT(before.second, 0) << "the line is partly scrolled past";

    FViewer.AppendHTML(Piece(40));
    ASSERT_TRUE(PlainText(FViewer).startsWith(QStringLiteral("出来事 5")));
    EXPECT_EQ(lineAtTop(), before);
    EXPECT_GT(FViewer.ScrollTop(), 0);
}

TEST_F(IEViewerShown, WithoutALineLimitEveryFragmentStays)
{
    EXPECT_EQ(FViewer.LineLimit(), 0);
    QString sAll;
    for (int i = 0; i < 30; ++i) {
        FViewer.AppendHTML(Piece(i));
        sAll += Piece(i);
    }
    EXPECT_EQ(FViewer.HTML(), sAll);
    TIEViewer whole;
    whole.SetHTML(sAll);
    ExpectSamePage(FViewer, whole);
}

// The page is laid out from the rich-text form of what came, set at once or
// fragment by fragment, and restyled; HTML() keeps what came.
TEST_F(IEViewerShown, TheRichTextFormIsLaidOutAndTheFragmentKept)
{
    FViewer.SetRichTextForm([](const QString& sHtml) {
        return QString(sHtml)
            .replace(QStringLiteral("<span class=\"n\">"), QStringLiteral("<div class=\"n\">"))
            .replace(QStringLiteral("</span>"), QStringLiteral("</div>"));
    });
    const QString sStyle = QStringLiteral(".n { margin-top: 10px; }");
    FViewer.SetStyle(sStyle);
    const QString sOne = QStringLiteral("<span class=\"n\">名前</span><div>本文</div>");
    FViewer.SetHTML(sOne);
    FViewer.AppendHTML(sOne);
    EXPECT_EQ(FViewer.HTML(), sOne + sOne);
    EXPECT_EQ(PlainText(FViewer), QStringLiteral("名前\n本文\n名前\n本文"));
    const auto namesTop = [](const TIEViewer& viewer) {
        QList<qreal> tops;
        for (QTextBlock b = viewer.Core()->document()->begin(); b.isValid(); b = b.next())
            if (b.text() == QStringLiteral("名前"))
                tops << b.blockFormat().topMargin();
        return tops;
    };
    EXPECT_EQ(namesTop(FViewer), (QList<qreal>{10, 10}));
    FViewer.SetStyle(sStyle + QStringLiteral(" .n { margin-top: 20px; }"));
    EXPECT_EQ(namesTop(FViewer), (QList<qreal>{20, 20}));
    EXPECT_EQ(FViewer.HTML(), sOne + sOne);
}

} // namespace

#include "IEViewerTest.moc"
