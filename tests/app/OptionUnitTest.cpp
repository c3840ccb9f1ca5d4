// The options window without a main window: its pages, lock, dependencies, lists,
// dialogs and apply, against a settings folder of its own.
#include "OptionUnit.h"

#include "CommandLine.h"
#include "HelpFile.h"
#include "HotKeyEx.h"
#include "IniFile.h"
#include "Keyboard.h"
#include "MessageBox.h"
#include "NoticeUnit.h"
#include "OptionAbsenceAddUnit.h"
#include "OptionFormFixture.h"
#include "OptionNetworkAddUnit.h"
#include "PageControlEx.h"
#include "SubUnit.h"
#include "UserName.h"
#include "WindowTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Receives the addresses the desktop is asked to open.
class TUrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

using OptionFormTest = OptionFormFixture;

template <class T> T* Child(QWidget& form, const char* sName)
{
    T* child = form.findChild<T*>(QString::fromLatin1(sName));
    EXPECT_NE(child, nullptr) << sName;
    return child;
}

TEST_F(OptionFormTest, EachToggleEnablesExactlyTheControlsThatDependOnIt)
{
    TOptionForm& form = Open();
    const struct {
        const char* sToggle;
        std::vector<const char*> dependents;
    } table[] = {
        {"cbCustomizeTaskTray",
         {"cbCustomizeTaskBar", "cbCustomizeTaskHideLog", "cbCustomizeTaskHideSend",
          "cbCustomizeTaskHideFileSend", "cbCustomizeTaskHideChat", "cbCustomizeTaskHideGlobalChat",
          "cbCustomizeTaskHideAbsence"}},
        {"cbSecurityFileRecvCancel", {"cbSecurityFileRecvCancelAbsence"}},
        {"cbCustomizeAutoRecv", {"cbCustomizeAutoRecvAbsence"}},
        {"cbEventOtherChatLogin", {"cbNoticeChatLoginAnytime"}},
        {"cbEventOtherChatLogout", {"cbNoticeChatLogoutAnytime"}},
        {"cbNoticeAutoClose", {"cbNoticeAutoCloseAbsenceCancel"}},
        {"cbSecurityLetter", {"edSecurityLetterPassword", "laSecurityLetterPassword"}},
        {"cbSecurityOption", {"edSecurityOptionPassword", "laSecurityOptionPassword"}},
        {"cbSecurityLog", {"edSecurityLogPassword", "laSecurityLogPassword"}},
        {"cbNetworkPort", {"edNetworkPortNo", "edNetworkFTPPortNo", "laNetworkPort", "laNetworkFTPPort"}},
    };
    form.laSecurityLetterPassword->setObjectName(QStringLiteral("laSecurityLetterPassword"));
    form.laSecurityOptionPassword->setObjectName(QStringLiteral("laSecurityOptionPassword"));
    form.laSecurityLogPassword->setObjectName(QStringLiteral("laSecurityLogPassword"));
    form.laNetworkPort->setObjectName(QStringLiteral("laNetworkPort"));
    form.laNetworkFTPPort->setObjectName(QStringLiteral("laNetworkFTPPort"));
    for (const auto& row : table) {
        SCOPED_TRACE(row.sToggle);
        auto* toggle = Child<QCheckBox>(form, row.sToggle);
        for (bool bChecked : {true, false, true}) {
            toggle->setChecked(bChecked);
            for (const char* sDependent : row.dependents)
                EXPECT_EQ(Child<QWidget>(form, sDependent)->isEnabled(), bChecked) << sDependent;
        }
    }
    // Both auto-close boxes on: the away-time hiding cannot be chosen.
    form.cbNoticeAutoClose->setChecked(true);
    form.cbNoticeAutoCloseAbsenceCancel->setChecked(true);
    EXPECT_FALSE(form.cbEventAbsenceHide->isEnabled());
    form.cbNoticeAutoCloseAbsenceCancel->setChecked(false);
    EXPECT_TRUE(form.cbEventAbsenceHide->isEnabled());

    // The radio groups: only the last choice of each enables its rows.
    form.rbCustomizeFileSaveRun->setChecked(true);
    EXPECT_FALSE(form.edCustomizeFileSaveSetPath->isEnabled());
    EXPECT_FALSE(form.sbCustomizeFileSaveSetPath->isEnabled());
    form.rbCustomizeFileSaveSet->setChecked(true);
    EXPECT_TRUE(form.edCustomizeFileSaveSetPath->isEnabled());
    form.rbCustomizeSoundBeep->setChecked(true);
    for (int k = 0; k < SoundFileCount; ++k) {
        EXPECT_FALSE(form.edCustomizeSoundFile[size_t(k)]->isEnabled());
        EXPECT_FALSE(form.sbCustomizeSoundPlay[size_t(k)]->isEnabled());
        EXPECT_FALSE(form.laCustomizeSoundFile[size_t(k)]->isEnabled());
    }
    form.rbCustomizeSoundWave->setChecked(true);
    EXPECT_TRUE(form.sbCustomizeSoundSearch[7]->isEnabled());

    // The address list: delete only with a selection.
    EXPECT_FALSE(form.btNetworkDelete->isEnabled());
    form.lbNetworkList->addItem(QStringLiteral("10.0.0.1"));
    form.lbNetworkList->item(0)->setSelected(true);
    EXPECT_TRUE(form.btNetworkDelete->isEnabled());
}

