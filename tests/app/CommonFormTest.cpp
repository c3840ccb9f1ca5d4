#include "CommonForm.h"

#include "../platform/FileSaves.h"
#include "../platform/SmallDisk.h"
#include "AbsenceUnit.h"
#include "AnsiCodePage.h"
#include "ChatUnit.h"
#include "FileRecvUnit.h"
#include "FileSendUnit.h"
#include "IniFile.h"
#include "LogUnit.h"
#include "MessageBox.h"
#include "RecvUnit.h"
#include "SendUnit.h"
#include "StatusPanelBar.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

const QSize kDesignSize(400, 300);

// A window of any kind with nothing of its own but a count of the transparency messages it hears.
class TTestForm : public TCommonForm {
public:
    explicit TTestForm(TWindowKind kind) : TCommonForm(kind, kDesignSize) {}
    int FAlphaMessages = 0;

protected:
    void WindowMessageReceived(WindowMessage::Event& message) override
    {
        if (message.Msg == WM_ALPHABLENDSET)
            ++FAlphaMessages;
        TCommonForm::WindowMessageReceived(message);
    }
};

TTestForm* ReceiveForm = nullptr;

class CommonFormTest : public TestSupport::WindowTest {
protected:
    void TearDown() override
    {
        // Collected first: deleting a window also deletes its menus, which are top-level too.
        QList<QPointer<TCommonForm>> forms;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* form = qobject_cast<TCommonForm*>(window))
                forms.append(form);
        }
        for (const QPointer<TCommonForm>& form : forms)
            delete form.data();
        TestSupport::WindowTest::TearDown();
    }

    void Store(const QString& text) const
    {
        QFile file(SettingsFileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toLatin1());
    }

    int Stored(const char* section, const char* key) const
    {
        return IniFile(SettingsFileName())
            .ReadInteger(QString::fromLatin1(section), QString::fromLatin1(key), -1);
    }

    static TTestForm* OpenSeveral(TWindowKind kind, const QString& suffix = QString())
    {
        return SeveralFormShow<TTestForm>(suffix, nullptr, kind);
    }

    static QRect PrimaryScreen() { return QGuiApplication::primaryScreen()->geometry(); }
};

TEST_F(CommonFormTest, WithoutSettingsAWindowOpensCentredAtItsDesignSizeAndOpaque)
{
    for (TWindowKind kind : {TWindowKind::Send, TWindowKind::Recv, TWindowKind::Update}) {
        auto form = std::make_unique<TTestForm>(kind);
        const QRect screen = PrimaryScreen();
        EXPECT_EQ(form->pos(), QPoint((screen.width() - 400) / 2, (screen.height() - 300) / 2));
        EXPECT_EQ(form->size(), kDesignSize);
        EXPECT_DOUBLE_EQ(form->windowOpacity(), 1.0);
        if (form->tbAlphaBlend != nullptr) {
            EXPECT_EQ(form->tbAlphaBlend->toolTip(), QStringLiteral("ブレンド率 100%"));
        }
    }
}

// The real windows open with their design client size, which their minimum
// window size (drawn with the layout's frame around it) allows.
struct DesignCase {
    const char* sName;
    std::function<std::unique_ptr<TCommonForm>()> make;
    QSize client;
    QSize minimumWindow;
};

template <class TForm> std::function<std::unique_ptr<TCommonForm>()> Maker()
{
    return [] { return std::make_unique<TForm>(); };
}

TEST_F(CommonFormTest, TheWindowsOpenAtTheirDesignSize)
{
    const DesignCase kCases[] = {
        {"Send", Maker<TSendForm>(), {304, 142}, {320, 180}},
        {"Recv", Maker<TRecvForm>(), {354, 162}, {370, 200}},
        {"Absence", Maker<TAbsenceForm>(), {354, 162}, {370, 200}},
        {"FileSend", Maker<TFileSendForm>(), {384, 232}, {400, 270}},
        {"FileRecv", Maker<TFileRecvForm>(), {384, 312}, {400, 350}},
        {"Log", Maker<TLogForm>(), {687, 438}, {380, 210}},
        {"Chat", Maker<TChatForm>(), {451, 277}, {320, 220}},
    };
    for (const DesignCase& c : kCases) {
        const std::unique_ptr<TCommonForm> form = c.make();
        form->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(form->size(), c.client) << c.sName;
        EXPECT_EQ(form->minimumSize(), c.minimumWindow - WindowLayoutFrame) << c.sName;
    }
}

