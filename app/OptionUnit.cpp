#include "OptionUnit.h"

#include "CommandLine.h"
#include "CommonForm.h"
#include "EventSound.h"
#include "FolderDialog.h"
#include "HelpFile.h"
#include "HotKeyEx.h"
#include "IniFile.h"
#include "MemoEx.h"
#include "MessageBox.h"
#include "NoticeUnit.h"
#include "OpenDialogEx.h"
#include "OptionAbsenceAddUnit.h"
#include "OptionAbsenceNameUnit.h"
#include "OptionNetworkAddUnit.h"
#include "PageControlEx.h"
#include "ParvaneNetwork.h"
#include "ProjectImages.h"
#include "SettingsStore.h"
#include "TaskIcon.h"
#include "UserName.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <QWheelEvent>

namespace {

const QSize kDesignClientSize(453, 366);
// Between the window's edge, the pages and the buttons.
constexpr int kFormMargin = 6;
// Between the rows of a page: its check boxes stand as close as the layout drew them.
constexpr int kRowSpacing = 2;
constexpr int kWheelStep = 9;
constexpr int kPortDigits = 5;
constexpr int kAbsenceMessageLength = 1024;
const char* const kHelpContext = "HelpContext";
const char* const kEnterOk = "EnterOk";

const QString kCaption = QStringLiteral("オプション - Parvane 2");
const QString kNoAbsenceSelected = QStringLiteral("不在の種類を選択してください。");
const QString kMultiUserOnQuestion = QStringLiteral("以前、マルチユーザ機能を使用したことがある場合は、ユーザ"
                                                    "毎に設定ファイルとログファイルが保存されています。"
                                                    "\rこの機能を有効にして適用すると、現在ログオンしているユ"
                                                    "ーザの以前の設定とログファイルが現在のものに上書き"
                                                    "保存されます。\r\rこの機能を有効にしますか？");
const QString kMultiUserOffQuestion = QStringLiteral(
    "この機能を解除して適用すると、以前の全ユーザに対する設定とログファイルが現在のものに上書き保存"
    "されます。\rこの機能を解除いたしますか？");
const QString kAbsenceDeleteQuestion = QStringLiteral(" を削除してもよろしいですか？");
const QString kAbsenceFull = QStringLiteral("不在の種類はこれ以上追加できません。");
const QString kNetworkDeleteQuestion = QStringLiteral("選択されているアドレスを削除します。よろしいですか？");
const QString kPortNote = QStringLiteral("ポート番号の設定は、Parvane 2を再起動後に有効になります。");
const QString kSoundFilter = QStringLiteral("WAVEファイル(*.WAV)|*.WAV");
const QString kSoundTitle = QStringLiteral("Parvane 2 -サウンドファイル選択-");
const QString kFolderInformation =
    QStringLiteral("ファイルを受信した際に保存するデフォルトのパスを選択してください。");
const QString kHeaderBlanks = QStringLiteral("     ");

void Warn(const QString& sText)
{
    MessageBoxShow(sText, ApplicationTitle, MessageBox::MB_ICONWARNING);
}

void Inform(const QString& sText)
{
    MessageBoxShow(sText, ApplicationTitle, MessageBox::MB_ICONINFORMATION);
}

// The help topic of a control (F1 and the context help).
QWidget* ControlHelp(QWidget* w, int iHelp)
{
    w->setProperty(kHelpContext, iHelp);
    return w;
}

// Enter in the control runs OK.
void EnterOkSet(QWidget* w)
{
    w->setProperty(kEnterOk, true);
}

// A check box by its name; for the boxes of no [Option] setting's (the
// multi-user mode, the port switch) the name is written here.
QCheckBox* CheckBoxNamed(QCheckBox*& box, const QString& sName, const QString& sCaption, int iHelp,
                         QWidget* parent, const QString& sHint = QString())
{
    box = new QCheckBox(sCaption, parent);
    box->setObjectName(sName);
    ControlHelp(box, iHelp);
    EnterOkSet(box);
    if (!sHint.isEmpty())
        box->setToolTip(sHint);
    return box;
}

// The name of the setting's control in its row of the key table.
QString OptionControlName(const bool& setting)
{
    for (const std::vector<TOptionKey>& keys : {OptionKeysBeforeAbsence(), OptionKeysAfterAbsence()})
        for (const TOptionKey& key : keys)
            if (const auto* pFlag = std::get_if<bool*>(&key.variable); pFlag && *pFlag == &setting)
                return key.control;
    return QString();
}

// The setting's check box, named as its row of the key table says: the fill-in
// and the apply find it by that name.
QCheckBox* CheckBoxMake(QCheckBox*& box, const bool& setting, const QString& sCaption, int iHelp,
                        QWidget* parent, const QString& sHint = QString())
{
    return CheckBoxNamed(box, OptionControlName(setting), sCaption, iHelp, parent, sHint);
}

// The same for a box that no other code of the window names (a new setting's
// needs no member).
[[maybe_unused]] QCheckBox* CheckBoxMake(const bool& setting, const QString& sCaption, int iHelp,
                                         QWidget* parent, const QString& sHint = QString())
{
    QCheckBox* box = nullptr;
    return CheckBoxMake(box, setting, sCaption, iHelp, parent, sHint);
}

QRadioButton* RadioMake(QRadioButton*& button, const char* name, const QString& sCaption, int iHelp,
                        QWidget* parent)
{
    button = new QRadioButton(sCaption, parent);
    button->setObjectName(QString::fromLatin1(name));
    ControlHelp(button, iHelp);
    EnterOkSet(button);
    return button;
}

QLineEdit* EditMake(QLineEdit*& line, const char* name, int iHelp, QWidget* parent)
{
    line = new QLineEdit(parent);
    line->setObjectName(QString::fromLatin1(name));
    ControlHelp(line, iHelp);
    EnterOkSet(line);
    return line;
}

QComboBox* ComboMake(QComboBox*& box, const char* name, int iHelp, const QStringList& slItems,
                     QWidget* parent)
{
    box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(slItems);
    ControlHelp(box, iHelp);
    EnterOkSet(box);
    return box;
}

QPushButton* ButtonMake(QPushButton*& b, const char* name, const QString& sCaption, int iHelp,
                        QWidget* parent)
{
    b = new QPushButton(sCaption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    ControlHelp(b, iHelp);
    return b;
}

// A control set in under the one it depends on.
QHBoxLayout* Indented(QWidget* w)
{
    auto* row = new QHBoxLayout;
    row->addSpacing(16);
    row->addWidget(w, 1);
    return row;
}

QLabel* BuddyLabel(const QString& sText, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(sText, parent);
    l->setBuddy(buddy);
    return l;
}

QLabel* SectionTitle(const QString& sTitle, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<span style=\"color:#ff0000; font-weight:bold;\">■</span>"
                                  "<span style=\"color:#008080; font-weight:bold;\">%1</span>")
                       .arg(sTitle.toHtmlEscaped()));
    return label;
}

// Shows a row's setting in its control. A stored choice outside the list shows
// the layout's first item; ports from the command line are shown and fixed.
void OptionControlFill(TOptionForm& form, const TOptionControlRow& row)
{
    std::visit(
        [&form](const auto& control, auto setting) {
            using C = std::decay_t<decltype(control)>;
            using S = decltype(setting);
            if constexpr (std::is_same_v<C, TOptionNamedControl>) {
                QWidget* widget = form.findChild<QWidget*>(control.sName);
                if constexpr (std::is_same_v<S, bool*>) {
                    if (auto* box = qobject_cast<QCheckBox*>(widget))
                        box->setChecked(*setting);
                } else if constexpr (std::is_same_v<S, QString*>) {
                    if (auto* edit = qobject_cast<QLineEdit*>(widget))
                        edit->setText(*setting);
                } else if (auto* field = qobject_cast<THotKeyEx*>(widget)) {
                    field->SetHotKey(TShortCut(*setting));
                } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                    combo->setCurrentIndex(std::clamp(*setting, 0, combo->count() - 1));
                }
            } else if constexpr (std::is_same_v<C, TOptionPortSwitch> && std::is_same_v<S, bool*>) {
                QCheckBox* box = form.*control.box;
                if (PortOverrideMsg != -1) {
                    box->setChecked(true);
                    box->setEnabled(false);
                } else {
                    box->setChecked(*setting);
                }
            } else if constexpr (std::is_same_v<C, TOptionPortEdit> && std::is_same_v<S, int*>) {
                (form.*control.edit)
                    ->setText(QString::number(PortOverrideMsg != -1 ? *control.pOverride : *setting));
            } else if constexpr (std::is_same_v<C, TOptionChoiceGroup> && std::is_same_v<S, int*>) {
                for (const auto& [button, iValue] : control.buttons)
                    if (iValue == *setting)
                        (form.*button)->setChecked(true);
            }
        },
        row.control, row.setting);
}

