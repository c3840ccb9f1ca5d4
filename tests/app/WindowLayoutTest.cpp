// Every window at its design size, in the program's fonts: each control whole and
// its text uncut, each one-line edit wide enough to read, the program's icon, the
// border each window is drawn with, and on a desktop with a window manager and a
// panel the whole frame inside the work area wherever the window opens.
#include "BrowserEngine.h"
#include "LoginUserRow.h"
#include "MainFormFixture.h"
#include "OwnProcess.h"
#include "ProgramLook.h"
#include "SortListView.h"
#include "StatusPanelBar.h"
#include "WindowCatalogue.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMargins>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWindow>
#include <map>

void PrintTo(const QSize& size, std::ostream* out)
{
    *out << size.width() << " x " << size.height();
}

namespace {

using TestSupport::WaitUntil;

// The client sizes the windows are drawn for.
const std::map<QString, QSize>& DesignSizes()
{
    static const std::map<QString, QSize> sizes = {
        {QStringLiteral("main"), {640, 400}},
        {QStringLiteral("option"), {453, 366}},
        {QStringLiteral("option-absence-add"), {311, 83}},
        {QStringLiteral("option-absence-name"), {308, 83}},
        {QStringLiteral("option-network-add"), {281, 83}},
        {QStringLiteral("send"), {304, 142}},
        {QStringLiteral("recv"), {354, 162}},
        {QStringLiteral("recv-letter"), {354, 162}},
        {QStringLiteral("recv-letter-password"), {354, 162}},
        {QStringLiteral("absence"), {354, 162}},
        {QStringLiteral("chat"), {451, 277}},
        {QStringLiteral("log"), {687, 438}},
        {QStringLiteral("log-locked"), {687, 438}},
        {QStringLiteral("filesend"), {384, 232}},
        {QStringLiteral("filerecv"), {384, 312}},
        {QStringLiteral("update"), {334, 165}},
        {QStringLiteral("request"), {380, 335}},
        {QStringLiteral("donation"), {516, 335}},
        {QStringLiteral("globalchat"), {516, 384}},
        {QStringLiteral("version"), {313, 131}},
    };
    return sizes;
}

QSize DesignSize(const QString& sWindow)
{
    const auto& sizes = DesignSizes();
    auto found = sizes.find(sWindow);
    if (found == sizes.end() && sWindow.startsWith(QStringLiteral("option-")))
        found = sizes.find(QStringLiteral("option"));
    return found != sizes.end() ? found->second : QSize();
}

// One page of the options window (its input dialogs have sizes of their own).
bool OptionsPage(const QString& sWindow)
{
    return sWindow.startsWith(QStringLiteral("option-")) && DesignSizes().count(sWindow) == 0;
}

// The windows with a fixed single border: no resizing, no minimise or maximise button.
bool FixedBorder(const QString& sWindow)
{
    return sWindow.startsWith(QStringLiteral("option")) || sWindow == QStringLiteral("version");
}

QString Describe(const QWidget* widget)
{
    const QString sName = widget->objectName().isEmpty() ? QString() : u' ' + widget->objectName();
    return QString::fromLatin1(widget->metaObject()->className()) + sName;
}

// A caption as drawn: access-key marks gone, "&&" kept as one.
QString Shown(QString sText)
{
    sText.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    sText.remove(u'&');
    sText.replace(u'\x01', u'&');
    return sText;
}

// Where a control ends up seen: its own rectangle, cut by every parent up to the
// window, or up to the scroll area whose contents it lies in (scrolling reaches it).
QRect SeenPart(const QWidget* widget, const QWidget* window)
{
    QRect seen(widget->mapTo(window, QPoint(0, 0)), widget->size());
    for (const QWidget* parent = widget->parentWidget(); parent != nullptr && parent != window;
         parent = parent->parentWidget()) {
        if (auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
            area != nullptr && area->viewport() == parent)
            return seen;
        seen &= QRect(parent->mapTo(window, QPoint(0, 0)), parent->size());
    }
    return seen & window->rect();
}

// What is wrong with one control's text at its size, empty when nothing is.
QString TextFault(const QWidget* widget)
{
    const QFontMetrics metrics(widget->font());
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->text().isEmpty() || label->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored)
            return {};
        if (label->wordWrap()) {
            const int iNeeded = label->heightForWidth(label->width());
            return iNeeded > label->height()
                       ? QStringLiteral("wrapped text needs %1 pixels of height, has %2")
                             .arg(iNeeded)
                             .arg(label->height())
                       : QString();
        }
        const QSize hint = label->sizeHint();
        if (hint.width() > label->width() || metrics.height() > label->height())
            return QStringLiteral("text needs %1 x %2, has %3 x %4")
                .arg(hint.width())
                .arg(std::max(hint.height(), metrics.height()))
                .arg(label->width())
                .arg(label->height());
        return {};
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        if (button->text().isEmpty())
            return {};
        int iNeeded = 0;
        auto* tool = qobject_cast<const QToolButton*>(button);
        if (tool != nullptr && tool->toolButtonStyle() == Qt::ToolButtonIconOnly)
            return {};
        if (tool != nullptr || qobject_cast<const QCheckBox*>(button) ||
            qobject_cast<const QRadioButton*>(button)) {
            iNeeded = button->sizeHint().width();
        } else {
            // A push button's text inside its frame, with a pixel of air on each side; the
            // style's least width for short captions is no need of the text's.
            QStyleOptionButton option;
            option.initFrom(button);
            const int iRoom =
                2 * (button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button) + 1);
            const int iIcon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
            iNeeded = metrics.horizontalAdvance(Shown(button->text())) + iIcon + iRoom;
        }
        if (iNeeded > button->width() || metrics.height() > button->height())
            return QStringLiteral("caption \"%1\" needs %2 x %3, has %4 x %5")
                .arg(button->text())
                .arg(iNeeded)
                .arg(metrics.height())
                .arg(button->width())
                .arg(button->height());
        return {};
    }
    if (auto* tabs = qobject_cast<const QTabBar*>(widget)) {
        for (int i = 0; i < tabs->count(); ++i) {
            if (!tabs->isTabVisible(i))
                continue;
            const QRect tab = tabs->tabRect(i);
            const int iText = metrics.horizontalAdvance(Shown(tabs->tabText(i)));
            if (!tabs->rect().contains(tab) || tab.width() < iText)
                return QStringLiteral("tab \"%1\" needs %2, has %3 inside %4")
                    .arg(tabs->tabText(i))
                    .arg(iText)
                    .arg(tab.width())
                    .arg(tabs->width());
        }
        return {};
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        // A short field need show no more than it can hold.
        const int iCharacters = std::min(20, edit->maxLength());
        const QMargins margins = edit->textMargins();
        const int iShown = edit->contentsRect().width() - margins.left() - margins.right() -
                           2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
        if (iShown < iCharacters * metrics.averageCharWidth())
            return QStringLiteral("shows %1 pixels of text, %2 characters need %3")
                .arg(iShown)
                .arg(iCharacters)
                .arg(iCharacters * metrics.averageCharWidth());
        return {};
    }
    return {};
}

class WindowLayoutTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        if (HasFatalFailure())
            return;
        ProgramLookInstall();
        // The web windows are laid out around the browser's place; no browser is started.
        BrowserEngineSetModuleFolders({FNoModule.path()});
    }
    void TearDown() override
    {
        // A test that stopped early still ends its main window inside its own folder.
        TestSupport::CatalogueEnd();
        BrowserEngineSetModuleFolders({});
        MainFormFixture::TearDown();
    }

    QTemporaryDir FNoModule;
};

TEST_F(WindowLayoutTest, EveryWindowAtItsDesignSizeShowsEachControlAndItsTextWhole)
{
    const QIcon icon = ProgramIcon();
    for (const TestSupport::TCatalogueWindow& entry : TestSupport::WindowCatalogue()) {
        SCOPED_TRACE(entry.sName.toStdString());
        QWidget* window = entry.open();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitUntil([window] { return window->isVisible(); }));
        QCoreApplication::processEvents();
        const QSize design = DesignSize(entry.sName);
        ASSERT_TRUE(design.isValid()) << "no design size for " << entry.sName.toStdString();
        EXPECT_EQ(window->size(), design);
        EXPECT_EQ(window->windowIcon().pixmap(16).toImage(), icon.pixmap(16).toImage());
        if (FixedBorder(entry.sName)) {
            EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "resizable";
            EXPECT_FALSE(window->windowFlags() &
                         (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
            EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
            // The options window alone asks for the help button beside its close button.
            EXPECT_EQ(bool(window->windowFlags() & Qt::WindowContextHelpButtonHint),
                      OptionsPage(entry.sName));
        }
        for (const QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(window) || widget->isWindow())
                continue;
            const QRect seen = SeenPart(widget, window);
            const QRect whole(widget->mapTo(window, QPoint(0, 0)), widget->size());
            // The controls a user reads or works; the parts of a scroll area are its own business.
            const bool bControl =
                qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget) ||
                qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTabBar*>(widget) ||
                qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSlider*>(widget) ||
                qobject_cast<const QProgressBar*>(widget) ||
                (qobject_cast<const QAbstractScrollArea*>(widget) && widget->parentWidget() != nullptr &&
                 !qobject_cast<const QAbstractScrollArea*>(widget->parentWidget()->parentWidget()));
            // The status bar's transparency slider stands one pixel down and as tall as its
            // bar, so its last row of pixels, below the groove, is the bar's edge.
            const bool bStatusSlider = qobject_cast<const QAbstractSlider*>(widget) &&
                                       qobject_cast<const TStatusPanelBar*>(widget->parentWidget()) &&
                                       seen.adjusted(0, 0, 0, 1) == whole;
            if (bControl && !bStatusSlider) {
                EXPECT_EQ(seen, whole)
                    << Describe(widget).toStdString() << " is cut by its parents: " << seen.x() << ", "
                    << seen.y() << ", " << seen.width() << " x " << seen.height() << " of " << whole.width()
                    << " x " << whole.height();
            }
            const QString sFault = TextFault(widget);
            EXPECT_TRUE(sFault.isEmpty()) << Describe(widget).toStdString() << ": " << sFault.toStdString();
        }
        entry.close();
        QCoreApplication::processEvents();
    }
    TestSupport::CatalogueEnd();
}