TEST_F(CommonFormTest, StoredPlaceAndSizeAreRestored)
{
    Store(QStringLiteral("[SendWindow]\r\nLeft=10\r\nTop=20\r\nWidth=500\r\nHeight=350\r\n"));
    TTestForm form(TWindowKind::Send);
    EXPECT_EQ(form.pos(), QPoint(10, 20));
    EXPECT_EQ(form.size(), QSize(500, 350));
}

// Width and Height are the frame's, read and written: a shown window's frame has
// the stored size, and it goes back unchanged, however wide the frame is.
TEST_F(CommonFormTest, TheStoredSizeIsTheFramesBothWays)
{
    Store(QStringLiteral("[RecvWindow]\r\nLeft=10\r\nTop=20\r\nWidth=500\r\nHeight=350\r\n"));
    auto form = std::make_unique<TTestForm>(TWindowKind::Recv);
    form->show();
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return form->frameGeometry().size() == QSize(500, 350); }));
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(10, 20));
    form.reset();
    EXPECT_EQ(Stored("RecvWindow", "Width"), 500);
    EXPECT_EQ(Stored("RecvWindow", "Height"), 350);
    EXPECT_EQ(Stored("RecvWindow", "Left"), 10);
}

TEST_F(CommonFormTest, StoredPlaceOffEveryScreenIsPulledBackInside)
{
    const char* places[] = {"Left=-32000\r\nTop=-32000\r\nWidth=300\r\nHeight=200",
                            "Left=2147483647\r\nTop=2147483647\r\nWidth=300\r\nHeight=200",
                            "Left=-2147483648\r\nTop=0\r\nWidth=300\r\nHeight=200",
                            "Left=0\r\nTop=0\r\nWidth=100000000\r\nHeight=100000000",
                            "Left=10\r\nTop=10\r\nWidth=0\r\nHeight=-5"};
    for (const char* place : places) {
        Store(QStringLiteral("[ChatWindow]\r\n") + QString::fromLatin1(place) + QStringLiteral("\r\n"));
        TTestForm form(TWindowKind::Chat);
        EXPECT_TRUE(PrimaryScreen().contains(QRect(form.pos(), form.size())))
            << place << " -> " << form.x() << "," << form.y() << " " << form.width() << "x" << form.height();
    }
}

TEST(PlacementOnScreens, MovesOnlyWindowsThatCannotBeGrabbed)
{
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const struct {
        QRect frame;
        QPoint expected;
    } cases[] = {
        {QRect(100, 100, 400, 300), QPoint(100, 100)},    // wholly on the first screen
        {QRect(1800, 50, 400, 300), QPoint(1800, 50)},    // across both
        {QRect(-300, 10, 400, 300), QPoint(-300, 10)},    // partly off, still grabbable
        {QRect(-390, 10, 400, 300), QPoint(0, 10)},       // only 10 pixels show
        {QRect(100, -200, 400, 300), QPoint(100, 0)},     // its top edge above the screen
        {QRect(5000, 500, 400, 300), QPoint(2800, 500)},  // right of the second screen
        {QRect(2600, 2000, 400, 300), QPoint(2600, 724)}, // below the second screen
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlacementOnScreens(c.frame, screens).topLeft(), c.expected)
            << c.frame.x() << "," << c.frame.y();
}