TEST_F(OptionFormTest, FilledFromTheSettingsWithNothingToApply)
{
    CustomizeSoundKind = 5;
    CustomizeFileSave = 7;
    NetworkPort = true;
    NetworkPortNo = 51001;
    NetworkFTPPortNo = 52001;
    CustomizeHotKey4 = 0x6000 | 'F'; // Ctrl+Shift+F
    HandleName = QStringLiteral("太郎");
    TOptionForm& form = Open();
    // A kind the window does not know keeps the layout's choice, whose rows are open.
    EXPECT_TRUE(form.rbCustomizeSoundWave->isChecked());
    EXPECT_TRUE(form.edCustomizeSoundFile[0]->isEnabled());
    EXPECT_TRUE(form.rbCustomizeFileSaveSet->isChecked());
    EXPECT_TRUE(form.cbNetworkPort->isChecked());
    EXPECT_EQ(form.edNetworkPortNo->text(), QStringLiteral("51001"));
    EXPECT_EQ(form.hkCustomizeHotKey[3]->HotKey(), 0x6046);
    EXPECT_EQ(form.edHandleName->text(), QStringLiteral("太郎"));
    EXPECT_EQ(form.cbAbsence->count(), 3);
    EXPECT_EQ(form.cbAbsence->currentIndex(), -1);
    EXPECT_EQ(form.mmAbsenceMessage->toPlainText(), QStringLiteral("不在の種類を選択してください。"));
    EXPECT_FALSE(form.mmAbsenceMessage->isEnabled());
    EXPECT_FALSE(form.btUpdate->isEnabled());
    EXPECT_EQ(form.VisiblePages(), (QList<QWidget*>{form.tsProfile, form.tsAbsence, form.tsEvent,
                                                    form.tsSound, form.tsCustomize, form.tsNetwork}));
    // OK with nothing changed only closes: no file is written.
    form.btOkClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(OptionForm, nullptr);
    EXPECT_FALSE(QFile::exists(Path("Parvane2.INI")));
}

// The test notice shows at the place chosen in the window, before any apply.
TEST_F(OptionFormTest, NoticeTestShowsAtThePlaceChosenNotYetApplied)
{
    NoticePosition = 6;
    TOptionForm& form = Open();
    form.cbNoticePosition->setCurrentIndex(1);
    form.btNoticeShowTest->click();
    ASSERT_NE(NoticeForm, nullptr);
    EXPECT_EQ(NoticeForm->Position(), 1);
    EXPECT_TRUE(NoticeForm->AutoClose());
    EXPECT_EQ(NoticeForm->Lines(), QStringList{QStringLiteral("ここにイベントの内容が表示されます。")});
    EXPECT_EQ(NoticePosition, 6);
    delete NoticeForm;
}

TEST_F(OptionFormTest, PortsFromTheCommandLineAreShownAndCannotBeChanged)
{
    PortOverrideMsg = 51005;
    PortOverrideFile = 52005;
    TOptionForm& form = Open();
    EXPECT_TRUE(form.cbNetworkPort->isChecked());
    EXPECT_FALSE(form.cbNetworkPort->isEnabled());
    EXPECT_EQ(form.edNetworkFTPPortNo->text(), QStringLiteral("52005"));
    EXPECT_FALSE(form.edNetworkPortNo->isEnabled());
    form.edHandleName->setText(QStringLiteral("花子"));
    form.btUpdateClick();
    EXPECT_FALSE(IniFile(Path("Parvane2.INI")).ValueExists(SectionOption, QStringLiteral("NetworkPortNo")));
    EXPECT_TRUE(FBoxes.empty());
}