// The user list's columns open at their design widths, in the program's font each
// title whole (the sort column's with its mark) and every column inside the list.
TEST_F(WindowLayoutTest, TheUserListsColumnsStandAtTheirDesignWidthsWithTheirTitlesWhole)
{
    TMainForm& form = Start();
    form.resize(DesignSize(QStringLiteral("main")));
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.isVisible(); }));
    TSortListView* list = form.lvLoginUser;
    const std::vector<int> widths = LoginUserColumnWidths();
    ASSERT_EQ(list->SectionCount(), int(widths.size()));
    const QFontMetrics metrics(list->HeaderControl()->font());
    int iRight = 0;
    for (int i = 0; i < list->SectionCount(); ++i) {
        EXPECT_EQ(list->SectionWidth(i), widths[size_t(i)]) << i;
        const QString sTitle = LoginUserColumnTitles()[i];
        const QRect text = SortSectionTextRect(QRect(0, 0, list->SectionWidth(i), 20), false,
                                               i == list->SortIndex(), QFontInfo(list->Font()).pointSize());
        EXPECT_EQ(SortShortenCaption(sTitle, text.width(),
                                     [&](const QString& s) { return metrics.horizontalAdvance(s); }),
                  sTitle);
        iRight += list->SectionWidth(i);
    }
    EXPECT_LE(iRight, list->ListView()->viewport()->width()) << "the last column is cut";
}

// One property of the window as the X server holds it, in xprop's words; empty
// when xprop gives no answer.
QString XProperty(const QWidget* window, const QString& sName)
{
    QProcess probe;
    probe.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()), sName});
    if (!probe.waitForFinished(5000))
        return {};
    return QString::fromLatin1(probe.readAll());
}

// The window's frame as the window manager drew it (its _NET_FRAME_EXTENTS around
// the client area), empty until it has: Qt learns the frame of a window late, and
// now and then not at all.
QRect DrawnFrame(const QWidget* window)
{
    if (!window->isVisible())
        return {};
    // "_NET_FRAME_EXTENTS(CARDINAL) = 1, 1, 20, 1": left, right, top, bottom.
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"))
            .match(XProperty(window, QStringLiteral("_NET_FRAME_EXTENTS")));
    if (!match.hasMatch())
        return {};
    return window->geometry().marginsAdded(QMargins(match.captured(1).toInt(), match.captured(3).toInt(),
                                                    match.captured(2).toInt(), match.captured(4).toInt()));
}