// Takes a row's setting from its control, through the settings store; ports from
// the command line are not the user's and are not taken.
void OptionControlTake(const TOptionForm& form, const TOptionControlRow& row)
{
    TSettingsStore& store = SettingsStore();
    std::visit(
        [&form, &store](const auto& control, auto setting) {
            using C = std::decay_t<decltype(control)>;
            using S = decltype(setting);
            if constexpr (std::is_same_v<C, TOptionNamedControl>) {
                QWidget* widget = form.findChild<QWidget*>(control.sName);
                if constexpr (std::is_same_v<S, bool*>) {
                    if (auto* box = qobject_cast<QCheckBox*>(widget))
                        store.Set(*setting, box->isChecked());
                } else if constexpr (std::is_same_v<S, QString*>) {
                    if (auto* edit = qobject_cast<QLineEdit*>(widget))
                        store.Set(*setting, edit->text());
                } else if (auto* field = qobject_cast<THotKeyEx*>(widget)) {
                    store.Set(*setting, int(field->HotKey()));
                } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                    store.Set(*setting, combo->currentIndex());
                }
            } else if constexpr (std::is_same_v<C, TOptionPortSwitch> && std::is_same_v<S, bool*>) {
                if (PortOverrideMsg == -1)
                    store.Set(*setting, (form.*control.box)->isChecked());
            } else if constexpr (std::is_same_v<C, TOptionPortEdit> && std::is_same_v<S, int*>) {
                if (PortOverrideMsg == -1)
                    store.Set(*setting, OptionPortValue((form.*control.edit)->text(), *setting));
            } else if constexpr (std::is_same_v<C, TOptionChoiceGroup> && std::is_same_v<S, int*>) {
                int iChosen = control.buttons.back().second;
                for (const auto& [button, iValue] : control.buttons)
                    if ((form.*button)->isChecked()) {
                        iChosen = iValue;
                        break;
                    }
                store.Set(*setting, iChosen);
            }
        },
        row.control, row.setting);
}

} // namespace

// ---------------------------------------------------------------- opening

const std::vector<TOptionControlRow>& OptionControlRows()
{
    using F = TOptionForm;
    static const std::vector<TOptionControlRow> rows = [] {
        std::vector<TOptionControlRow> all = {
            {TOptionNamedControl{QStringLiteral("edHandleName")}, &HandleName},
            {TOptionChoiceGroup{{{&F::rbCustomizeFileSaveRun, FileSaveProgramFolder},
                                 {&F::rbCustomizeFileSaveLast, FileSaveLastFolder},
                                 {&F::rbCustomizeFileSaveSet, FileSaveSetFolder}}},
             &CustomizeFileSave},
            {TOptionChoiceGroup{{{&F::rbCustomizeSoundOff, SoundKindNone},
                                 {&F::rbCustomizeSoundBeep, SoundKindBeep},
                                 {&F::rbCustomizeSoundWave, SoundKindWave}}},
             &CustomizeSoundKind},
            {TOptionPortSwitch{&F::cbNetworkPort}, &NetworkPort},
            {TOptionPortEdit{&F::edNetworkPortNo, &PortOverrideMsg}, &NetworkPortNo},
            {TOptionPortEdit{&F::edNetworkFTPPortNo, &PortOverrideFile}, &NetworkFTPPortNo},
        };
        for (const std::vector<TOptionKey>& keys : {OptionKeysBeforeAbsence(), OptionKeysAfterAbsence()})
            for (const TOptionKey& key : keys) {
                if (key.control.isEmpty())
                    continue;
                const TOptionNamedControl control{key.control};
                std::visit(
                    [&all, &control](auto variable) {
                        if constexpr (std::is_same_v<decltype(variable), TOptionPassword>)
                            all.push_back({control, variable.text});
                        else
                            all.push_back({control, variable});
                    },
                    key.variable);
            }
        return all;
    }();
    return rows;
}

const std::vector<TOptionDependency>& OptionDependencies()
{
    using F = TOptionForm;
    using W = std::vector<QWidget*>;
    static const std::vector<TOptionDependency> rows = {
        {[](const F& f) -> QAbstractButton* { return f.cbCustomizeTaskTray; },
         [](const F& f) {
             return W{f.cbCustomizeTaskBar,        f.cbCustomizeTaskHideLog,
                      f.cbCustomizeTaskHideSend,   f.cbCustomizeTaskHideFileSend,
                      f.cbCustomizeTaskHideChat,   f.cbCustomizeTaskHideGlobalChat,
                      f.cbCustomizeTaskHideAbsence};
         }},
        {[](const F& f) -> QAbstractButton* { return f.cbSecurityFileRecvCancel; },
         [](const F& f) { return W{f.cbSecurityFileRecvCancelAbsence}; }},
        {[](const F& f) -> QAbstractButton* { return f.cbCustomizeAutoRecv; },
         [](const F& f) { return W{f.cbCustomizeAutoRecvAbsence}; }},
        {[](const F& f) -> QAbstractButton* { return f.cbEventOtherChatLogin; },
         [](const F& f) { return W{f.cbNoticeChatLoginAnytime}; }},
        {[](const F& f) -> QAbstractButton* { return f.cbEventOtherChatLogout; },
         [](const F& f) { return W{f.cbNoticeChatLogoutAnytime}; }},
        {[](const F& f) -> QAbstractButton* { return f.cbSecurityLetter; },
         [](const F& f) {
             return W{f.edSecurityLetterPassword, f.laSecurityLetterPassword};
         }},
        {[](const F& f) -> QAbstractButton* { return f.cbSecurityOption; },
         [](const F& f) {
             return W{f.edSecurityOptionPassword, f.laSecurityOptionPassword};
         }},
        {[](const F& f) -> QAbstractButton* { return f.cbSecurityLog; },
         [](const F& f) {
             return W{f.edSecurityLogPassword, f.laSecurityLogPassword};
         }},
        {[](const F& f) -> QAbstractButton* { return f.rbCustomizeFileSaveSet; },
         [](const F& f) {
             return W{f.edCustomizeFileSaveSetPath, f.sbCustomizeFileSaveSetPath,
                      f.laCustomizeFileSaveSetPath};
         }},
        {[](const F& f) -> QAbstractButton* { return f.rbCustomizeSoundWave; },
         [](const F& f) {
             W dependents;
             for (size_t k = 0; k < SoundFileCount; ++k)
                 dependents.insert(dependents.end(),
                                   {f.laCustomizeSoundFile[k], f.edCustomizeSoundFile[k],
                                    f.sbCustomizeSoundPlay[k], f.sbCustomizeSoundSearch[k]});
             return dependents;
         }},
        {[](const F& f) -> QAbstractButton* { return f.cbNetworkPort; },
         [](const F& f) {
             return W{f.laNetworkPort, f.laNetworkFTPPort, f.edNetworkPortNo, f.edNetworkFTPPortNo};
         },
         [] { return PortOverrideMsg == -1; }},
    };
    return rows;
}

void OptionFormShow(const TOptionOwner& owner)
{
    if (OptionForm) {
        if (OptionForm->OpenDialog())
            WindowForeground(OptionForm->OpenDialog());
        else
            WindowForeground(OptionForm);
        return;
    }
    OptionForm = new TOptionForm(owner);
    QScreen* monitor = OptionForm->OwnerScreen();
    const QRect bounds = monitor ? monitor->geometry() : QRect();
    const QRect workArea = monitor ? monitor->availableGeometry() : QRect();
    const QSize size = OptionForm->size();
    if (const QWidget* beside = owner.window; beside && beside->isVisible()) {
        // Held by its frame, which the window manager draws only once it shows: the owner's
        // frame, drawn by the same manager, is the guess until then.
        const QSize frameExtra = beside->frameGeometry().size() - beside->size();
        const QRect frame(beside->pos() + QPoint(10, 30), size + frameExtra);
        OptionForm->move(HoldOnMonitor(frame, bounds, workArea));
        HoldOnMonitorWhenFramed(OptionForm, bounds, workArea);
    } else {
        OptionForm->move(bounds.left() + (bounds.width() - size.width()) / 2,
                         bounds.top() + (bounds.height() - size.height()) / 2);
    }
    OptionForm->show();
    WindowForeground(OptionForm);
}

void OptionFormRelease()
{
    delete OptionForm;
}

// ---------------------------------------------------------------- creation