// Ports from the command line are not the user's to fix: whatever they are (no
// file listener, both the same), the options still apply.
TEST_F(OptionFormTest, PortsFromTheCommandLineDoNotStopTheApply)
{
    const std::pair<int, int> kPorts[] = {{51005, 0}, {51001, 51001}, {80, 52000}};
    for (const auto& [iMsg, iFile] : kPorts) {
        PortOverrideMsg = iMsg;
        PortOverrideFile = iFile;
        HandleName = QStringLiteral("太郎");
        TOptionForm& form = Open();
        form.edHandleName->setText(QStringLiteral("花子"));
        form.btOkClick();
        EXPECT_TRUE(FBoxes.empty()) << iMsg << " " << iFile << " " << BoxTexts().join(u' ').toStdString();
        EXPECT_EQ(HandleName, QStringLiteral("花子")) << iMsg << " " << iFile;
        OptionFormRelease();
        FBoxes.clear();
    }
}

// Applying the top-most setting shows the window again; the focus stays on the
// control the user was at, never on the password field of a hidden page.
TEST_F(OptionFormTest, AReShowKeepsTheFocusWhereItWas)
{
    TOptionForm& form = Open();
    form.pcOption->setCurrentWidget(form.tsCustomize);
    form.cbCustomizeShowTopMost->setFocus();
    form.cbCustomizeShowTopMost->click();
    form.btUpdateClick();
    ASSERT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), form.cbCustomizeShowTopMost);
    EXPECT_EQ(form.pcOption->currentWidget(), form.tsCustomize);
}

TEST_F(OptionFormTest, LockedOptionsOpenOnlyWithTheExactPassword)
{
    SecurityOption = true;
    SecurityOptionPassword = QStringLiteral("Secret");
    TOptionForm& form = Open();
    EXPECT_EQ(form.VisiblePages(), QList<QWidget*>{form.tsPassword});
    form.edPassword->setText(QStringLiteral("secret"));
    form.btPasswordOkClick();
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("パスワードが違います。")});
    EXPECT_EQ(FBoxes[0].iFlags & 0xF0, MessageBox::MB_ICONWARNING);
    EXPECT_EQ(form.VisiblePages(), QList<QWidget*>{form.tsPassword});
    EXPECT_EQ(form.edPassword->selectedText(), QStringLiteral("secret"));
    // Enter in the password field unlocks as the button does.
    form.edPassword->setText(QStringLiteral("Secret"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form.edPassword, &enter);
    EXPECT_EQ(form.VisiblePages().size(), 6);
    EXPECT_EQ(form.pcOption->currentWidget(), form.tsProfile);
}

TEST_F(OptionFormTest, ARefusedApplyChangesNothingAndKeepsTheWindowOpen)
{
    HandleName = QStringLiteral("太郎");
    TOptionForm& form = Open();
    form.pcOption->setCurrentWidget(form.tsNetwork);
    form.edHandleName->setText(QStringLiteral("a&|b"));
    form.cbNetworkPort->setChecked(true);
    form.edNetworkPortNo->setText(QStringLiteral("80"));
    form.btOkClick();
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("ハンドル名に「&|」を含めることはできません。")});
    EXPECT_EQ(form.pcOption->currentWidget(), form.tsProfile);
    EXPECT_EQ(form.edHandleName->selectedText(), QStringLiteral("a&|b"));
    EXPECT_FALSE(form.PrClose);
    EXPECT_TRUE(form.btUpdate->isEnabled());
    EXPECT_EQ(HandleName, QStringLiteral("太郎"));
    EXPECT_FALSE(NetworkPort);
    EXPECT_FALSE(QFile::exists(Path("Parvane2.INI")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_NE(OptionForm, nullptr);
}

TEST_F(OptionFormTest, AForbiddenAwayMessageShowsItsKind)
{
    AbsenceMessage[2].sMessage = QStringLiteral("戻り\\|未定");
    TOptionForm& form = Open();
    form.edHandleNameChange();
    form.btUpdateClick();
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("不在メッセージに「\\|」を含めることはできません。")});
    EXPECT_EQ(form.pcOption->currentWidget(), form.tsAbsence);
    EXPECT_EQ(form.cbAbsence->currentIndex(), 2);
    EXPECT_EQ(form.mmAbsenceMessage->textCursor().selectedText(), QStringLiteral("戻り\\|未定"));
}