TEST(HoldOnMonitor, KeepsTheLeftAndTopOnTheMonitorAndTheRestInTheWorkArea)
{
    const QRect monitor(0, 0, 1920, 1080);
    const QRect workArea(0, 0, 1920, 1040); // a task bar of 40 pixels at the bottom
    const struct {
        QRect frame;
        QPoint expected;
    } cases[] = {
        {QRect(100, 100, 400, 300), QPoint(100, 100)},   // inside: stays
        {QRect(-50, -20, 400, 300), QPoint(0, 0)},       // left and top pulled in
        {QRect(1700, 100, 400, 300), QPoint(1520, 100)}, // right edge pulled in
        {QRect(100, 900, 400, 300), QPoint(100, 740)},   // bottom above the task bar
        {QRect(-10, 0, 2000, 300), QPoint(-80, 0)},      // wider than the area: the right wins
    };
    for (const auto& c : cases)
        EXPECT_EQ(HoldOnMonitor(c.frame, monitor, workArea), c.expected) << c.frame.x() << "," << c.frame.y();
}

TEST_F(CommonFormTest, StoredTransparencyIsClampedAndShownInTheHint)
{
    const struct {
        int stored;
        int position;
        const char* hint;
    } cases[] = {{10, 32, "ブレンド率 1%"},     {32, 32, "ブレンド率 1%"},     {143, 143, "ブレンド率 50%"},
                 {255, 255, "ブレンド率 100%"}, {300, 255, "ブレンド率 100%"}, {-7, 32, "ブレンド率 1%"}};
    for (const auto& c : cases) {
        Store(QStringLiteral("[RecvWindow]\r\nAlphaBlend=%1\r\n").arg(c.stored));
        TTestForm form(TWindowKind::Recv);
        EXPECT_EQ(form.tbAlphaBlend->value(), c.position) << c.stored;
        EXPECT_EQ(form.tbAlphaBlend->toolTip(), QString::fromUtf8(c.hint)) << c.stored;
        EXPECT_NEAR(form.windowOpacity(), c.position / 255.0, 0.002) << c.stored;
    }
}

TEST_F(CommonFormTest, TransparencyOfOneWindowReachesTheOthersOfItsKindOnceAndStops)
{
    TTestForm* first = OpenSeveral(TWindowKind::Send);
    TTestForm* second = OpenSeveral(TWindowKind::Send);
    TTestForm* third = OpenSeveral(TWindowKind::Send);
    TTestForm* away = OpenSeveral(TWindowKind::Absence);
    TTestForm receive(TWindowKind::Recv);
    for (TTestForm* form : {first, second, third, away})
        form->FAlphaMessages = 0;

    first->tbAlphaBlend->setValue(100);

    for (TTestForm* form : {first, second, third}) {
        EXPECT_EQ(form->tbAlphaBlend->value(), 100);
        EXPECT_NEAR(form->windowOpacity(), 100 / 255.0, 0.002);
        EXPECT_EQ(form->tbAlphaBlend->toolTip(), QStringLiteral("ブレンド率 31%"));
        // Each window hears once from each of the two others, then the round is over.
        EXPECT_EQ(form->FAlphaMessages, 2);
    }
    EXPECT_EQ(away->tbAlphaBlend->value(), 255);
    EXPECT_EQ(away->FAlphaMessages, 0);
    EXPECT_EQ(receive.tbAlphaBlend->value(), 255);
    EXPECT_EQ(Stored("SendWindow", "AlphaBlend"), 100);
    EXPECT_EQ(Stored("AbsenceWindow", "AlphaBlend"), 255);
}

TEST_F(CommonFormTest, TransparencyMessageClampsItsPositionAndIgnoresOtherKinds)
{
    TTestForm* form = OpenSeveral(TWindowKind::FileRecv, FileWindowEntrySuffix(0));
    const struct {
        WPARAM wParam;
        LPARAM lParam;
        int position;
    } cases[] = {{4, 1000, 255}, {4, 120, 120}, {4, -5, 32}, {3, 200, 32}, {0, 200, 32}, {4, 40, 40}};
    for (const auto& c : cases) {
        SendMessageW(form->Handle(), WM_ALPHABLENDSET, c.wParam, c.lParam);
        EXPECT_EQ(form->tbAlphaBlend->value(), c.position) << c.wParam << " " << c.lParam;
    }
    // A window that exists once is kept in step by nobody.
    TTestForm chat(TWindowKind::Chat);
    SendMessageW(chat.Handle(), WM_ALPHABLENDSET, 4, 60);
    EXPECT_EQ(chat.tbAlphaBlend->value(), 255);
}