QScreen* TOptionForm::OwnerScreen() const
{
    if (PrOwner.window && PrOwner.window->screen())
        return PrOwner.window->screen();
    return QGuiApplication::primaryScreen();
}

TOptionForm::TOptionForm(const TOptionOwner& owner) : PrOwner(owner)
{
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    CreatePages();
    FormCreate();
}

QWidget* TOptionForm::PageCreate(const QString& sCaption, const QString& sHeader, QWidget*& page,
                                 const QString& sPageName)
{
    page = new QWidget;
    page->setObjectName(sPageName);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    // The header strip: black, white bold text after the picture.
    auto* strip = new QLabel(kHeaderBlanks + sHeader, page);
    strip->setObjectName(QStringLiteral("pnHeader"));
    strip->setAutoFillBackground(true);
    strip->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPalette colours = strip->palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, Qt::white);
    strip->setPalette(colours);
    QFont bold = strip->font();
    bold.setBold(true);
    strip->setFont(bold);
    strip->setFixedHeight(22);
    strip->setIndent(10);
    auto* picture = new QLabel(strip);
    picture->setPixmap(ProjectImages::OptionHeaderImage());
    picture->setGeometry(6, 3, 16, 16);
    layout->addWidget(strip);
    auto* body = new QWidget(page);
    body->setObjectName(QStringLiteral("pnBody"));
    layout->addWidget(body, 1);
    pcOption->addTab(page, sCaption);
    return body;
}

QWidget* TOptionForm::ScrollPageCreate(const QString& sCaption, const QString& sHeader, QWidget*& page,
                                       const QString& sPageName, QScrollArea*& area, const QString& sAreaName)
{
    QWidget* body = PageCreate(sCaption, sHeader, page, sPageName);
    auto* outer = new QVBoxLayout(body);
    outer->setContentsMargins(0, 0, 0, 0);
    area = new QScrollArea(body);
    area->setObjectName(sAreaName);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(area);
    auto* box = new QWidget;
    area->setWidget(box);
    // The wheel scrolls the area by the window's own step.
    area->viewport()->installEventFilter(this);
    return box;
}

void TOptionForm::CreatePages()
{
    pcOption = new TPageControlEx(this);
    pcOption->setObjectName(QStringLiteral("pcOption"));
    pcOption->tabBar()->setMouseTracking(true);
    CreateProfilePage();
    CreateAbsencePage();
    CreateEventPage();
    CreateSoundPage();
    CreateCustomizePage();
    CreateNetworkPage();
    CreatePasswordPage();
    CreateButtons();
    ConnectHandlers();
    pcOption->Loaded();
    // Drawn for this size in the windows' font; the border is fixed (SystemMenuTrim).
    resize(kDesignClientSize);
}

// The own handle name, computer name and addresses.
void TOptionForm::CreateProfilePage()
{
    QWidget* body =
        PageCreate(QStringLiteral("プロファイル"), QStringLiteral("個人情報を設定、閲覧することができます。"),
                   tsProfile, QStringLiteral("tsProfile"));
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(SectionTitle(QStringLiteral("設定"), body));
    EditMake(edHandleName, "edHandleName", 73, body);
    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(QStringLiteral("ハンドル名"), edHandleName, body), edHandleName);
    layout->addLayout(form);
    layout->addWidget(SectionTitle(QStringLiteral("情報"), body));
    auto* info = new QFormLayout;
    EditMake(edMachineName, "edMachineName", 74, body);
    edMachineName->setReadOnly(true);
    edMachineName->setBackgroundRole(QPalette::Button);
    mmIPAddress = new QPlainTextEdit(body);
    mmIPAddress->setObjectName(QStringLiteral("mmIPAddress"));
    mmIPAddress->setReadOnly(true);
    mmIPAddress->setBackgroundRole(QPalette::Button);
    ControlHelp(mmIPAddress, 75);
    info->addRow(BuddyLabel(QStringLiteral("コンピュータ名"), edMachineName, body), edMachineName);
    info->addRow(BuddyLabel(QStringLiteral("IPアドレス"), mmIPAddress, body), mmIPAddress);
    layout->addLayout(info);
    layout->addStretch(1);
}

// The away kinds and the message of the one chosen.
void TOptionForm::CreateAbsencePage()
{
    QWidget* body =
        PageCreate(QStringLiteral("不在"), QStringLiteral("複数の不在メッセージを設定することができます。"),
                   tsAbsence, QStringLiteral("tsAbsence"));
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(SectionTitle(QStringLiteral("不在メッセージ設定"), body));
    auto* row = new QHBoxLayout;
    ComboMake(cbAbsence, "cbAbsence", 80, {}, body);
    row->addWidget(BuddyLabel(QStringLiteral("不在の種類"), cbAbsence, body));
    row->addWidget(cbAbsence, 1);
    row->addWidget(ButtonMake(btAbsenceAdd, "btAbsenceAdd", QStringLiteral("追加(&N)"), 81, body));
    row->addWidget(ButtonMake(btAbsenceRename, "btAbsenceRename", QStringLiteral("名前変更(&R)"), 82, body));
    row->addWidget(ButtonMake(btAbsenceDelete, "btAbsenceDelete", QStringLiteral("削除(&D)"), 83, body));
    layout->addLayout(row);
    auto* memo = new TMemoEx(body);
    memo->SetMaxLength(kAbsenceMessageLength);
    mmAbsenceMessage = memo;
    mmAbsenceMessage->setObjectName(QStringLiteral("mmAbsenceMessage"));
    ControlHelp(mmAbsenceMessage, 84);
    mmAbsenceMessage->setFont(QFont(QStringLiteral("ＭＳ ゴシック")));
    mmAbsenceMessage->setTabChangesFocus(true);
    layout->addWidget(BuddyLabel(QStringLiteral("不在メッセージ"), mmAbsenceMessage, body));
    layout->addWidget(mmAbsenceMessage, 1);
}

// Which events make a notice, where it shows and when it closes.
void TOptionForm::CreateEventPage()
{
    QWidget* body = PageCreate(QStringLiteral("通知"),
                               QStringLiteral("イベントの通知についての設定をすることができます。"), tsEvent,
                               QStringLiteral("tsEvent"));
    auto* columns = new QHBoxLayout(body);
    auto* left = new QVBoxLayout;
    left->setSpacing(kRowSpacing);
    left->addWidget(SectionTitle(QStringLiteral("通知するイベント"), body));
    const QString sAnytimeHint =
        QStringLiteral("自分がチャットに参加していない状態でも通知されるようにします");
    left->addWidget(CheckBoxMake(cbEventOtherLogin, NoticeLogin, QStringLiteral("ユーザのログイン"), 86, body,
                                 QStringLiteral("他のユーザがログインした時に通知します")));
    left->addWidget(CheckBoxMake(cbEventOtherLogout, NoticeLogout, QStringLiteral("ユーザのログアウト"), 87,
                                 body, QStringLiteral("他のユーザがログアウトした時に通知します")));
    left->addWidget(CheckBoxMake(cbEventOtherChatLogin, NoticeChatLogin,
                                 QStringLiteral("ユーザのチャットログイン"), 151, body,
                                 QStringLiteral("他のユーザがチャットへログインした時に通知します")));
    left->addLayout(
        Indented(CheckBoxMake(cbNoticeChatLoginAnytime, NoticeChatLoginAnytime,
                              QStringLiteral("参加状態に限らず通知する"), 89, body, sAnytimeHint)));
    left->addWidget(CheckBoxMake(cbEventOtherChatLogout, NoticeChatLogout,
                                 QStringLiteral("ユーザのチャットログアウト"), 152, body,
                                 QStringLiteral("他のユーザがチャットからログアウトした時に通知します")));
    left->addLayout(
        Indented(CheckBoxMake(cbNoticeChatLogoutAnytime, NoticeChatLogoutAnytime,
                              QStringLiteral("参加状態に限らず通知する"), 89, body, sAnytimeHint)));
    left->addWidget(CheckBoxMake(cbEventRecv, NoticeRecv, QStringLiteral("メッセージの受信"), 90, body,
                                 QStringLiteral("メッセージを受信した時に通知します")));
    left->addWidget(CheckBoxMake(cbEventMessageOpen, NoticeMessageOpen,
                                 QStringLiteral("送信したメッセージの開封"), 91, body,
                                 QStringLiteral("送信したメッセージが開封された時に通知します")));
    left->addWidget(CheckBoxMake(cbEventOtherAbsence, NoticeAbsence, QStringLiteral("ユーザの不在設定"), 88,
                                 body, QStringLiteral("他のユーザが不在状態になった時に通知します")));
    left->addWidget(CheckBoxMake(cbEventOtherNonAbsence, NoticeNonAbsence,
                                 QStringLiteral("ユーザの不在設定解除"), 89, body,
                                 QStringLiteral("他のユーザが不在状態を解除した時に通知します")));
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->setSpacing(kRowSpacing);
    right->addWidget(SectionTitle(QStringLiteral("表示位置"), body));
    ComboMake(cbNoticePosition, "cbNoticePosition", 0,
              {QStringLiteral("左上"), QStringLiteral("中央上"), QStringLiteral("右上"),
               QStringLiteral("中央"), QStringLiteral("左下"), QStringLiteral("中央下"),
               QStringLiteral("右下")},
              body);
    cbNoticePosition->setToolTip(QStringLiteral("通知が表示される位置を設定します"));
    right->addWidget(cbNoticePosition);
    ButtonMake(btNoticeShowTest, "btNoticeShowTest", QStringLiteral("表示テスト(&T)"), 0, body);
    btNoticeShowTest->setToolTip(QStringLiteral("通知をテスト表示します"));
    right->addWidget(btNoticeShowTest);
    right->addWidget(SectionTitle(QStringLiteral("表示"), body));
    right->addWidget(
        CheckBoxMake(cbNoticeAutoClose, NoticeAutoClose, QStringLiteral("一定時間後に自動で閉じる"), 29, body,
                     QStringLiteral("通知が表示された一定時間後に通知を自動で閉じるようにします")));
    right->addLayout(Indented(CheckBoxMake(
        cbNoticeAutoCloseAbsenceCancel, NoticeAutoCloseAbsenceCancel, QStringLiteral("不在設定時は閉じない"),
        29, body, QStringLiteral("自分が不在設定をしている間は自動で通知が閉じないようにします"))));
    right->addWidget(CheckBoxMake(cbEventAbsenceHide, NoticeAbsenceHide,
                                  QStringLiteral("不在設定時は通知しない"), 29, body,
                                  QStringLiteral("自分が不在設定をしている間は通知されないようにします")));
    right->addStretch(1);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
}

