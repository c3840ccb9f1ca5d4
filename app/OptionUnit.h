#pragma once

#include "OptionRules.h"
#include "ProgramWindows.h"
#include "Settings.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <variant>
#include <vector>

class TOptionInputForm;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScreen;
class QScrollArea;
class QToolButton;
class TFolderDialog;
class THotKeyEx;
class TOpenDialogEx;
class TPageControlEx;

// The options window: every user setting on seven pages, behind an optional
// password. Nothing takes effect before the apply (btUpdateClick), which checks
// the entries, moves the files when the multi-user mode changes, puts every
// value into effect through the settings store (SettingsStore.h), which tells
// whoever follows them, and writes the [Option] section. While it is open the
// store says the settings are being edited, and the hot keys are let go so the
// hot-key fields can take them.
class TOptionForm : public QWidget {
    Q_OBJECT

public:
    explicit TOptionForm(const TOptionOwner& owner = TOptionOwner());
    ~TOptionForm() override;

    // ---- Handlers
    void btOkClick();
    void btCancelClick();
    void btUpdateClick();
    void btPasswordOkClick();
    void edHandleNameChange();
    // Every dependent control usable as its switch says (OptionDependencies).
    void DependentsEnable();
    void cbEventAbsenceHideClick();
    void lbNetworkListClick();
    void cbCustomizeMultiUserClick();
    void cbAbsenceClick();
    void mmAbsenceMessageChange();
    void btAbsenceAddClick();
    void btAbsenceRenameClick();
    void btAbsenceDeleteClick();
    void btNetworkAddClick();
    void btNetworkDeleteClick();
    void btNoticeShowTestClick();
    void sbCustomizeSoundPlayClick(int n);
    void sbCustomizeSoundSearchClick(int n);
    void sbCustomizeFileSaveSetPathClick();
    // The help of the control: its help number's topic on the help page.
    void FormHelp(QWidget* control);

    // The pages that are shown, in order (the lock page alone while locked).
    QList<QWidget*> VisiblePages() const;
    // The input dialog that is open, or none.
    QWidget* OpenDialog() const { return PrDialog; }
    // The monitor of the owner, or the primary one without it.
    QScreen* OwnerScreen() const;

    // ---- The window's parts, named as in its layout
    TPageControlEx* pcOption = nullptr;
    QWidget* tsProfile = nullptr;
    QWidget* tsAbsence = nullptr;
    QWidget* tsEvent = nullptr;
    QWidget* tsSound = nullptr;
    QWidget* tsCustomize = nullptr;
    QWidget* tsNetwork = nullptr;
    QWidget* tsPassword = nullptr;
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;
    QPushButton* btUpdate = nullptr;

    QLineEdit* edHandleName = nullptr;
    QLineEdit* edMachineName = nullptr;
    QPlainTextEdit* mmIPAddress = nullptr;

    QComboBox* cbAbsence = nullptr;
    QPushButton* btAbsenceAdd = nullptr;
    QPushButton* btAbsenceRename = nullptr;
    QPushButton* btAbsenceDelete = nullptr;
    QPlainTextEdit* mmAbsenceMessage = nullptr;

    QCheckBox* cbEventOtherLogin = nullptr;
    QCheckBox* cbEventOtherLogout = nullptr;
    QCheckBox* cbEventOtherChatLogin = nullptr;
    QCheckBox* cbNoticeChatLoginAnytime = nullptr;
    QCheckBox* cbEventOtherChatLogout = nullptr;
    QCheckBox* cbNoticeChatLogoutAnytime = nullptr;
    QCheckBox* cbEventRecv = nullptr;
    QCheckBox* cbEventMessageOpen = nullptr;
    QCheckBox* cbEventOtherAbsence = nullptr;
    QCheckBox* cbEventOtherNonAbsence = nullptr;
    QComboBox* cbNoticePosition = nullptr;
    QPushButton* btNoticeShowTest = nullptr;
    QCheckBox* cbNoticeAutoClose = nullptr;
    QCheckBox* cbNoticeAutoCloseAbsenceCancel = nullptr;
    QCheckBox* cbEventAbsenceHide = nullptr;