TEST_F(CommonFormTest, HidingTheHeaderInOneWindowHidesItInEveryWindowOfTheKind)
{
    TTestForm* first = OpenSeveral(TWindowKind::FileSend, FileWindowEntrySuffix(0));
    TTestForm* second = OpenSeveral(TWindowKind::FileSend, FileWindowEntrySuffix(0));
    TTestForm* send = OpenSeveral(TWindowKind::Send);

    first->pmRightPopup();
    EXPECT_TRUE(first->miHeader->isChecked());
    first->miHeaderClick();

    EXPECT_FALSE(FileSendWindowShowHeader);
    EXPECT_TRUE(first->pnHeader->isHidden());
    EXPECT_TRUE(second->pnHeader->isHidden());
    EXPECT_FALSE(send->pnHeader->isHidden());
    EXPECT_EQ(Stored("FileSendWindow", "ShowHeader"), 0);
    TTestForm* later = OpenSeveral(TWindowKind::FileSend, FileWindowEntrySuffix(0));
    EXPECT_TRUE(later->pnHeader->isHidden());
    // The next start reads the flag back as the main window does.
    FileSendWindowShowHeader = true;
    SettingsReadViewFlags(IniFile(SettingsFileName()));
    EXPECT_FALSE(FileSendWindowShowHeader);

    // The menu of another window of the kind now offers to show it again.
    second->pmRightPopup();
    EXPECT_FALSE(second->miHeader->isChecked());
    second->miStatusClick();
    second->miHeader->trigger();
    for (TTestForm* form : {first, second, later}) {
        EXPECT_FALSE(form->pnHeader->isHidden());
        EXPECT_TRUE(form->sbInformation->isHidden());
    }
    EXPECT_FALSE(send->sbInformation->isHidden());
    EXPECT_EQ(Stored("FileSendWindow", "ShowHeader"), 1);
    EXPECT_EQ(Stored("FileSendWindow", "ShowStatus"), 0);
}