// The sounds and the animations of the events.
void TOptionForm::CreateSoundPage()
{
    QWidget* box =
        ScrollPageCreate(QStringLiteral("効果"), QStringLiteral("イベント時の効果を設定することができます。"),
                         tsSound, QStringLiteral("tsSound"), sbSound, QStringLiteral("sbSound"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(SectionTitle(QStringLiteral("サウンド"), box));
    layout->addWidget(RadioMake(rbCustomizeSoundOff, "rbCustomizeSoundOff",
                                QStringLiteral("サウンドを使用しない"), 104, box));
    layout->addWidget(RadioMake(rbCustomizeSoundBeep, "rbCustomizeSoundBeep",
                                QStringLiteral("イベント時にBEEP音を鳴らす"), 105, box));
    layout->addWidget(RadioMake(rbCustomizeSoundWave, "rbCustomizeSoundWave",
                                QStringLiteral("イベント時に以下のWAVEファイルを鳴らす"), 106, box));
    rbCustomizeSoundWave->setChecked(true);
    // Screen order of the rows: the event, caption, help number. A row's control
    // number is its event's number + 1.
    const struct {
        TEventSound sound;
        const char* sCaption;
        int iHelp;
    } rows[] = {{SoundLogin, "ユーザログイン", 107},          {SoundLogout, "ユーザログアウト", 108},
                {SoundMessage, "メッセージ受信", 109},        {SoundFileRecv, "ファイル受信", 169},
                {SoundChatLogin, "チャットログイン", 167},    {SoundChatLogout, "チャットログアウト", 168},
                {SoundChatMessage, "チャットメッセージ", 79}, {SoundControl, "通信制御", 170}};
    auto* grid = new QGridLayout;
    grid->setContentsMargins(16, 0, 0, 0);
    const QIcon play = ProjectImages::SoundButtonImage();
    const QIcon search = ProjectImages::SearchButtonImage();
    int r = 0;
    for (const auto& row : rows) {
        const int k = row.sound;
        const int n = k + 1;
        QLineEdit*& field = edCustomizeSoundFile[size_t(k)];
        EditMake(field, QStringLiteral("edCustomizeSoundFile%1").arg(n).toLatin1().constData(), row.iHelp,
                 box);
        laCustomizeSoundFile[size_t(k)] = BuddyLabel(QString::fromUtf8(row.sCaption), field, box);
        auto* playButton = new QToolButton(box);
        playButton->setObjectName(QStringLiteral("sbCustomizeSoundPlay%1").arg(n));
        playButton->setIcon(play);
        playButton->setToolTip(QStringLiteral("テスト再生"));
        auto* searchButton = new QToolButton(box);
        searchButton->setObjectName(QStringLiteral("sbCustomizeSoundSearch%1").arg(n));
        searchButton->setIcon(search);
        searchButton->setToolTip(QStringLiteral("ファイル参照"));
        sbCustomizeSoundPlay[size_t(k)] = playButton;
        sbCustomizeSoundSearch[size_t(k)] = searchButton;
        connect(playButton, &QToolButton::clicked, this, [this, k] { sbCustomizeSoundPlayClick(k + 1); });
        connect(searchButton, &QToolButton::clicked, this, [this, k] { sbCustomizeSoundSearchClick(k + 1); });
        grid->addWidget(laCustomizeSoundFile[size_t(k)], r, 0);
        grid->addWidget(field, r, 1);
        grid->addWidget(playButton, r, 2);
        grid->addWidget(searchButton, r, 3);
        ++r;
    }
    layout->addLayout(grid);
    layout->addWidget(SectionTitle(QStringLiteral("メッセージ受信アニメーション"), box));
    auto* animations = new QFormLayout;
    ComboMake(cbAnimationMouse, "cbAnimationMouse", 117,
              {QStringLiteral("（アニメーションなし）"), QStringLiteral("サークル"),
               QStringLiteral("スクエア"), QStringLiteral("シューティング ライト")},
              box);
    ComboMake(cbAnimationTaskTrayIcon, "cbAnimationTaskTrayIcon", 172,
              {QStringLiteral("（アニメーションなし）"), QStringLiteral("点滅"), QStringLiteral("流星")},
              box);
    animations->addRow(BuddyLabel(QStringLiteral("マウスポインタ"), cbAnimationMouse, box), cbAnimationMouse);
    animations->addRow(BuddyLabel(QStringLiteral("タスクトレイアイコン"), cbAnimationTaskTrayIcon, box),
                       cbAnimationTaskTrayIcon);
    layout->addLayout(animations);
    layout->addStretch(1);
    auto* group = new QButtonGroup(box);
    for (QRadioButton* b : {rbCustomizeSoundOff, rbCustomizeSoundBeep, rbCustomizeSoundWave})
        group->addButton(b);
}

// Behaviour, security, windows, received files, tray menu, start and hot keys.
void TOptionForm::CreateCustomizePage()
{
    QWidget* box = ScrollPageCreate(
        QStringLiteral("カスタマイズ"), QStringLiteral("より使いやすくカスタマイズすることができます。"),
        tsCustomize, QStringLiteral("tsCustomize"), sbCustomize, QStringLiteral("sbCustomize"));
    auto* layout = new QVBoxLayout(box);
    auto add = [&](QWidget* w) { layout->addWidget(w); };
    auto password = [&](QLabel*& l, QLineEdit*& e, const char* name, int iHelp) {
        EditMake(e, name, iHelp, box);
        e->setEchoMode(QLineEdit::Password);
        l = BuddyLabel(QStringLiteral("パスワード"), e, box);
        auto* row = new QHBoxLayout;
        row->addSpacing(16);
        row->addWidget(l);
        row->addWidget(e, 1);
        layout->addLayout(row);
    };
    add(SectionTitle(QStringLiteral("一般動作"), box));
    add(CheckBoxNamed(cbCustomizeMultiUser, "cbCustomizeMultiUser",
                      QStringLiteral("Windowsのログオンユーザ毎に設定とログを管理する"), 143, box));
    add(CheckBoxMake(cbCustomizeTaskTray, CustomizeTaskTray, QStringLiteral("タスクトレイを使用する"), 98,
                     box));
    layout->addLayout(Indented(
        CheckBoxMake(cbCustomizeTaskBar, CustomizeTaskBar,
                     QStringLiteral("最小化時にメインウィンドウをタスクバーに表示しない"), 99, box)));
    add(CheckBoxMake(cbCustomizeRecvWithMessage, CustomizeRecvWithMessage,
                     QStringLiteral("返信時に元のメッセージを引用する"), 118, box));
    add(CheckBoxMake(cbCustomizeChatLocate, CustomizeChatLocate,
                     QStringLiteral("チャットの発言内容をハンドル名の隣に表示する"), 150, box));
    add(CheckBoxMake(cbCustomizeIME, CustomizeIME, QStringLiteral("IMEを自動的に起動する"), 153, box));
    add(CheckBoxMake(cbCustomizeLog, CustomizeLog, QStringLiteral("メッセージのログを保存する"), 119, box));
    add(CheckBoxMake(cbCustomizeReloginMessage, CustomizeReloginMessage,
                     QStringLiteral("自動再ログイン時にメッセージを表示する"), 103, box));
    add(CheckBoxMake(cbCustomizeEnd, CustomizeEnd, QStringLiteral("終了時に確認する"), 131, box));
    add(SectionTitle(QStringLiteral("セキュリティ"), box));
    add(CheckBoxMake(cbCustomizeSecurityData, CustomizeSecurityData,
                     QStringLiteral("メッセージを暗号化して送信する"), 154, box));
    add(CheckBoxMake(cbSecurityFileRecvCancel, SecurityFileRecvCancel,
                     QStringLiteral("ファイルの受信要求を自動的に拒否する"), 155, box));
    layout->addLayout(Indented(CheckBoxMake(cbSecurityFileRecvCancelAbsence, SecurityFileRecvCancelAbsence,
                                            QStringLiteral("不在設定時のみ拒否する"), 38, box)));
    add(CheckBoxMake(cbCustomizeLetter, CustomizeLetter, QStringLiteral("受信メッセージを全て封書扱いにする"),
                     148, box));
    add(CheckBoxMake(cbSecurityLetter, SecurityLetter,
                     QStringLiteral("封書メッセージを閲覧する時にパスワードを要求する"), 8, box));
    password(laSecurityLetterPassword, edSecurityLetterPassword, "edSecurityLetterPassword", 12);
    add(CheckBoxMake(cbSecurityOption, SecurityOption,
                     QStringLiteral("オプション画面を開く時にパスワードを要求する"), 45, box));
    password(laSecurityOptionPassword, edSecurityOptionPassword, "edSecurityOptionPassword", 52);
    add(CheckBoxMake(cbSecurityLog, SecurityLog, QStringLiteral("ログビューアを開く時にパスワードを要求する"),
                     56, box));
    password(laSecurityLogPassword, edSecurityLogPassword, "edSecurityLogPassword", 60);
    add(SectionTitle(QStringLiteral("ウィンドウ"), box));
    add(CheckBoxMake(cbCustomizeAutoRecv, CustomizeAutoRecv,
                     QStringLiteral("メッセージ受信時に受信ウィンドウを開く"), 120, box));
    layout->addLayout(
        Indented(CheckBoxMake(cbCustomizeAutoRecvAbsence, CustomizeAutoRecvAbsence,
                              QStringLiteral("不在設定時は受信ウィンドウを開かない"), 144, box)));
    add(CheckBoxMake(cbCustomizeReplyHide, CustomizeReplyHide,
                     QStringLiteral("返信時に受信ウィンドウを閉じる"), 121, box));
    add(CheckBoxMake(cbCustomizeSendHide, CustomizeSendHide,
                     QStringLiteral("メッセージ送信後にメインウィンドウを閉じる"), 122, box));
    add(CheckBoxMake(cbCustomizeShowTopMost, CustomizeShowTopMost,
                     QStringLiteral("メインウィンドウを常に手前に表示する"), 102, box));
    add(SectionTitle(QStringLiteral("ファイル受信"), box));
    add(RadioMake(rbCustomizeFileSaveRun, "rbCustomizeFileSaveRun",
                  QStringLiteral("起動フォルダをデフォルトの保存先に設定する"), 158, box));
    add(RadioMake(rbCustomizeFileSaveLast, "rbCustomizeFileSaveLast",
                  QStringLiteral("前回保存したフォルダをデフォルトの保存先に設定する"), 159, box));
    add(RadioMake(rbCustomizeFileSaveSet, "rbCustomizeFileSaveSet",
                  QStringLiteral("デフォルトの保存先を手動で設定する"), 160, box));
    rbCustomizeFileSaveSet->setChecked(true);
    {
        EditMake(edCustomizeFileSaveSetPath, "edCustomizeFileSaveSetPath", 161, box);
        laCustomizeFileSaveSetPath = BuddyLabel(QStringLiteral("保存先"), edCustomizeFileSaveSetPath, box);
        sbCustomizeFileSaveSetPath = new QToolButton(box);
        sbCustomizeFileSaveSetPath->setObjectName(QStringLiteral("sbCustomizeFileSaveSetPath"));
        sbCustomizeFileSaveSetPath->setIcon(ProjectImages::SearchButtonImage());
        sbCustomizeFileSaveSetPath->setToolTip(QStringLiteral("保存先参照"));
        connect(sbCustomizeFileSaveSetPath, &QToolButton::clicked, this,
                &TOptionForm::sbCustomizeFileSaveSetPathClick);
        auto* row = new QHBoxLayout;
        row->addSpacing(16);
        row->addWidget(laCustomizeFileSaveSetPath);
        row->addWidget(edCustomizeFileSaveSetPath, 1);
        row->addWidget(sbCustomizeFileSaveSetPath);
        layout->addLayout(row);
    }
    auto* saveGroup = new QButtonGroup(box);
    for (QRadioButton* b : {rbCustomizeFileSaveRun, rbCustomizeFileSaveLast, rbCustomizeFileSaveSet})
        saveGroup->addButton(b);
    add(SectionTitle(QStringLiteral("タスクトレイメニュー"), box));
    add(CheckBoxMake(cbCustomizeTaskHideLog, CustomizeTaskHideLog,
                     QStringLiteral("タスクトレイメニューに「ログビューア」項目を表示しない"), 162, box));
    add(CheckBoxMake(cbCustomizeTaskHideSend, CustomizeTaskHideSend,
                     QStringLiteral("タスクトレイメニューに「メッセージ送信」項目を表示しない"), 163, box));
    add(CheckBoxMake(cbCustomizeTaskHideFileSend, CustomizeTaskHideFileSend,
                     QStringLiteral("タスクトレイメニューに「ファイル送信」項目を表示しない"), 6, box));
    add(CheckBoxMake(cbCustomizeTaskHideChat, CustomizeTaskHideChat,
                     QStringLiteral("タスクトレイメニューに「チャット」項目を表示しない"), 165, box));
    add(CheckBoxMake(cbCustomizeTaskHideGlobalChat, CustomizeTaskHideGlobalChat,
                     QStringLiteral("タスクトレイメニューに「グローバルチャット」項目を表示しない"), 164,
                     box));
    add(CheckBoxMake(cbCustomizeTaskHideAbsence, CustomizeTaskHideAbsence,
                     QStringLiteral("タスクトレイメニューに「不在」項目を表示しない"), 166, box));
    add(SectionTitle(QStringLiteral("起動動作"), box));
    add(CheckBoxMake(cbCustomizeStartLogin, CustomizeStartLogin, QStringLiteral("起動時にログインする"), 100,
                     box));
    add(CheckBoxMake(cbCustomizeStartFormHide, CustomizeStartFormHide,
                     QStringLiteral("起動時にメインウィンドウを表示しない"), 101, box));
    add(CheckBoxMake(cbCustomizeStartVersionCheck, CustomizeStartVersionCheck,
                     QStringLiteral("起動時に新しいバージョンが公開されているか確認する"), 101, box));
    add(SectionTitle(QStringLiteral("ホットキー"), box));
    const struct {
        const char* sCaption;
        int iHelp;
    } keys[] = {{"メインウィンドウ表示", 135},
                {"メッセージ送信", 136},
                {"メッセージ受信", 137},
                {"ファイル送信", 66},
                {"ログビューア表示", 72}};
    auto* hotKeys = new QFormLayout;
    hotKeys->setContentsMargins(16, 0, 0, 0);
    for (size_t k = 0; k < HotKeyCount; ++k) {
        auto* field = new THotKeyEx(box);
        field->setObjectName(QStringLiteral("hkCustomizeHotKey%1").arg(k + 1));
        field->SetInvalidKeys(hcNone | hcShift | hcCtrl | hcAlt);
        field->SetModifiers(hkCtrl | hkAlt);
        ControlHelp(field, keys[k].iHelp);
        hkCustomizeHotKey[k] = field;
        hotKeys->addRow(BuddyLabel(QString::fromUtf8(keys[k].sCaption), field, box), field);
        field->OnUpdate = [this](QObject*) { edHandleNameChange(); };
    }
    layout->addLayout(hotKeys);
    layout->addStretch(1);
}

// The extra addresses and the ports.
void TOptionForm::CreateNetworkPage()
{
    QWidget* body = PageCreate(QStringLiteral("ネットワーク"),
                               QStringLiteral("ネットワークに関する設定をすることができます。"), tsNetwork,
                               QStringLiteral("tsNetwork"));
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(SectionTitle(QStringLiteral("直接メッセージを送るアドレス"), body));
    layout->addWidget(
        new QLabel(QStringLiteral("直接メッセージを送るコンピュータを指定することができます。\n"
                                  "通信できないコンピュータがある場合に指定してください。\n"
                                  "アドレスを設定し合うことでインターネット経由での通信も可能です。"),
                   body));
    auto* row = new QHBoxLayout;
    lbNetworkList = new QListWidget(body);
    lbNetworkList->setObjectName(QStringLiteral("lbNetworkList"));
    lbNetworkList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ControlHelp(lbNetworkList, 113);
    EnterOkSet(lbNetworkList);
    row->addWidget(lbNetworkList, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ButtonMake(btNetworkAdd, "btNetworkAdd", QStringLiteral("追加(&N)"), 114, body));
    buttons->addWidget(ButtonMake(btNetworkDelete, "btNetworkDelete", QStringLiteral("削除(&D)"), 115, body));
    buttons->addStretch(1);
    row->addLayout(buttons);
    layout->addLayout(row, 1);
    layout->addWidget(SectionTitle(QStringLiteral("使用ポート番号"), body));
    layout->addWidget(
        new QLabel(QStringLiteral("使用するポート番号を指定することができます。\n"
                                  "特定の人のみと通信したい場合や、他のアプリケーションとポート番号が競合\n"
                                  "している場合に設定してください。"),
                   body));
    layout->addWidget(
        CheckBoxNamed(cbNetworkPort, "cbNetworkPort", QStringLiteral("使用ポート番号を指定する"), 11, body));
    auto* ports = new QHBoxLayout;
    ports->addSpacing(16);
    EditMake(edNetworkPortNo, "edNetworkPortNo", 116, body);
    EditMake(edNetworkFTPPortNo, "edNetworkFTPPortNo", 173, body);
    for (QLineEdit* e : {edNetworkPortNo, edNetworkFTPPortNo}) {
        e->setMaxLength(kPortDigits);
        e->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    laNetworkPort = BuddyLabel(QStringLiteral("メッセージポート"), edNetworkPortNo, body);
    laNetworkFTPPort = BuddyLabel(QStringLiteral("ファイル転送ポート"), edNetworkFTPPortNo, body);
    ports->addWidget(laNetworkPort);
    ports->addWidget(edNetworkPortNo);
    ports->addSpacing(12);
    ports->addWidget(laNetworkFTPPort);
    ports->addWidget(edNetworkFTPPortNo);
    ports->addStretch(1);
    layout->addLayout(ports);
}

// The page a locked window shows alone: the password.
void TOptionForm::CreatePasswordPage()
{
    QWidget* body = PageCreate(QStringLiteral("パスワード"),
                               QStringLiteral("オプションを設定するにはパスワードが必要です。"), tsPassword,
                               QStringLiteral("tsPassword"));
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(SectionTitle(QStringLiteral("パスワード要求"), body));
    layout->addWidget(new QLabel(QStringLiteral("セキュリティにより、オプションの変更がロックされています。\n"
                                                "ロックを解除するにはパスワードが必要です。"),
                                 body));
    auto* row = new QHBoxLayout;
    edPassword = new QLineEdit(body);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    ControlHelp(edPassword, 85);
    row->addWidget(BuddyLabel(QStringLiteral("パスワード"), edPassword, body));
    row->addWidget(edPassword, 1);
    row->addWidget(ButtonMake(btPasswordOk, "btPasswordOk", QStringLiteral("OK(&E)"), 97, body));
    layout->addLayout(row);
    layout->addStretch(1);
}

// OK, cancel and apply under the pages.
void TOptionForm::CreateButtons()
{
    btOk = new QPushButton(QStringLiteral("OK(&O)"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setProperty(kHelpContext, 76);
    btCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    btCancel->setProperty(kHelpContext, 77);
    btUpdate = new QPushButton(QStringLiteral("適用(&A)"), this);
    btUpdate->setObjectName(QStringLiteral("btUpdate"));
    btUpdate->setProperty(kHelpContext, 78);
    for (QPushButton* b : {btOk, btCancel, btUpdate})
        b->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kFormMargin, kFormMargin, kFormMargin, kFormMargin);
    layout->setSpacing(kFormMargin);
    layout->addWidget(pcOption, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    buttons->addWidget(btUpdate);
    layout->addLayout(buttons);
}

// Every control's handler, the keys of the window and its dialogs.
void TOptionForm::ConnectHandlers()
{
    connect(btOk, &QPushButton::clicked, this, &TOptionForm::btOkClick);
    connect(btCancel, &QPushButton::clicked, this, &TOptionForm::btCancelClick);
    connect(btUpdate, &QPushButton::clicked, this, &TOptionForm::btUpdateClick);
    connect(btPasswordOk, &QPushButton::clicked, this, &TOptionForm::btPasswordOkClick);
    connect(edPassword, &QLineEdit::returnPressed, this, &TOptionForm::btPasswordOkClick);
    const auto changed = [this] { edHandleNameChange(); };
    for (QLineEdit* e :
         {edHandleName, edCustomizeFileSaveSetPath, edSecurityLetterPassword, edSecurityOptionPassword,
          edSecurityLogPassword, edNetworkPortNo, edNetworkFTPPortNo})
        connect(e, &QLineEdit::textChanged, this, changed);
    for (QLineEdit* e : edCustomizeSoundFile)
        connect(e, &QLineEdit::textChanged, this, changed);
    for (QComboBox* c : {cbNoticePosition, cbAnimationMouse, cbAnimationTaskTrayIcon})
        connect(c, &QComboBox::currentIndexChanged, this, changed);
    // The switches of the dependencies and every choice of a group set what is usable.
    std::vector<std::pair<QAbstractButton*, void (TOptionForm::*)()>> own = {
        {cbNoticeAutoClose, &TOptionForm::cbEventAbsenceHideClick},
        {cbNoticeAutoCloseAbsenceCancel, &TOptionForm::cbEventAbsenceHideClick},
        {cbCustomizeMultiUser, &TOptionForm::cbCustomizeMultiUserClick},
    };
    for (const TOptionDependency& dependency : OptionDependencies())
        own.emplace_back(dependency.source(*this), &TOptionForm::DependentsEnable);
    for (const TOptionControlRow& row : OptionControlRows())
        if (const auto* group = std::get_if<TOptionChoiceGroup>(&row.control))
            for (const auto& [button, iValue] : group->buttons)
                own.emplace_back(this->*button, &TOptionForm::DependentsEnable);
    for (const auto& [b, handler] : own)
        connect(b, &QAbstractButton::toggled, this, handler);
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        const bool bOwn =
            std::any_of(own.begin(), own.end(), [box](const auto& p) { return p.first == box; });
        if (!bOwn)
            connect(box, &QCheckBox::toggled, this, changed);
    }
    connect(cbAbsence, &QComboBox::activated, this, [this] { cbAbsenceClick(); });
    connect(mmAbsenceMessage, &QPlainTextEdit::textChanged, this, &TOptionForm::mmAbsenceMessageChange);
    connect(btAbsenceAdd, &QPushButton::clicked, this, &TOptionForm::btAbsenceAddClick);
    connect(btAbsenceRename, &QPushButton::clicked, this, &TOptionForm::btAbsenceRenameClick);
    connect(btAbsenceDelete, &QPushButton::clicked, this, &TOptionForm::btAbsenceDeleteClick);
    connect(lbNetworkList, &QListWidget::itemSelectionChanged, this, &TOptionForm::lbNetworkListClick);
    connect(btNetworkAdd, &QPushButton::clicked, this, &TOptionForm::btNetworkAddClick);
    connect(btNetworkDelete, &QPushButton::clicked, this, &TOptionForm::btNetworkDeleteClick);
    connect(btNoticeShowTest, &QPushButton::clicked, this, &TOptionForm::btNoticeShowTestClick);

    // Enter runs OK from the fields that take no line breaks of their own.
    for (QWidget* w : findChildren<QWidget*>())
        if (w->property(kEnterOk).toBool())
            w->installEventFilter(this);
    // F1 (and the title bar's help button where the window manager has one) opens
    // the help of the control under focus or under the pointer.
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] { FormHelp(QApplication::focusWidget()); });
    qApp->installEventFilter(this);

    NOpenDialog = new TOpenDialogEx(this);
    NOpenDialog->SetFilter(kSoundFilter);
    NOpenDialog->SetTitle(kSoundTitle);
    NOpenDialog->setFileMode(QFileDialog::ExistingFile);
    NSF = new TFolderDialog(this);
    NSF->SetInformation(kFolderInformation);
}

void TOptionForm::FormCreate()
{
    SystemMenuTrim(this);
    if (CustomizeShowTopMost)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // No display time is set for the hints: Qt keeps one up for ten seconds, and
    // longer for long ones, which is the time asked for.

    PrAbsenceMessage = AbsenceMessage;
    edMachineName->setText(PrOwner.sMachineName);
    mmIPAddress->setPlainText(PrOwner.slIPAddress.join(u'\n'));
    {
        const QSignalBlocker quiet(cbCustomizeMultiUser);
        cbCustomizeMultiUser->setChecked(!WindowsUserName.isEmpty());
    }

    for (const TOptionControlRow& row : OptionControlRows())
        OptionControlFill(*this, row);

    for (const TAbsenceMessageSub& kind : PrAbsenceMessage) {
        if (kind.sTitle.isEmpty())
            break;
        cbAbsence->addItem(kind.sTitle);
    }
    cbAbsence->setCurrentIndex(-1);
    for (const QString& address : NetworkBroadcast.split(TParvaneNetwork::FieldSeparator)) {
        if (address.isEmpty())
            break;
        lbNetworkList->addItem(address);
    }
    sbSound->verticalScrollBar()->setValue(0);
    sbCustomize->verticalScrollBar()->setValue(0);

    DependentsEnable();
    cbEventAbsenceHideClick();
    cbAbsenceClick();
    lbNetworkListClick();
    btUpdate->setEnabled(false);

    const bool bLocked = SecurityOption;
    for (int i = 0; i < pcOption->count(); ++i)
        pcOption->setTabVisible(i, (pcOption->widget(i) == tsPassword) == bLocked);
    pcOption->setCurrentWidget(bLocked ? tsPassword : tsProfile);

    SettingsStore().EditingSet(true);
}

TOptionForm::~TOptionForm()
{
    qApp->removeEventFilter(this);
    // An input dialog still open ends its loop; its caller finds this window gone.
    if (PrDialog)
        PrDialog->close();
    SettingsStore().EditingSet(false);
    if (OptionForm == this)
        OptionForm = nullptr;
}

void TOptionForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The first show only: the re-show that applies the top-most setting keeps the
    // focus where the user was.
    if (PrShown)
        return;
    PrShown = true;
    if (pcOption->currentWidget() == tsProfile)
        edHandleName->setFocus();
    else
        edPassword->setFocus();
}

void TOptionForm::closeEvent(QCloseEvent* event)
{
    // An open input dialog belongs to this window; it goes first.
    if (PrDialog)
        PrDialog->close();
    event->accept();
}

QList<QWidget*> TOptionForm::VisiblePages() const
{
    QList<QWidget*> pages;
    for (int i = 0; i < pcOption->count(); ++i)
        if (pcOption->isTabVisible(i))
            pages << pcOption->widget(i);
    return pages;
}

// ---------------------------------------------------------------- keyboard, wheel and help

bool TOptionForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WhatsThis) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            FormHelp(w);
            QWhatsThis::leaveWhatsThisMode();
            return true;
        }
        return false;
    }
    // The page keys turn the page wherever the focus is in the window, before a
    // control takes them for itself (a list of choices searches by a key's text).
    if (event->type() == QEvent::KeyPress) {
        const int iStep = TPageControlEx::PageKeyStep(*static_cast<QKeyEvent*>(event));
        auto* w = qobject_cast<QWidget*>(watched);
        if (iStep != 0 && w && w->window() == this) {
            pcOption->SelectNextPage(iStep > 0);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched->property(kEnterOk).toBool()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            btOkClick();
            return true;
        }
    }
    if (event->type() == QEvent::Wheel &&
        (watched == sbSound->viewport() || watched == sbCustomize->viewport())) {
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta == 0)
            return false;
        QScrollBar* bar = (watched == sbSound->viewport() ? sbSound : sbCustomize)->verticalScrollBar();
        bar->setValue(bar->value() - kWheelStep * (delta > 0 ? 1 : -1));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TOptionForm::FormHelp(QWidget* control)
{
    // The nearest control with a help number of its own answers for the control.
    for (QWidget* w = control; w && w != this; w = w->parentWidget()) {
        bool ok = false;
        const int iHelp = w->property(kHelpContext).toInt(&ok);
        if (ok && iHelp > 0) {
            HelpShow(iHelp);
            return;
        }
    }
}