std::string Described(const QRect& frame)
{
    return QStringLiteral("frame %1, %2, %3 x %4")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height())
        .toStdString();
}

// The frame the window manager draws counts: each window opens with all of it on
// the screen and clear of the panel.
TEST_F(WindowLayoutTest, EveryWindowOpensWithItsWholeFrameInsideTheWorkArea)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcessOnADesktop({}, 240000));
        return;
    }
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(workArea, QRect(0, 0, 1280, 776));
    for (const TestSupport::TCatalogueWindow& entry : TestSupport::WindowCatalogue()) {
        SCOPED_TRACE(entry.sName.toStdString());
        QWidget* window = entry.open();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(WaitUntil([window] { return DrawnFrame(window).isValid(); }, 15000));
        const QRect frame = DrawnFrame(window);
        EXPECT_TRUE(workArea.contains(frame)) << Described(frame);
        entry.close();
        QCoreApplication::processEvents();
    }
    // Beside a low main window at the bottom right of the work area, the options would
    // reach below it: they are held up so that all of their frame stays on it.
    TMainForm* main = TestSupport::CatalogueMainForm().get();
    main->show();
    main->resize(640, 250);
    ASSERT_TRUE(WaitUntil([main] { return main->height() == 250 && DrawnFrame(main).isValid(); }, 15000));
    const QRect mainFrame = DrawnFrame(main);
    main->move(workArea.right() + 1 - mainFrame.width(), workArea.bottom() + 1 - mainFrame.height());
    // Low enough that the options, 30 pixels below its top, would reach past the bottom.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return DrawnFrame(main).top() + 30 + DesignSize(QStringLiteral("option")).height() >
                   workArea.bottom();
        },
        15000))
        << "main " << Described(DrawnFrame(main));
    OptionFormShow(main->OptionOwner());
    QPointer<TOptionForm> options = OptionForm;
    ASSERT_TRUE(WaitUntil([&] { return DrawnFrame(options).isValid(); }, 15000));
    // Held again once its frame is known, if need be.
    WaitUntil([&] { return workArea.contains(DrawnFrame(options)); }, 2000);
    const QRect frame = DrawnFrame(options);
    EXPECT_TRUE(workArea.contains(frame)) << "options " << Described(frame);
    OptionFormRelease();
    TestSupport::CatalogueEnd();
}

// The title bar each window is drawn with.
struct TTitleBar {
    bool bSizeable;
    bool bMinimise;
    bool bMaximise;
    bool bHelp; // beside the close button, which every window has
};

TTitleBar TitleBarOf(const QString& sWindow)
{
    static const std::map<QString, TTitleBar> fixed = {
        {QStringLiteral("option"), {false, false, false, true}},
        {QStringLiteral("option-absence-add"), {false, false, false, false}},
        {QStringLiteral("option-absence-name"), {false, false, false, false}},
        {QStringLiteral("option-network-add"), {false, false, false, false}},
        {QStringLiteral("version"), {false, false, false, false}},
    };
    auto found = fixed.find(OptionsPage(sWindow) ? QStringLiteral("option") : sWindow);
    return found != fixed.end() ? found->second : TTitleBar{true, true, true, false};
}

// The Motif hints as a window manager reads them: a part whose flag is off leaves
// everything offered, and a first bit set offers all but the bits named.
struct TMotifHints {
    unsigned uFlags = 0;
    unsigned uFunctions = 0;
    unsigned uDecorations = 0;
    bool Offers(unsigned uFlag, unsigned uBits, unsigned uBit) const
    {
        if (!(uFlags & uFlag))
            return true;
        return (uBits & 1u) ? !(uBits & uBit) : (uBits & uBit) != 0;
    }
    bool Function(unsigned uBit) const { return Offers(1, uFunctions, uBit); }
    bool Decoration(unsigned uBit) const { return Offers(2, uDecorations, uBit); }
};