    QScrollArea* sbSound = nullptr;
    QRadioButton* rbCustomizeSoundOff = nullptr;
    QRadioButton* rbCustomizeSoundBeep = nullptr;
    QRadioButton* rbCustomizeSoundWave = nullptr;
    // Indexed by control number - 1, so entry k edits CustomizeSoundFile[k].
    std::array<QLabel*, SoundFileCount> laCustomizeSoundFile{};
    std::array<QLineEdit*, SoundFileCount> edCustomizeSoundFile{};
    std::array<QToolButton*, SoundFileCount> sbCustomizeSoundPlay{};
    std::array<QToolButton*, SoundFileCount> sbCustomizeSoundSearch{};
    QComboBox* cbAnimationMouse = nullptr;
    QComboBox* cbAnimationTaskTrayIcon = nullptr;

    QScrollArea* sbCustomize = nullptr;
    QCheckBox* cbCustomizeMultiUser = nullptr;
    QCheckBox* cbCustomizeTaskTray = nullptr;
    QCheckBox* cbCustomizeTaskBar = nullptr;
    QCheckBox* cbCustomizeRecvWithMessage = nullptr;
    QCheckBox* cbCustomizeChatLocate = nullptr;
    QCheckBox* cbCustomizeIME = nullptr;
    QCheckBox* cbCustomizeLog = nullptr;
    QCheckBox* cbCustomizeReloginMessage = nullptr;
    QCheckBox* cbCustomizeEnd = nullptr;
    QCheckBox* cbCustomizeSecurityData = nullptr;
    QCheckBox* cbSecurityFileRecvCancel = nullptr;
    QCheckBox* cbSecurityFileRecvCancelAbsence = nullptr;
    QCheckBox* cbCustomizeLetter = nullptr;
    QCheckBox* cbSecurityLetter = nullptr;
    QLabel* laSecurityLetterPassword = nullptr;
    QLineEdit* edSecurityLetterPassword = nullptr;
    QCheckBox* cbSecurityOption = nullptr;
    QLabel* laSecurityOptionPassword = nullptr;
    QLineEdit* edSecurityOptionPassword = nullptr;
    QCheckBox* cbSecurityLog = nullptr;
    QLabel* laSecurityLogPassword = nullptr;
    QLineEdit* edSecurityLogPassword = nullptr;
    QCheckBox* cbCustomizeAutoRecv = nullptr;
    QCheckBox* cbCustomizeAutoRecvAbsence = nullptr;
    QCheckBox* cbCustomizeReplyHide = nullptr;
    QCheckBox* cbCustomizeSendHide = nullptr;
    QCheckBox* cbCustomizeShowTopMost = nullptr;
    QRadioButton* rbCustomizeFileSaveRun = nullptr;
    QRadioButton* rbCustomizeFileSaveLast = nullptr;
    QRadioButton* rbCustomizeFileSaveSet = nullptr;
    QLabel* laCustomizeFileSaveSetPath = nullptr;
    QLineEdit* edCustomizeFileSaveSetPath = nullptr;
    QToolButton* sbCustomizeFileSaveSetPath = nullptr;
    QCheckBox* cbCustomizeTaskHideLog = nullptr;
    QCheckBox* cbCustomizeTaskHideSend = nullptr;
    QCheckBox* cbCustomizeTaskHideFileSend = nullptr;
    QCheckBox* cbCustomizeTaskHideChat = nullptr;
    QCheckBox* cbCustomizeTaskHideGlobalChat = nullptr;
    QCheckBox* cbCustomizeTaskHideAbsence = nullptr;
    QCheckBox* cbCustomizeStartLogin = nullptr;
    QCheckBox* cbCustomizeStartFormHide = nullptr;
    QCheckBox* cbCustomizeStartVersionCheck = nullptr;
    std::array<THotKeyEx*, HotKeyCount> hkCustomizeHotKey{};

    QListWidget* lbNetworkList = nullptr;
    QPushButton* btNetworkAdd = nullptr;
    QPushButton* btNetworkDelete = nullptr;
    QCheckBox* cbNetworkPort = nullptr;
    QLabel* laNetworkPort = nullptr;
    QLineEdit* edNetworkPortNo = nullptr;
    QLabel* laNetworkFTPPort = nullptr;
    QLineEdit* edNetworkFTPPortNo = nullptr;