// ---------------------------------------------------------------- lock, change tracking, dependencies

void TOptionForm::btPasswordOkClick()
{
    if (edPassword->text() != SecurityOptionPassword) {
        edPassword->selectAll();
        edPassword->setFocus();
        Warn(WrongPasswordText);
        return;
    }
    for (int i = 0; i < pcOption->count(); ++i)
        pcOption->setTabVisible(i, pcOption->widget(i) != tsPassword);
    pcOption->setCurrentWidget(tsProfile);
    edHandleName->setFocus();
}

void TOptionForm::edHandleNameChange()
{
    btUpdate->setEnabled(true);
}

void TOptionForm::LabelEnable(QLabel* label, bool bEnabled)
{
    // Grey like the disabled control beside it.
    label->setEnabled(bEnabled);
}

void TOptionForm::DependentsEnable()
{
    for (const TOptionDependency& dependency : OptionDependencies()) {
        const bool bOn =
            dependency.source(*this)->isChecked() && (dependency.also == nullptr || dependency.also());
        for (QWidget* w : dependency.dependents(*this))
            w->setEnabled(bOn);
    }
    edHandleNameChange();
}

void TOptionForm::cbEventAbsenceHideClick()
{
    cbNoticeAutoCloseAbsenceCancel->setEnabled(cbNoticeAutoClose->isChecked());
    cbEventAbsenceHide->setEnabled(
        !(cbNoticeAutoClose->isChecked() && cbNoticeAutoCloseAbsenceCancel->isChecked()));
    edHandleNameChange();
}