TEST_F(OptionFormTest, ApplyTakesEveryValueAndWritesTheSection)
{
    TOptionForm& form = Open();
    form.edHandleName->setText(QStringLiteral("花子"));
    form.rbCustomizeSoundBeep->setChecked(true);
    form.cbAnimationMouse->setCurrentIndex(3);
    form.cbNoticePosition->setCurrentIndex(0);
    form.cbSecurityLog->setChecked(true);
    form.edSecurityLogPassword->setText(QStringLiteral("pw"));
    form.cbNetworkPort->setChecked(true);
    form.edNetworkPortNo->setText(QStringLiteral("51001"));
    form.edNetworkFTPPortNo->setText(QStringLiteral("52001"));
    form.hkCustomizeHotKey[1]->SetHotKey(0);
    form.btUpdateClick();
    EXPECT_EQ(BoxTexts(),
              QStringList{QStringLiteral("ポート番号の設定は、Parvane 2を再起動後に有効になります。")});
    EXPECT_FALSE(form.btUpdate->isEnabled());
    EXPECT_EQ(HandleName, QStringLiteral("花子"));
    EXPECT_EQ(CustomizeSoundKind, 1);
    EXPECT_EQ(AnimationMouse, 3);
    EXPECT_EQ(NoticePosition, 0);
    EXPECT_TRUE(SecurityLog);
    EXPECT_EQ(SecurityLogPassword, QStringLiteral("pw"));
    EXPECT_EQ(CustomizeHotKey2, 0);
    EXPECT_EQ(NetworkPortNo, 51001);

    const IniFile ini(Path("Parvane2.INI"));
    EXPECT_EQ(ini.ReadString(SectionOption, QStringLiteral("HandleName"), QString()), QStringLiteral("花子"));
    EXPECT_EQ(ini.ReadInteger(SectionOption, QStringLiteral("CustomizeSoundKind"), -1), 1);
    EXPECT_EQ(ini.ReadInteger(SectionOption, QStringLiteral("AnimationMouse"), -1), 3);
    // Scrambled with a random key each time: only its plain form is fixed.
    EXPECT_EQ(PasswordFromStoredForm(
                  ini.ReadString(SectionOption, QStringLiteral("SecurityLogPassword"), QString())),
              QStringLiteral("pw"));
    EXPECT_EQ(ini.ReadString(SectionOption, QStringLiteral("Absence-Title0"), QString()),
              QStringLiteral("離席中"));
    EXPECT_EQ(ini.ReadInteger(SectionOption, QStringLiteral("NetworkFTPPortNo"), -1), 52001);
    EXPECT_FALSE(ini.ReadBool(SectionAllUsers, QStringLiteral("MultiUser"), true));

    // Applying the same values again needs no note; OK then only closes.
    FBoxes.clear();
    form.edHandleNameChange();
    form.btUpdateClick();
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(OptionFormTest, AReadOnlySettingsFileIsReportedOnceAndTheValuesStayInEffect)
{
    QFile file(Path("Parvane2.INI"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[AllUsers]\r\nMultiUser=0\r\n");
    file.close();
    ::chmod(Path("Parvane2.INI").toLocal8Bit().constData(), 0444);
    TOptionForm& form = Open();
    form.edHandleName->setText(QStringLiteral("花子"));
    form.btOkClick();
    // The shared file holds [AllUsers]: its write fails first and stops the apply.
    EXPECT_EQ(BoxTexts(), QStringList{SettingsSaveErrorText});
    EXPECT_NE(HandleName, QStringLiteral("花子"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_NE(OptionForm, nullptr);
}

TEST_F(OptionFormTest, DeletingAKindMovesTheLaterOnesDown)
{
    for (int i = 0; i < 5; ++i)
        AbsenceMessage[size_t(i)] = {QStringLiteral("k%1").arg(i), QStringLiteral("m%1").arg(i)};
    TOptionForm& form = Open();
    form.cbAbsence->setCurrentIndex(2);
    form.cbAbsenceClick();
    EXPECT_EQ(form.mmAbsenceMessage->toPlainText(), QStringLiteral("m2"));
    form.btAbsenceDeleteClick();
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("k2 を削除してもよろしいですか？")});
    EXPECT_EQ(form.PrAbsenceMessage[2].sTitle, QStringLiteral("k3"));
    EXPECT_EQ(form.PrAbsenceMessage[3].sMessage, QStringLiteral("m4"));
    EXPECT_TRUE(form.PrAbsenceMessage[4].sTitle.isEmpty());
    EXPECT_TRUE(form.PrAbsenceMessage[99].sTitle.isEmpty());
    EXPECT_EQ(form.cbAbsence->count(), 4);
    EXPECT_EQ(form.cbAbsence->currentIndex(), -1);
    EXPECT_EQ(form.mmAbsenceMessage->toPlainText(), QStringLiteral("不在の種類を選択してください。"));
    EXPECT_FALSE(form.btAbsenceRename->isEnabled());

    // Typing changes the working copy at once; Cancel throws it away.
    form.cbAbsence->setCurrentIndex(0);
    form.cbAbsenceClick();
    form.mmAbsenceMessage->setPlainText(QStringLiteral("一行目\n二行目"));
    EXPECT_EQ(form.PrAbsenceMessage[0].sMessage, QStringLiteral("一行目\r\n二行目"));
    // The memo takes 1024 characters at most, and a paste that does not fit
    // leaves what was written in place.
    const QString sDraft = QString(1000, u'あ') + QStringLiteral("END");
    form.mmAbsenceMessage->setPlainText(sDraft);
    form.mmAbsenceMessage->moveCursor(QTextCursor::Start);
    TestSupport::PasteText(form.mmAbsenceMessage, QString(100, u'x'));
    EXPECT_EQ(form.mmAbsenceMessage->toPlainText(), QString(21, u'x') + sDraft);
    EXPECT_EQ(form.PrAbsenceMessage[0].sMessage, QString(21, u'x') + sDraft);
    TestSupport::TypeText(form.mmAbsenceMessage, QStringLiteral("y"));
    EXPECT_EQ(form.mmAbsenceMessage->toPlainText().size(), 1024);
    TestSupport::KeyPress(form.mmAbsenceMessage, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form.PrAbsenceMessage[0].sMessage, sDraft);
    form.btCancelClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(AbsenceMessage[0].sMessage, QStringLiteral("m0"));
    EXPECT_EQ(AbsenceMessage[2].sTitle, QStringLiteral("k2"));
}

TEST_F(OptionFormTest, AddingAKindGoesThroughItsDialogWhileTheWindowWaits)
{
    TOptionForm& form = Open();
    QStringList steps;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TOptionAbsenceAddForm*>(form.OpenDialog());
        ASSERT_NE(dialog, nullptr);
        steps << QStringLiteral("open");
        EXPECT_FALSE(form.isEnabled());
        // Opening the options again brings the dialog forward, nothing else.
        OptionFormShow();
        EXPECT_EQ(OptionForm, &form);
        dialog->edInput->setText(QStringLiteral("離席中"));
        dialog->btOk->click();
        EXPECT_TRUE(dialog->isVisible());
        dialog->edInput->setText(QStringLiteral("会議中"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(dialog->edInput, &enter);
    });
    form.btAbsenceAddClick();
    EXPECT_EQ(steps, QStringList{QStringLiteral("open")});
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("指定された種類名は既に存在しています。")});
    EXPECT_TRUE(form.isEnabled());
    EXPECT_EQ(form.OpenDialog(), nullptr);
    EXPECT_EQ(form.cbAbsence->count(), 4);
    EXPECT_EQ(form.cbAbsence->currentIndex(), 3);
    EXPECT_EQ(form.PrAbsenceMessage[3].sTitle, QStringLiteral("会議中"));
    EXPECT_TRUE(form.mmAbsenceMessage->isEnabled());
    EXPECT_TRUE(form.btUpdate->isEnabled());
}

TEST_F(OptionFormTest, AHundredKindsTakeNoMore)
{
    for (int i = 0; i < AbsenceMessageCount; ++i)
        AbsenceMessage[size_t(i)] = {QStringLiteral("k%1").arg(i), QString()};
    TOptionForm& form = Open();
    ASSERT_EQ(form.cbAbsence->count(), 100);
    form.btAbsenceAddClick();
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("不在の種類はこれ以上追加できません。")});
    EXPECT_EQ(form.cbAbsence->count(), 100);
    EXPECT_FALSE(form.btUpdate->isEnabled());
}