TEST_F(CommonFormTest, RightClickOnALabelOrTheSliderOpensTheMenuWithTheKindsFlags)
{
    SendWindowShowHeader = false;
    TTestForm* form = OpenSeveral(TWindowKind::Send);
    for (QWidget* target :
         {static_cast<QWidget*>(form->laTitle), static_cast<QWidget*>(form->tbAlphaBlend)}) {
        bool opened = false;
        bool headerChecked = true;
        bool statusChecked = false;
        QTimer::singleShot(0, [&] {
            opened = QApplication::activePopupWidget() == form->pmRight;
            headerChecked = form->miHeader->isChecked();
            statusChecked = form->miStatus->isChecked();
            form->pmRight->close();
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(target, &click);
        EXPECT_TRUE(opened);
        EXPECT_FALSE(headerChecked);
        EXPECT_TRUE(statusChecked);
    }
}

TEST_F(CommonFormTest, HidingTheHeaderOfTheReceiveWindowLeavesTheSendWindowsAlone)
{
    TTestForm* send = OpenSeveral(TWindowKind::Send);
    TTestForm receive(TWindowKind::Recv);
    receive.pmRightPopup();
    receive.miHeaderClick();
    EXPECT_TRUE(receive.pnHeader->isHidden());
    EXPECT_FALSE(RecvWindowShowHeader);
    EXPECT_TRUE(SendWindowShowHeader);
    EXPECT_FALSE(send->pnHeader->isHidden());
    EXPECT_EQ(Stored("RecvWindow", "ShowHeader"), 0);
}

TEST_F(CommonFormTest, ADestroyedWindowLeavesItsRegistryAndItsHandleNamesNothing)
{
    TTestForm* first = OpenSeveral(TWindowKind::Send);
    TTestForm* second = OpenSeveral(TWindowKind::Send);
    TTestForm* file = OpenSeveral(TWindowKind::FileSend, FileWindowEntrySuffix(0));
    EXPECT_EQ(SendWindowList,
              QStringList({WindowListEntry(first->Handle()), WindowListEntry(second->Handle())}));
    EXPECT_EQ(FileSendWindowList, QStringList({QString::number(file->Handle()) + QStringLiteral("&|0&|")}));

    const HWND gone = first->Handle();
    delete first;
    EXPECT_EQ(SendWindowList, QStringList({WindowListEntry(second->Handle())}));
    EXPECT_EQ(WindowMessage::WindowOf(gone), nullptr);
    second->FAlphaMessages = 0;
    EXPECT_EQ(SendMessageW(gone, WM_ALPHABLENDSET, 4, 50), 0);
    EXPECT_EQ(second->tbAlphaBlend->value(), 255);

    delete file;
    EXPECT_TRUE(FileSendWindowList.isEmpty());
}

TEST_F(CommonFormTest, CloseMessageFreesASeveralInstanceWindow)
{
    TTestForm* form = OpenSeveral(TWindowKind::Absence);
    QPointer<TTestForm> watch(form);
    SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    EXPECT_TRUE(AbsenceWindowList.isEmpty());
}

TEST_F(CommonFormTest, DestructionWritesPlaceAndSizeAndTransparencyOnlyWhereTheKindDoes)
{
    auto send = std::make_unique<TTestForm>(TWindowKind::Send);
    send->move(30, 40);
    send->resize(410, 310);
    send->tbAlphaBlend->setValue(100);
    // Written at the change; destruction leaves it to the change.
    ASSERT_TRUE(IniFile(SettingsFileName())
                    .WriteInteger(QStringLiteral("SendWindow"), QStringLiteral("AlphaBlend"), 200));
    send.reset();
    EXPECT_EQ(Stored("SendWindow", "Left"), 30);
    EXPECT_EQ(Stored("SendWindow", "Top"), 40);
    EXPECT_EQ(Stored("SendWindow", "Width"), 410);
    EXPECT_EQ(Stored("SendWindow", "Height"), 310);
    EXPECT_EQ(Stored("SendWindow", "AlphaBlend"), 200);

    auto log = std::make_unique<TTestForm>(TWindowKind::Log);
    log->tbAlphaBlend->setValue(90);
    EXPECT_EQ(Stored("LogWindow", "AlphaBlend"), -1);
    log.reset();
    EXPECT_EQ(Stored("LogWindow", "AlphaBlend"), 90);

    auto update = std::make_unique<TTestForm>(TWindowKind::Update);
    EXPECT_EQ(update->tbAlphaBlend, nullptr);
    update.reset();
    EXPECT_EQ(Stored("UpdateWindow", "Width"), 400);
    EXPECT_EQ(Stored("UpdateWindow", "AlphaBlend"), -1);
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(CommonFormTest, DestructionThatCannotWriteTellsTheUser)
{
    Store(QStringLiteral("[SendWindow]\r\n"));
    auto form = std::make_unique<TTestForm>(TWindowKind::Send);
    ASSERT_EQ(::chmod(QFile::encodeName(SettingsFileName()).constData(), 0444), 0);
    form->tbAlphaBlend->setValue(80); // the change's write fails silently
    EXPECT_TRUE(FBoxes.empty());
    form.reset();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].sText, SettingsSaveErrorText);
    EXPECT_EQ(FBoxes[0].sCaption, QStringLiteral("Parvane 2"));
    EXPECT_EQ(FBoxes[0].iFlags, MessageBox::MB_ICONWARNING);
}

// A window with keys of its own in its section, as the send and chat windows have.
class TExtraForm : public TCommonForm {
public:
    TExtraForm() : TCommonForm(TWindowKind::Chat, kDesignSize) {}
    ~TExtraForm() override { FormDestroy(); }

protected:
    bool WriteSectionExtra(IniFile& ini) override
    {
        for (int i = 0; i < 5; ++i) {
            if (!ini.WriteInteger(SettingsSection(), QStringLiteral("Extra%1").arg(i), i))
                return false;
        }
        return true;
    }
};

TEST_F(CommonFormTest, DestructionSavesTheWholeSectionOnce)
{
    Store(QStringLiteral("[Option]\r\nHandleName=Me\r\n"));
    auto form = std::make_unique<TExtraForm>();
    FileSaves saves(FDir.path(), QStringLiteral("Parvane2.INI"));
    ASSERT_TRUE(saves.IsReady());
    form.reset();
    EXPECT_EQ(saves.Count(), 1);
    EXPECT_EQ(Stored("ChatWindow", "Width"), 400);
    EXPECT_EQ(Stored("ChatWindow", "Extra4"), 4);
    EXPECT_TRUE(FBoxes.empty());
}

// A disk that fills up, a rename that fails or a file that cannot be read: the
// section is not saved, the old file stays as it was, and the user is told once.
TEST_F(CommonFormTest, DestructionThatCannotSaveTellsTheUserOnceAndKeepsTheOldFile)
{
    enum Trouble { FullDisk, RenameFails, Unreadable };
    for (const Trouble trouble : {FullDisk, RenameFails, Unreadable}) {
        SCOPED_TRACE(static_cast<int>(trouble));
        FBoxes.clear();
        SmallDisk disk;
        ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
        ProgramDirectory = ProgramDirectoryOf(disk.Path());
        FileBaseName = ProgramDirectory + QStringLiteral("Parvane2");
        Store(QStringLiteral("[ChatWindow]\r\nLeft=10\r\n[Option]\r\nSecurityLogPassword=stored\r\n"));
        const auto bytes = [] {
            QFile file(SettingsFileName());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
        };
        const QByteArray before = bytes();
        auto form = std::make_unique<TExtraForm>();
        IniFile::ContentReader previous;
        if (trouble == FullDisk)
            ASSERT_TRUE(disk.Fill());
        else if (trouble == RenameFails)
            ASSERT_TRUE(disk.PinFile(SettingsFileName()));
        else
            previous = IniFile::SetContentReader([](const QString&) {
                return IniFile::Content{IniFile::Content::Unreadable, QByteArray()};
            });
        form.reset();
        if (trouble == Unreadable)
            IniFile::SetContentReader(previous);
        ASSERT_EQ(FBoxes.size(), 1u);
        EXPECT_EQ(FBoxes[0].sText, SettingsSaveErrorText);
        EXPECT_EQ(bytes(), before);
    }
}

TEST_F(CommonFormTest, SingleInstanceOpenerMakesOneWindowAndItsDestructionClearsTheReference)
{
    TTestForm* opened = SingleFormShow(ReceiveForm, TWindowKind::Recv);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(ReceiveForm, opened);
    EXPECT_TRUE(opened->isVisible());
    opened->showMinimized();
    EXPECT_EQ(SingleFormShow(ReceiveForm, TWindowKind::Recv), opened);
    EXPECT_FALSE(opened->isMinimized());
    delete opened;
    EXPECT_EQ(ReceiveForm, nullptr);

    // Closing frees it too, and the next opener call makes a new window.
    SingleFormShow(ReceiveForm, TWindowKind::Recv)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ReceiveForm, nullptr);
}