void TOptionForm::lbNetworkListClick()
{
    btNetworkDelete->setEnabled(!lbNetworkList->selectedItems().isEmpty());
}

void TOptionForm::cbCustomizeMultiUserClick()
{
    if (!PrMultiUserQuiet) {
        const bool bChecked = cbCustomizeMultiUser->isChecked();
        bool bKeep = true;
        if (bChecked && WindowsUserName.isEmpty())
            bKeep = AskYes(kMultiUserOnQuestion);
        else if (!bChecked && !WindowsUserName.isEmpty())
            bKeep = AskYes(kMultiUserOffQuestion);
        if (!bKeep) {
            PrMultiUserQuiet = true;
            cbCustomizeMultiUser->setChecked(!bChecked);
            PrMultiUserQuiet = false;
        }
    }
    edHandleNameChange();
}

// ---------------------------------------------------------------- away kinds

void TOptionForm::cbAbsenceClick()
{
    const int i = cbAbsence->currentIndex();
    mmAbsenceMessage->setEnabled(false);
    if (i >= 0) {
        mmAbsenceMessage->setPlainText(PrAbsenceMessage[size_t(i)].sMessage);
        mmAbsenceMessage->setEnabled(true);
    } else {
        mmAbsenceMessage->setPlainText(kNoAbsenceSelected);
    }
    btAbsenceRename->setEnabled(i >= 0);
    btAbsenceDelete->setEnabled(i >= 0);
}