// The main window's close releases the options window while its dialog waits.
TEST_F(OptionFormTest, ReleasedWhileADialogIsOpenTheDialogGoesToo)
{
    TOptionForm& form = Open();
    QPointer<QWidget> dialog;
    QTimer::singleShot(0, [&] {
        dialog = form.OpenDialog();
        OptionFormRelease();
    });
    form.btNetworkAddClick();
    EXPECT_EQ(OptionForm, nullptr);
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
}

TEST_F(OptionFormTest, AddressesAreAddedInCanonicalFormAndDeletedBySelection)
{
    TOptionForm& form = Open();
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TOptionNetworkAddForm*>(form.OpenDialog());
        ASSERT_NE(dialog, nullptr);
        dialog->edInput->setText(QStringLiteral(" 10.1 "));
        dialog->btOk->click();
    });
    form.btNetworkAddClick();
    ASSERT_EQ(form.lbNetworkList->count(), 1);
    EXPECT_EQ(form.lbNetworkList->item(0)->text(), QStringLiteral("10.0.0.1"));
    // A name that does not resolve: No keeps the dialog open, Cancel adds nothing.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TOptionNetworkAddForm*>(form.OpenDialog());
        ASSERT_NE(dialog, nullptr);
        dialog->Resolve = [](const QString&) { return QString(); };
        FAnswers = {MessageBox::IDNO};
        dialog->edInput->setText(QStringLiteral("nowhere.lan"));
        dialog->btOk->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->edInput->selectedText(), QStringLiteral("nowhere.lan"));
        dialog->btCancel->click();
    });
    form.btNetworkAddClick();
    EXPECT_EQ(form.lbNetworkList->count(), 1);
    EXPECT_EQ(FBoxes.back().iFlags,
              MessageBox::MB_YESNO | MessageBox::MB_ICONWARNING | MessageBox::MB_DEFBUTTON2);

    form.lbNetworkList->addItems({QStringLiteral("a.lan"), QStringLiteral("b.lan"), QStringLiteral("c.lan")});
    for (int i : {0, 1, 3})
        form.lbNetworkList->item(i)->setSelected(true);
    form.btNetworkDeleteClick();
    EXPECT_EQ(BoxTexts().last(), QStringLiteral("選択されているアドレスを削除します。よろしいですか？"));
    ASSERT_EQ(form.lbNetworkList->count(), 1);
    EXPECT_EQ(form.lbNetworkList->item(0)->text(), QStringLiteral("b.lan"));
    EXPECT_FALSE(form.btNetworkDelete->isEnabled());
}