TEST_F(CommonFormTest, EveryKindShowsItsHeaderBitmap)
{
    const struct {
        TWindowKind kind;
        int size;
    } cases[] = {{TWindowKind::Send, 20},     {TWindowKind::Absence, 20},    {TWindowKind::FileSend, 20},
                 {TWindowKind::FileRecv, 20}, {TWindowKind::Recv, 20},       {TWindowKind::Chat, 20},
                 {TWindowKind::Log, 20},      {TWindowKind::GlobalChat, 20}, {TWindowKind::Update, 16},
                 {TWindowKind::Request, 16},  {TWindowKind::Donation, 16}};
    for (const auto& c : cases) {
        TTestForm form(c.kind);
        const QPixmap bitmap = form.imHeader->pixmap();
        EXPECT_EQ(bitmap.size(), QSize(c.size, c.size)) << form.SettingsSection().toStdString();
    }
}

TEST_F(CommonFormTest, SliderSitsInTheLastPanelAndTheFillPanelTakesTheRest)
{
    for (TWindowKind kind : {TWindowKind::Send, TWindowKind::FileRecv}) {
        TTestForm form(kind);
        form.show();
        form.resize(500, 300);
        QCoreApplication::processEvents();
        TStatusPanelBar* bar = form.sbInformation;
        const int last = bar->PanelCount() - 1;
        EXPECT_EQ(bar->PanelWidth(last), 79 + 12);
        int total = 0;
        for (int i = 0; i < bar->PanelCount(); ++i)
            total += bar->PanelWidth(i);
        EXPECT_EQ(total, bar->width());
        EXPECT_EQ(form.tbAlphaBlend->x(), bar->PanelRect(last).left() + 2);
        EXPECT_EQ(form.tbAlphaBlend->parentWidget(), bar);
    }
}