void TOptionForm::mmAbsenceMessageChange()
{
    if (!mmAbsenceMessage->isEnabled())
        return;
    edHandleNameChange();
    const int i = cbAbsence->currentIndex();
    if (i >= 0) {
        // Kept with CR LF line breaks, as the list and the file hold them.
        QString text = mmAbsenceMessage->toPlainText();
        text.replace(u'\n', QStringLiteral("\r\n"));
        PrAbsenceMessage[size_t(i)].sMessage = text;
    }
}

void TOptionForm::DialogPlace(QWidget* dialog)
{
    const QRect own = frameGeometry();
    const QRect frame(own.left() + (own.width() - dialog->width()) / 2,
                      own.top() + (own.height() - dialog->height()) / 2, dialog->width(), dialog->height());
    QScreen* monitor = OwnerScreen();
    if (monitor) {
        dialog->move(HoldOnMonitor(frame, monitor->geometry(), monitor->availableGeometry()));
        HoldOnMonitorWhenFramed(dialog, monitor->geometry(), monitor->availableGeometry());
    } else
        dialog->move(frame.topLeft());
}

void TOptionForm::InputDialogRun(TOptionInputForm& dialog, bool bModal, const std::function<void()>& accepted)
{
    setEnabled(false);
    PrDialog = &dialog;
    DialogPlace(&dialog);
    const QPointer<TOptionForm> self(this);
    if (bModal)
        dialog.exec();
    else
        dialog.RunWithLoop();
    if (!self)
        return;
    if (dialog.PrOkFlag)
        accepted();
    PrDialog = nullptr;
    setEnabled(true);
    WindowForeground(this);
}