TEST_F(OptionFormTest, SwitchingMultiUserOnMovesTheFilesAndWritesToTheUsersOwn)
{
    QFile shared(Path("Parvane2.INI"));
    ASSERT_TRUE(shared.open(QIODevice::WriteOnly));
    shared.write("[Option]\r\nKeepMe=1\r\n");
    shared.close();
    TOptionForm& form = Open();
    form.cbCustomizeMultiUser->setChecked(true);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.endsWith(QStringLiteral("この機能を有効にしますか？")));
    form.edHandleName->setText(QStringLiteral("花子"));
    form.btUpdateClick();
    const QString sUser = LoginUserName();
    const QString sUserIni = Path(QStringLiteral("Parvane2 -") + sUser + QStringLiteral("-.INI"));
    EXPECT_EQ(WindowsUserName, sUser);
    EXPECT_EQ(FileBaseName, ProgramDirectory + QStringLiteral("Parvane2 -") + sUser + u'-');
    const IniFile user(sUserIni);
    EXPECT_TRUE(user.ReadBool(SectionOption, QStringLiteral("KeepMe"), false));
    EXPECT_EQ(user.ReadString(SectionOption, QStringLiteral("HandleName"), QString()),
              QStringLiteral("花子"));
    const IniFile sharedIni(Path("Parvane2.INI"));
    EXPECT_TRUE(sharedIni.ReadBool(SectionAllUsers, QStringLiteral("MultiUser"), false));
    EXPECT_FALSE(sharedIni.ValueExists(SectionOption, QStringLiteral("HandleName")));
}