// Every kind as the settings file knows it: its section, and which of the view
// flags it keeps there. Also the check that each kind of the program has its row here.
struct KindCase {
    TWindowKind kind;
    const char* section;
    bool header;
    bool send;
    bool status;
};

const KindCase kKindCases[] = {
    {TWindowKind::Send, "SendWindow", true, true, true},
    {TWindowKind::Absence, "AbsenceWindow", true, true, true},
    {TWindowKind::FileSend, "FileSendWindow", true, true, true},
    {TWindowKind::FileRecv, "FileRecvWindow", true, true, true},
    {TWindowKind::Recv, "RecvWindow", true, true, true},
    {TWindowKind::Chat, "ChatWindow", true, true, true},
    {TWindowKind::Log, "LogWindow", true, false, true},
    {TWindowKind::GlobalChat, "GlobalChatWindow", true, false, true},
    {TWindowKind::Update, "UpdateWindow", false, false, false},
    {TWindowKind::Request, "RequestWindow", false, false, false},
    {TWindowKind::Donation, "DonationWindow", false, false, false},
};

TEST_F(CommonFormTest, EveryKindReadsItsViewFlagsFromItsOwnSectionOnly)
{
    ASSERT_EQ(std::size(kKindCases), static_cast<size_t>(TWindowKind::Count));
    for (const KindCase& c : kKindCases) {
        SCOPED_TRACE(c.section);
        Store(QStringLiteral("[%1]\r\nShowHeader=0\r\nShowSend=0\r\nShowStatus=0\r\n")
                  .arg(QString::fromLatin1(c.section)));
        SettingsReadViewFlags(IniFile(SettingsFileName()));
        for (const KindCase& other : kKindCases) {
            SCOPED_TRACE(other.section);
            const bool mine = other.kind == c.kind;
            TTestForm form(other.kind);
            EXPECT_EQ(form.SettingsSection(), QString::fromLatin1(other.section));
            EXPECT_EQ(form.pnHeader->isHidden(), mine && c.header);
            if (form.sbInformation != nullptr) {
                EXPECT_EQ(form.sbInformation->isHidden(), mine && c.status);
            } else {
                EXPECT_FALSE(other.status);
            }
            // The sender line has no widget of the base; its flag is the kind's own.
            const bool* send = WindowKindInfo(other.kind).pShowSend;
            EXPECT_EQ(send != nullptr, other.send);
            if (send != nullptr) {
                EXPECT_EQ(*send, !mine);
            }
        }
    }
}