    QLineEdit* edPassword = nullptr;
    QPushButton* btPasswordOk = nullptr;

    TOpenDialogEx* NOpenDialog = nullptr;
    TFolderDialog* NSF = nullptr;

    bool PrClose = false;
    bool PrShown = false;
    TAbsenceMessage PrAbsenceMessage;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A page whose body scrolls vertically in area: gives the body to fill.
    QWidget* ScrollPageCreate(const QString& sCaption, const QString& sHeader, QWidget*& page,
                              const QString& sPageName, QScrollArea*& area, const QString& sAreaName);
    void CreatePages();
    void CreateProfilePage();
    void CreateAbsencePage();
    void CreateEventPage();
    void CreateSoundPage();
    void CreateCustomizePage();
    void CreateNetworkPage();
    void CreatePasswordPage();
    void CreateButtons();
    void ConnectHandlers();
    QWidget* PageCreate(const QString& sCaption, const QString& sHeader, QWidget*& page,
                        const QString& sPageName);
    void FormCreate();
    // The failed check shown: its page active, its control selected and focused, the warning.
    void RefusalShow(const TOptionRefusal& refusal);
    void LabelEnable(QLabel* label, bool bEnabled);
    // Runs a dialog as the options window's child: the window disabled meanwhile.
    void DialogPlace(QWidget* dialog);
    // Runs one of the input dialogs over this window, which waits disabled, and
    // calls accepted when its text was accepted; nothing after a close of this
    // window meanwhile. bModal: exec; else shown while events go on.
    void InputDialogRun(TOptionInputForm& dialog, bool bModal, const std::function<void()>& accepted);

    TOptionOwner PrOwner;
    QPointer<QWidget> PrDialog;
    // A programmatic change of the multi-user box asks no question.
    bool PrMultiUserQuiet = false;
};

// A check box, edit, list of choices or hot-key field, by its name: the key
// table's control of a setting (TOptionKey::control).
struct TOptionNamedControl {
    QString sName;
};
// The port switch and the port edits: while the command line gives the ports,
// they show its ports and take nothing.
struct TOptionPortSwitch {
    QCheckBox* TOptionForm::*box;
};
struct TOptionPortEdit {
    QLineEdit* TOptionForm::*edit;
    const int* pOverride;
};
// Radio buttons that together show one number: each button and the number it
// stands for. A number none stands for checks none; with none checked the last is taken.
struct TOptionChoiceGroup {
    std::vector<std::pair<QRadioButton * TOptionForm::*, int>> buttons;
};

// One control of the options window and the setting it shows and takes: a check
// box a Boolean, an edit a text, a list of choices an item index, a hot-key field
// its key, a choice group its number, a port edit its port. The setting's key in
// the file is its variable's (OptionKeyName). Every row of the key table that
// names a control is a row here; the handle name, the choice groups and the
// ports are added to them. Both the fill-in and the apply run over these rows;
// the multi-user box, which moves files, is filled in and taken beside them.
struct TOptionControlRow {
    std::variant<TOptionNamedControl, TOptionChoiceGroup, TOptionPortSwitch, TOptionPortEdit> control;
    std::variant<bool*, QString*, int*> setting;
};
const std::vector<TOptionControlRow>& OptionControlRows();

// A switch and the controls usable only while it is on: a check box or radio
// button of the window, and the controls it enables.
struct TOptionDependency {
    QAbstractButton* (*source)(const TOptionForm&);
    std::vector<QWidget*> (*dependents)(const TOptionForm&);
    // A further condition the switch alone does not hold (the ports the command line fixes).
    bool (*also)() = nullptr;
};
const std::vector<TOptionDependency>& OptionDependencies();

// The one options window while it is open.
inline TOptionForm* OptionForm = nullptr;

// Opens the options window beside its owner, or brings it (or its open input
// dialog) to the front.
void OptionFormShow(const TOptionOwner& owner = TOptionOwner());
// Frees the options window when it is open; its teardown ends the editing, and
// the hot keys are registered again.
void OptionFormRelease();