// Either way the settings and the log go from the old place to the new one, and
// the old ones stay as they were.
TEST_F(OptionFormTest, SwitchingMultiUserEitherWayCopiesTheSettingsAndTheLogFromTheOldPlaceToTheNew)
{
    const QString sUser = LoginUserName();
    const QString sShared = Path("Parvane2");
    const QString sOwn = Path(QStringLiteral("Parvane2 -") + sUser + u'-');
    const auto write = [](const QString& sFile, const QByteArray& bytes) {
        QFile file(sFile);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const auto read = [](const QString& sFile) {
        QFile file(sFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    for (const bool bOn : {true, false}) {
        const QString sFrom = bOn ? sShared : sOwn;
        const QString sTo = bOn ? sOwn : sShared;
        ASSERT_TRUE(write(sFrom + QStringLiteral(".INI"), "[Option]\r\nFrom=1\r\n"));
        ASSERT_TRUE(write(sTo + QStringLiteral(".INI"), "[Option]\r\nTo=1\r\n"));
        ASSERT_TRUE(write(sFrom + QStringLiteral(".LOG"), "the old place's log"));
        ASSERT_TRUE(write(sTo + QStringLiteral(".LOG"), "the new place's log"));
        WindowsUserName = bOn ? QString() : sUser;
        FileBaseName = bOn ? sShared : sOwn;
        TOptionForm& form = Open();
        form.cbCustomizeMultiUser->setChecked(bOn);
        form.btUpdateClick();
        EXPECT_EQ(FileBaseName, sTo) << bOn;
        const IniFile moved(sTo + QStringLiteral(".INI"));
        EXPECT_TRUE(moved.ValueExists(SectionOption, QStringLiteral("From"))) << bOn;
        EXPECT_FALSE(moved.ValueExists(SectionOption, QStringLiteral("To"))) << bOn;
        EXPECT_EQ(read(sTo + QStringLiteral(".LOG")), "the old place's log") << bOn;
        EXPECT_EQ(read(sFrom + QStringLiteral(".LOG")), "the old place's log") << bOn;
        OptionFormRelease();
    }
}

TEST_F(OptionFormTest, AReadOnlyUserFileKeepsTheSharedModeAndPutsTheBoxBack)
{
    const QString sUserIni = Path(QStringLiteral("Parvane2 -") + LoginUserName() + QStringLiteral("-.INI"));
    QFile user(sUserIni);
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.write("old");
    user.close();
    ::chmod(sUserIni.toLocal8Bit().constData(), 0444);
    TOptionForm& form = Open();
    form.cbCustomizeMultiUser->setChecked(true);
    FBoxes.clear();
    form.btOkClick();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("設定ファイルの移行に失敗しました。")));
    EXPECT_TRUE(
        FBoxes[0].sText.endsWith(QStringLiteral("マルチユーザ機能を有効にすることができませんでした。")));
    EXPECT_FALSE(form.cbCustomizeMultiUser->isChecked());
    EXPECT_TRUE(WindowsUserName.isEmpty());
    EXPECT_FALSE(QFile::exists(Path("Parvane2.INI")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_NE(OptionForm, nullptr);
}

TEST_F(OptionFormTest, EnterInACheckBoxRunsOk)
{
    TOptionForm& form = Open();
    QPointer<TOptionForm> guard(&form);
    form.cbCustomizeLog->setChecked(false);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form.cbCustomizeLog, &enter);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    EXPECT_FALSE(CustomizeLog);
    EXPECT_FALSE(IniFile(Path("Parvane2.INI")).ReadBool(SectionOption, QStringLiteral("CustomizeLog"), true));
}

TEST_F(OptionFormTest, TheWheelScrollsNinePixelsANotch)
{
    TOptionForm& form = Open();
    form.pcOption->setCurrentWidget(form.tsCustomize);
    form.resize(form.width(), 400);
    QCoreApplication::processEvents();
    QScrollBar* bar = form.sbCustomize->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 30);
    bar->setValue(20);
    const auto wheel = [&](int iDelta) {
        QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, iDelta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form.sbCustomize->viewport(), &event);
    };
    wheel(-120);
    EXPECT_EQ(bar->value(), 29);
    wheel(120);
    wheel(120);
    EXPECT_EQ(bar->value(), 11);
    wheel(0);
    EXPECT_EQ(bar->value(), 11);
}

TEST_F(OptionFormTest, HelpOpensTheControlsTopicOnTheHelpPage)
{
    EXPECT_EQ(HelpFileUrl(76).toString(), QUrl::fromLocalFile(ProgramDirectory + "Parvane2.html").toString() +
                                              QStringLiteral("#topic76"));
    TUrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    TOptionForm& form = Open();
    form.FormHelp(form.btUpdate);
    form.FormHelp(form.edNetworkPortNo);
    form.FormHelp(form.tsProfile);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(recorder.urls.size(), 2);
    EXPECT_EQ(recorder.urls[0].fragment(), QStringLiteral("topic78"));
    EXPECT_EQ(recorder.urls[1].fragment(), QStringLiteral("topic116"));
}