TEST_F(CommonFormTest, EveryKindWritesItsViewFlagsToItsOwnSectionAndReadsThemBack)
{
    for (const KindCase& c : kKindCases) {
        if (!c.header)
            continue;
        SCOPED_TRACE(c.section);
        Store(QString());
        SettingsReadViewFlags(IniFile(SettingsFileName()));
        {
            TTestForm form(c.kind);
            form.pmRightPopup();
            form.miHeaderClick();
            form.miStatusClick();
            EXPECT_EQ(Stored(c.section, "ShowHeader"), 0);
            EXPECT_EQ(Stored(c.section, "ShowStatus"), 0);
            for (const KindCase& other : kKindCases) {
                if (other.kind != c.kind) {
                    EXPECT_EQ(Stored(other.section, "ShowHeader"), -1) << other.section;
                }
            }
        }
        // The next start hides them from the file.
        SettingsReadViewFlags(IniFile(SettingsFileName()));
        TTestForm later(c.kind);
        EXPECT_TRUE(later.pnHeader->isHidden());
        EXPECT_TRUE(later.sbInformation->isHidden());
    }
}

// The kinds that can be open several times, each with its own registry.
TEST_F(CommonFormTest, EachListedKindRegistersInItsOwnListAndEveryListIsWalked)
{
    const struct {
        TWindowKind kind;
        QStringList* list;
    } cases[] = {{TWindowKind::Send, &SendWindowList},
                 {TWindowKind::Absence, &AbsenceWindowList},
                 {TWindowKind::FileSend, &FileSendWindowList},
                 {TWindowKind::FileRecv, &FileRecvWindowList}};
    std::vector<std::pair<TWindowKind, HWND>> opened;
    for (const auto& c : cases) {
        for (int i = 0; i < 2; ++i)
            opened.emplace_back(c.kind, OpenSeveral(c.kind)->Handle());
    }
    // A window that exists once is in no list.
    TTestForm single(TWindowKind::Recv);
    for (const auto& c : cases) {
        QStringList expected;
        for (const auto& [kind, handle] : opened) {
            if (kind == c.kind)
                expected << WindowListEntry(handle);
        }
        EXPECT_EQ(*c.list, expected) << static_cast<int>(c.kind);
    }

    std::vector<std::pair<TWindowKind, HWND>> walked;
    ForEachListedWindow(
        [&](const TWindowKindInfo& kind, HWND handle) { walked.emplace_back(kind.Kind, handle); });
    EXPECT_EQ(walked, opened);

    WindowListsClear();
    for (const auto& c : cases)
        EXPECT_TRUE(c.list->isEmpty());
}

// A peer's name drawn in one line keeps a bounded number of bytes, cut between
// whole characters, and says with "…" that it was cut.
TEST(PeerTextInLine, ALongNameIsCutToTheBoundWithAnEllipsis)
{
    const QString sA = QStringLiteral("a");
    const QString sWide = QStringLiteral("あ");
    const QString sDots = QStringLiteral("…");
    const struct {
        const char* sName;
        QString sText;
        QString sShown;
    } cases[] = {
        {"short", QStringLiteral("太郎"), QStringLiteral("太郎")},
        {"empty", QString(), QString()},
        // Thirty double-byte characters, as an office writes a department before a name.
        {"a department and a name",
         QStringLiteral("東京本社営業本部第二営業部第三課の課長補佐代理の山田花子です"),
         QStringLiteral("東京本社営業本部第二営業部第三課の課長補佐代理の山田花子です")},
        {"just the bound", sA.repeated(128), sA.repeated(128)},
        {"one byte over", sA.repeated(129), sA.repeated(126) + sDots},
        {"double-byte, over", sWide.repeated(65), sWide.repeated(63) + sDots},
        // The cut falls inside a double-byte character, which goes whole.
        {"odd byte before double-byte ones", sA + sWide.repeated(64), sA + sWide.repeated(62) + sDots},
        {"twenty kilobytes", sWide.repeated(10000), sWide.repeated(63) + sDots},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sName);
        const QString sShown = PeerTextInLine(c.sText);
        EXPECT_EQ(sShown, c.sShown);
        EXPECT_LE(AnsiCodePage::ByteLength(sShown), PeerTextLineMaxBytes);
    }
}

} // namespace