bool MotifHintsRead(const QWidget* window, TMotifHints& hints)
{
    // "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x3e, 0x7e, 0x0, 0x0"
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("= (0x[0-9a-f]+), (0x[0-9a-f]+), (0x[0-9a-f]+)"))
            .match(XProperty(window, QStringLiteral("_MOTIF_WM_HINTS")));
    if (!match.hasMatch())
        return false;
    hints.uFlags = match.captured(1).toUInt(nullptr, 16);
    hints.uFunctions = match.captured(2).toUInt(nullptr, 16);
    hints.uDecorations = match.captured(3).toUInt(nullptr, 16);
    return true;
}

// The title bar as the window manager is told it and as it then offers it: the
// Motif functions and decorations, the size bounds, the help protocol, and the
// actions the window manager allows. Openbox offers minimising to every normal
// window and dialog whatever it is told, so only what it honours is read from it.
TEST_F(WindowLayoutTest, EveryWindowsTitleBarOffersWhatItsBorderGives)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcessOnADesktop({}, 240000));
        return;
    }
    constexpr unsigned kFunctionResize = 0x2, kFunctionMinimise = 0x8, kFunctionMaximise = 0x10,
                       kFunctionClose = 0x20;
    constexpr unsigned kDecorationResizeHandle = 0x4, kDecorationMinimise = 0x20, kDecorationMaximise = 0x40;
    for (const TestSupport::TCatalogueWindow& entry : TestSupport::WindowCatalogue()) {
        SCOPED_TRACE(entry.sName.toStdString());
        const TTitleBar expected = TitleBarOf(entry.sName);
        QWidget* window = entry.open();
        ASSERT_NE(window, nullptr);
        // Managed and framed: the window manager has read the hints and said what it allows.
        EXPECT_TRUE(WaitUntil(
            [window] {
                return DrawnFrame(window).isValid() &&
                       XProperty(window, QStringLiteral("_NET_WM_ALLOWED_ACTIONS")).contains(u'=');
            },
            15000));
        TMotifHints hints;
        ASSERT_TRUE(MotifHintsRead(window, hints));
        EXPECT_EQ(hints.Function(kFunctionResize), expected.bSizeable);
        EXPECT_EQ(hints.Decoration(kDecorationResizeHandle), expected.bSizeable);
        EXPECT_EQ(hints.Function(kFunctionMinimise), expected.bMinimise);
        EXPECT_EQ(hints.Decoration(kDecorationMinimise), expected.bMinimise);
        EXPECT_EQ(hints.Function(kFunctionMaximise), expected.bMaximise);
        EXPECT_EQ(hints.Decoration(kDecorationMaximise), expected.bMaximise);
        EXPECT_TRUE(hints.Function(kFunctionClose));

        // "program specified minimum size: 453 by 366", and the maximum alike.
        const QString sSizes = XProperty(window, QStringLiteral("WM_NORMAL_HINTS"));
        const QRegularExpressionMatch least =
            QRegularExpression(QStringLiteral("minimum size: (\\d+ by \\d+)")).match(sSizes);
        const QRegularExpressionMatch most =
            QRegularExpression(QStringLiteral("maximum size: (\\d+ by \\d+)")).match(sSizes);
        const bool bFixedSize = least.hasMatch() && most.hasMatch() && least.captured(1) == most.captured(1);
        EXPECT_EQ(bFixedSize, !expected.bSizeable) << sSizes.toStdString();

        EXPECT_EQ(XProperty(window, QStringLiteral("WM_PROTOCOLS"))
                      .contains(QStringLiteral("_NET_WM_CONTEXT_HELP")),
                  expected.bHelp);

        const QString sAllowed = XProperty(window, QStringLiteral("_NET_WM_ALLOWED_ACTIONS"));
        EXPECT_EQ(sAllowed.contains(QStringLiteral("_NET_WM_ACTION_RESIZE")), expected.bSizeable)
            << sAllowed.toStdString();
        EXPECT_EQ(sAllowed.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_HORZ")), expected.bMaximise)
            << sAllowed.toStdString();
        EXPECT_TRUE(sAllowed.contains(QStringLiteral("_NET_WM_ACTION_CLOSE"))) << sAllowed.toStdString();
        entry.close();
        QCoreApplication::processEvents();
    }
    TestSupport::CatalogueEnd();
}

} // namespace