// Every help number a control of the window carries has its topic on the installed page.
TEST_F(OptionFormTest, EveryControlsHelpTopicIsOnTheInstalledHelpPage)
{
    QFile page(QFileInfo(QStringLiteral(PARVANE2_PATH)).absolutePath() + u'/' + HelpFileName);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << qPrintable(page.fileName());
    const QString sPage = QString::fromUtf8(page.readAll());
    TOptionForm& form = Open();
    int iControls = 0;
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        const int iHelp = w->property("HelpContext").toInt();
        if (iHelp <= 0)
            continue;
        ++iControls;
        EXPECT_TRUE(sPage.contains(QStringLiteral("id=\"topic%1\"").arg(iHelp)))
            << iHelp << " " << w->objectName().toStdString();
    }
    EXPECT_GT(iControls, 50);
}

TEST_F(OptionFormTest, PagesShowTheStylesTabBodyAndTheirButtonsItsColour)
{
    TOptionForm& form = Open();
    form.pcOption->setCurrentWidget(form.tsPassword);
    form.grab();
    form.pcOption->setCurrentWidget(form.tsNetwork);
    form.grab();
    const QPixmap& body = form.pcOption->BackGround();
    ASSERT_FALSE(body.isNull());
    EXPECT_EQ(body.size(), form.tsNetwork->size());
    const QImage image = body.toImage();
    const QPoint centre(form.tsProfile->width() / 2, form.tsProfile->height() / 2);
    // A button placed on a page takes the body's colour at its centre.
    QPushButton probe(form.tsProfile);
    probe.setGeometry(centre.x() - 10, centre.y() - 5, 20, 10);
    EXPECT_EQ(form.pcOption->BackgroundColorAt(&probe), QColor(image.pixel(centre)));
    // The colour is looked up at the centre of a control's place on its page; the
    // password's button lies in the page's body, which shows the page through.
    const QRect place(form.btPasswordOk->mapTo(form.tsPassword, QPoint(0, 0)), form.btPasswordOk->size());
    const QPoint at = place.center();
    ASSERT_TRUE(image.rect().contains(at));
    EXPECT_EQ(form.pcOption->BackgroundColorAt(form.btPasswordOk), QColor(image.pixel(at)));
    form.pcOption->Change();
    EXPECT_EQ(probe.palette().color(QPalette::Button), QColor(image.pixel(centre)));
    EXPECT_EQ(form.btPasswordOk->palette().color(QPalette::Button), QColor(image.pixel(at)));
}

} // namespace

#include "OptionUnitTest.moc"

// The page keys turn the page from every control that can hold the focus, on the
// page or below it, also those that take other keys for themselves (the away
// kinds' list of choices searches its items by the text of a key).
TEST_F(OptionFormTest, CtrlTabAndCtrlPageDownTurnThePageWhereverTheFocusIs)
{
    TOptionForm& form = Open();
    form.show();
    const struct {
        int iKey;
        Qt::KeyboardModifiers modifiers;
        const char* sText;
        int iStep;
    } keys[] = {{Qt::Key_Tab, Qt::ControlModifier, "\t", 1},
                {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, "", -1},
                {Qt::Key_PageDown, Qt::ControlModifier, "", 1},
                {Qt::Key_PageUp, Qt::ControlModifier, "", -1}};
    QList<int> pages;
    for (int i = 0; i < form.pcOption->count(); ++i)
        if (form.pcOption->isTabVisible(i))
            pages << i;
    ASSERT_EQ(pages.size(), 6);
    int iControls = 0;
    for (const auto& key : keys) {
        for (qsizetype p = 0; p < pages.size(); ++p) {
            form.pcOption->setCurrentIndex(pages[p]);
            QCoreApplication::processEvents();
            for (QWidget* w : form.findChildren<QWidget*>()) {
                if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) ||
                    w->focusProxy() != nullptr)
                    continue;
                form.pcOption->setCurrentIndex(pages[p]);
                w->setFocus();
                ASSERT_EQ(form.focusWidget(), w) << w->metaObject()->className();
                TestSupport::KeyPress(w, key.iKey, key.modifiers, QString::fromLatin1(key.sText));
                const qsizetype iNext = (p + key.iStep + pages.size()) % pages.size();
                EXPECT_EQ(form.pcOption->currentIndex(), pages[iNext])
                    << "from " << w->metaObject()->className() << " " << qPrintable(w->objectName())
                    << " on page " << pages[p] << ", key " << key.iKey;
                ++iControls;
            }
        }
    }
    // The controls of every page, the tab bar and the buttons below the pages.
    EXPECT_GT(iControls, 4 * (pages.size() + 3));
}