void TOptionForm::btAbsenceAddClick()
{
    QStringList slTitles;
    for (int i = 0; i < cbAbsence->count(); ++i)
        slTitles << cbAbsence->itemText(i);
    const int n = cbAbsence->count();
    // There is no entry beyond the hundredth kind.
    if (n >= AbsenceMessageCount) {
        Warn(kAbsenceFull);
        return;
    }
    TOptionAbsenceAddForm dialog(slTitles);
    InputDialogRun(dialog, false, [&] {
        PrAbsenceMessage[size_t(n)].sTitle = dialog.Text();
        cbAbsence->addItem(dialog.Text());
        cbAbsence->setCurrentIndex(n);
        cbAbsenceClick();
        edHandleNameChange();
    });
}

void TOptionForm::btAbsenceRenameClick()
{
    const int i = cbAbsence->currentIndex();
    if (i < 0)
        return;
    QStringList slTitles;
    for (int k = 0; k < cbAbsence->count(); ++k)
        slTitles << cbAbsence->itemText(k);
    TOptionAbsenceNameForm dialog(slTitles, i);
    dialog.edInput->setText(cbAbsence->itemText(i));
    InputDialogRun(dialog, true, [&] {
        PrAbsenceMessage[size_t(i)].sTitle = dialog.Text();
        cbAbsence->setItemText(i, dialog.Text());
        cbAbsence->setCurrentIndex(i);
        cbAbsenceClick();
        edHandleNameChange();
    });
}

void TOptionForm::btAbsenceDeleteClick()
{
    const int i = cbAbsence->currentIndex();
    if (i < 0 || !AskYes(cbAbsence->itemText(i) + kAbsenceDeleteQuestion))
        return;
    for (int k = i; k < AbsenceMessageCount - 1; ++k)
        PrAbsenceMessage[size_t(k)] = PrAbsenceMessage[size_t(k + 1)];
    PrAbsenceMessage[AbsenceMessageCount - 1] = TAbsenceMessageSub();
    cbAbsence->removeItem(i);
    cbAbsence->setCurrentIndex(-1);
    cbAbsenceClick();
    edHandleNameChange();
}

// ---------------------------------------------------------------- extra addresses

void TOptionForm::btNetworkAddClick()
{
    QStringList slList;
    for (int i = 0; i < lbNetworkList->count(); ++i)
        slList << lbNetworkList->item(i)->text();
    TOptionNetworkAddForm dialog(slList);
    InputDialogRun(dialog, false, [&] {
        lbNetworkList->addItem(dialog.Text());
        lbNetworkList->scrollToItem(lbNetworkList->item(lbNetworkList->count() - 1),
                                    QAbstractItemView::PositionAtTop);
        lbNetworkListClick();
        edHandleNameChange();
    });
}

void TOptionForm::btNoticeShowTestClick()
{
    // The place chosen in the window, not yet applied.
    NoticeShow(QStringLiteral("ここにイベントの内容が表示されます。"), cbNoticePosition->currentIndex(),
               true);
}

void TOptionForm::btNetworkDeleteClick()
{
    if (!AskYes(kNetworkDeleteQuestion))
        return;
    for (int i = lbNetworkList->count() - 1; i >= 0; --i)
        if (lbNetworkList->item(i)->isSelected())
            delete lbNetworkList->takeItem(i);
    lbNetworkListClick();
    edHandleNameChange();
}

// ---------------------------------------------------------------- sounds and folders

void TOptionForm::sbCustomizeSoundPlayClick(int n)
{
    SoundFilePlay(edCustomizeSoundFile[size_t(n - 1)]->text());
}

void TOptionForm::sbCustomizeSoundSearchClick(int n)
{
    QLineEdit* field = edCustomizeSoundFile[size_t(n - 1)];
    NOpenDialog->SetInitialDir(field->text());
    if (!NOpenDialog->ExecuteEx(CustomizeShowTopMost))
        return;
    field->setText(NOpenDialog->FileName());
    field->setFocus();
}

void TOptionForm::sbCustomizeFileSaveSetPathClick()
{
    if (!NSF->ExecuteEx(CustomizeShowTopMost))
        return;
    edCustomizeFileSaveSetPath->setText(NSF->Path());
    edCustomizeFileSaveSetPath->setFocus();
}

// ---------------------------------------------------------------- OK, Cancel

void TOptionForm::btOkClick()
{
    PrClose = true;
    if (btUpdate->isEnabled())
        btUpdateClick();
    if (PrClose)
        close();
}

void TOptionForm::btCancelClick()
{
    close();
}

// ---------------------------------------------------------------- the apply

void TOptionForm::RefusalShow(const TOptionRefusal& refusal)
{
    QWidget* pages[] = {tsProfile, tsAbsence, tsEvent, tsSound, tsCustomize, tsNetwork, tsPassword};
    pcOption->setCurrentWidget(pages[int(refusal.Page)]);
    if (refusal.iAbsenceIndex >= 0) {
        cbAbsence->setCurrentIndex(refusal.iAbsenceIndex);
        cbAbsenceClick();
    }
    QWidget* control = findChild<QWidget*>(refusal.sControl);
    if (auto* line = qobject_cast<QLineEdit*>(control))
        line->selectAll();
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(control))
        memo->selectAll();
    if (control)
        control->setFocus();
    Warn(refusal.sText);
}

void TOptionForm::btUpdateClick()
{
    PrClose = false;
    // Ports from the command line are shown, not the user's to fix: only edited ones are checked.
    const TOptionEntries entries{edHandleName->text(), &PrAbsenceMessage,
                                 PortOverrideMsg == -1 && cbNetworkPort->isChecked(), edNetworkPortNo->text(),
                                 edNetworkFTPPortNo->text()};
    if (const auto refusal = OptionApplyCheck(entries)) {
        RefusalShow(*refusal);
        return;
    }

    const bool bMultiUser = cbCustomizeMultiUser->isChecked();
    if (bMultiUser != !WindowsUserName.isEmpty()) {
        // Records still on their way go into the log before it moves.
        SettingsStore().FilesMoveAnnounce();
        if (const auto warning = MultiUserSwitch(bMultiUser, LoginUserName())) {
            Warn(*warning);
            PrMultiUserQuiet = true;
            cbCustomizeMultiUser->setChecked(!bMultiUser);
            PrMultiUserQuiet = false;
            return;
        }
    }
    if (!SettingsWriteMultiUser(bMultiUser)) {
        SettingsSaveErrorShow();
        return;
    }

    PrClose = true;
    TSettingsStore& store = SettingsStore();
    store.Set(AbsenceMessage, PrAbsenceMessage);
    for (const TOptionControlRow& row : OptionControlRows())
        OptionControlTake(*this, row);
    const bool bWritePorts = PortOverrideMsg == -1;
    QStringList slBroadcast;
    for (int i = 0; i < lbNetworkList->count(); ++i)
        slBroadcast << lbNetworkList->item(i)->text();
    store.Set(NetworkBroadcast, slBroadcast.join(TParvaneNetwork::FieldSeparator));
    WindowForeground(this);
    {
        const bool bVisible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, CustomizeShowTopMost);
        if (bVisible)
            show();
    }

    const TSettingsChange change = store.Publish();
    // What the main window changed of its place stays behind this window.
    if (change.Has(CustomizeTaskTray) || change.Has(CustomizeTaskBar) || change.Has(CustomizeShowTopMost))
        WindowForeground(this);

    IniFile ini(SettingsFileName());
    if (!SettingsWriteOption(ini, slBroadcast, bWritePorts))
        SettingsSaveErrorShow();

    if (bWritePorts && (change.Has(NetworkPort) ||
                        (NetworkPort && (change.Has(NetworkPortNo) || change.Has(NetworkFTPPortNo)))))
        Inform(kPortNote);
    store.End();
    btUpdate->setEnabled(false);
}
