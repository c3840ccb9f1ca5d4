// Every control of the options window against its settings key, both ways: a
// value put into the control is written under its key by the apply, and a value
// under the key is shown in its control when the window opens. Each case holds
// every other control at its second value, so that two controls whose keys were
// swapped, or a control read or written the wrong way round, show.
#include "HotKeyEx.h"
#include "IniFile.h"
#include "OptionFormFixture.h"
#include "OptionUnit.h"
#include "Settings.h"
#include "TestNames.h"
#include "WindowTest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <variant>
#include <vector>

namespace {

// One control and its key: Put sets the control to the first value (A) or the
// second (B); Shown reads the control as the key stores it.
struct TOptionControl {
    std::string sName;
    QString sKey;
    QString sA;
    QString sB;
    std::function<void(TOptionForm&, bool bA)> Put;
    std::function<QString(TOptionForm&)> Shown;
    // A password is stored scrambled: the cases compare its plain form.
    bool bPassword = false;
    // Filled from the settings when the window opens (not from the engine).
    bool bFilledIn = true;
};

// Cases print as their names.
void PrintTo(const TOptionControl& control, std::ostream* os)
{
    *os << control.sName;
}

using TBox = QCheckBox* TOptionForm::*;
using TRadio = QRadioButton* TOptionForm::*;

TOptionControl Box(TBox box, const char* sKey, const char* sName)
{
    return {sName,
            QString::fromLatin1(sKey),
            QStringLiteral("1"),
            QStringLiteral("0"),
            [box](TOptionForm& form, bool bA) { (form.*box)->setChecked(bA); },
            [box](TOptionForm& form) {
                return (form.*box)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
            }};
}

// One choice of a group of radio buttons; the group's first choice is B.
TOptionControl Radio(TRadio choice, int iA, TRadio first, const char* sKey, const char* sName)
{
    return {sName,
            QString::fromLatin1(sKey),
            QString::number(iA),
            QStringLiteral("0"),
            [choice, first](TOptionForm& form, bool bA) { (form.*(bA ? choice : first))->setChecked(true); },
            [choice, first, iA](TOptionForm& form) {
                return (form.*choice)->isChecked()  ? QString::number(iA)
                       : (form.*first)->isChecked() ? QStringLiteral("0")
                                                    : QStringLiteral("other");
            }};
}

TOptionControl Combo(QComboBox* TOptionForm::*combo, int iA, int iB, const char* sKey, const char* sName)
{
    return {sName,
            QString::fromLatin1(sKey),
            QString::number(iA),
            QString::number(iB),
            [combo, iA, iB](TOptionForm& form, bool bA) { (form.*combo)->setCurrentIndex(bA ? iA : iB); },
            [combo](TOptionForm& form) { return QString::number((form.*combo)->currentIndex()); }};
}

TOptionControl Edit(std::function<QLineEdit*(TOptionForm&)> edit, const QString& sA, const QString& sB,
                    const QString& sKey, const std::string& sName)
{
    return {sName,
            sKey,
            sA,
            sB,
            [edit, sA, sB](TOptionForm& form, bool bA) { edit(form)->setText(bA ? sA : sB); },
            [edit](TOptionForm& form) { return edit(form)->text(); }};
}

TOptionControl Password(QLineEdit* TOptionForm::*edit, const char* sKey, const char* sName)
{
    TOptionControl control = Edit([edit](TOptionForm& form) { return form.*edit; }, QStringLiteral("合言葉A"),
                                  QString(), QString::fromLatin1(sKey), sName);
    control.bPassword = true;
    return control;
}

TOptionControl HotKey(size_t k)
{
    const TShortCut keyA = scCtrl | scAlt | TShortCut('A' + k);
    return {"hkCustomizeHotKey" + std::to_string(k + 1),
            QStringLiteral("CustomizeHotKey%1").arg(k + 1),
            QString::number(keyA),
            QStringLiteral("0"),
            [k, keyA](TOptionForm& form, bool bA) { form.hkCustomizeHotKey[k]->SetHotKey(bA ? keyA : 0); },
            [k](TOptionForm& form) { return QString::number(form.hkCustomizeHotKey[k]->HotKey()); }};
}

std::vector<TOptionControl> OptionControls()
{
    std::vector<TOptionControl> controls = {
        Edit([](TOptionForm& form) { return form.edHandleName; }, QStringLiteral("花子"),
             QStringLiteral("太郎"), QStringLiteral("HandleName"), "edHandleName"),
        Box(&TOptionForm::cbCustomizeTaskTray, "CustomizeTaskTray", "cbCustomizeTaskTray"),
        Box(&TOptionForm::cbCustomizeTaskBar, "CustomizeTaskBar", "cbCustomizeTaskBar"),
        Box(&TOptionForm::cbCustomizeAutoRecv, "CustomizeAutoRecv", "cbCustomizeAutoRecv"),
        Box(&TOptionForm::cbCustomizeAutoRecvAbsence, "CustomizeAutoRecvAbsence",
            "cbCustomizeAutoRecvAbsence"),
        Box(&TOptionForm::cbCustomizeReplyHide, "CustomizeReplyHide", "cbCustomizeReplyHide"),
        Box(&TOptionForm::cbCustomizeSendHide, "CustomizeSendHide", "cbCustomizeSendHide"),
        Box(&TOptionForm::cbCustomizeRecvWithMessage, "CustomizeRecvWithMessage",
            "cbCustomizeRecvWithMessage"),
        Box(&TOptionForm::cbCustomizeLetter, "CustomizeLetter", "cbCustomizeLetter"),
        Box(&TOptionForm::cbCustomizeChatLocate, "CustomizeChatLocate", "cbCustomizeChatLocate"),
        Box(&TOptionForm::cbCustomizeIME, "CustomizeIME", "cbCustomizeIME"),
        Box(&TOptionForm::cbCustomizeLog, "CustomizeLog", "cbCustomizeLog"),
        Box(&TOptionForm::cbCustomizeReloginMessage, "CustomizeReloginMessage", "cbCustomizeReloginMessage"),
        Box(&TOptionForm::cbCustomizeEnd, "CustomizeEnd", "cbCustomizeEnd"),
        Box(&TOptionForm::cbCustomizeStartLogin, "CustomizeStartLogin", "cbCustomizeStartLogin"),
        Box(&TOptionForm::cbCustomizeStartFormHide, "CustomizeStartFormHide", "cbCustomizeStartFormHide"),
        Box(&TOptionForm::cbCustomizeStartVersionCheck, "CustomizeStartVersionCheck",
            "cbCustomizeStartVersionCheck"),
        Box(&TOptionForm::cbCustomizeShowTopMost, "CustomizeShowTopMost", "cbCustomizeShowTopMost"),
        Radio(&TOptionForm::rbCustomizeFileSaveLast, 1, &TOptionForm::rbCustomizeFileSaveRun,
              "CustomizeFileSave", "rbCustomizeFileSaveLast"),
        Radio(&TOptionForm::rbCustomizeFileSaveSet, 2, &TOptionForm::rbCustomizeFileSaveRun,
              "CustomizeFileSave", "rbCustomizeFileSaveSet"),
        Edit([](TOptionForm& form) { return form.edCustomizeFileSaveSetPath; }, QStringLiteral("/保存先/A"),
             QStringLiteral("/保存先/B"), QStringLiteral("CustomizeFileSaveSetPath"),
             "edCustomizeFileSaveSetPath"),
        Box(&TOptionForm::cbCustomizeTaskHideLog, "CustomizeTaskHideLog", "cbCustomizeTaskHideLog"),
        Box(&TOptionForm::cbCustomizeTaskHideSend, "CustomizeTaskHideSend", "cbCustomizeTaskHideSend"),
        Box(&TOptionForm::cbCustomizeTaskHideFileSend, "CustomizeTaskHideFileSend",
            "cbCustomizeTaskHideFileSend"),
        Box(&TOptionForm::cbCustomizeTaskHideChat, "CustomizeTaskHideChat", "cbCustomizeTaskHideChat"),
        Box(&TOptionForm::cbCustomizeTaskHideGlobalChat, "CustomizeTaskHideGlobalChat",
            "cbCustomizeTaskHideGlobalChat"),
        Box(&TOptionForm::cbCustomizeTaskHideAbsence, "CustomizeTaskHideAbsence",
            "cbCustomizeTaskHideAbsence"),
        Box(&TOptionForm::cbSecurityFileRecvCancel, "SecurityFileRecvCancel", "cbSecurityFileRecvCancel"),
        Box(&TOptionForm::cbSecurityFileRecvCancelAbsence, "SecurityFileRecvCancelAbsence",
            "cbSecurityFileRecvCancelAbsence"),
        Box(&TOptionForm::cbSecurityLetter, "SecurityLetter", "cbSecurityLetter"),
        Password(&TOptionForm::edSecurityLetterPassword, "SecurityLetterPassword",
                 "edSecurityLetterPassword"),
        Box(&TOptionForm::cbSecurityOption, "SecurityOption", "cbSecurityOption"),
        Password(&TOptionForm::edSecurityOptionPassword, "SecurityOptionPassword",
                 "edSecurityOptionPassword"),
        Box(&TOptionForm::cbSecurityLog, "SecurityLog", "cbSecurityLog"),
        Password(&TOptionForm::edSecurityLogPassword, "SecurityLogPassword", "edSecurityLogPassword"),
        Radio(&TOptionForm::rbCustomizeSoundBeep, 1, &TOptionForm::rbCustomizeSoundOff, "CustomizeSoundKind",
              "rbCustomizeSoundBeep"),
        Radio(&TOptionForm::rbCustomizeSoundWave, 2, &TOptionForm::rbCustomizeSoundOff, "CustomizeSoundKind",
              "rbCustomizeSoundWave"),
        Combo(&TOptionForm::cbAnimationMouse, 3, 0, "AnimationMouse", "cbAnimationMouse"),
        Combo(&TOptionForm::cbAnimationTaskTrayIcon, 2, 0, "AnimationTaskTrayIcon",
              "cbAnimationTaskTrayIcon"),
        Box(&TOptionForm::cbEventOtherLogin, "NoticeLogin", "cbEventOtherLogin"),
        Box(&TOptionForm::cbEventOtherLogout, "NoticeLogout", "cbEventOtherLogout"),
        Box(&TOptionForm::cbEventOtherChatLogin, "NoticeChatLogin", "cbEventOtherChatLogin"),
        Box(&TOptionForm::cbNoticeChatLoginAnytime, "NoticeChatLoginAnytime", "cbNoticeChatLoginAnytime"),
        Box(&TOptionForm::cbEventOtherChatLogout, "NoticeChatLogout", "cbEventOtherChatLogout"),
        Box(&TOptionForm::cbNoticeChatLogoutAnytime, "NoticeChatLogoutAnytime", "cbNoticeChatLogoutAnytime"),
        Box(&TOptionForm::cbEventOtherAbsence, "NoticeAbsence", "cbEventOtherAbsence"),
        Box(&TOptionForm::cbEventOtherNonAbsence, "NoticeNonAbsence", "cbEventOtherNonAbsence"),
        Box(&TOptionForm::cbEventRecv, "NoticeRecv", "cbEventRecv"),
        Box(&TOptionForm::cbEventMessageOpen, "NoticeMessageOpen", "cbEventMessageOpen"),
        Combo(&TOptionForm::cbNoticePosition, 2, 0, "NoticePosition", "cbNoticePosition"),
        Box(&TOptionForm::cbNoticeAutoClose, "NoticeAutoClose", "cbNoticeAutoClose"),
        Box(&TOptionForm::cbNoticeAutoCloseAbsenceCancel, "NoticeAutoCloseAbsenceCancel",
            "cbNoticeAutoCloseAbsenceCancel"),
        Box(&TOptionForm::cbEventAbsenceHide, "NoticeAbsenceHide", "cbEventAbsenceHide"),
        Box(&TOptionForm::cbNetworkPort, "NetworkPort", "cbNetworkPort"),
        Edit([](TOptionForm& form) { return form.edNetworkPortNo; }, QStringLiteral("51001"),
             QStringLiteral("51000"), QStringLiteral("NetworkPortNo"), "edNetworkPortNo"),
        Edit([](TOptionForm& form) { return form.edNetworkFTPPortNo; }, QStringLiteral("52001"),
             QStringLiteral("52000"), QStringLiteral("NetworkFTPPortNo"), "edNetworkFTPPortNo"),
    };
    for (size_t k = 0; k < 5; ++k)
        controls.push_back(HotKey(k));
    for (size_t k = 0; k < size_t(SoundFileCount); ++k)
        controls.push_back(Edit([k](TOptionForm& form) { return form.edCustomizeSoundFile[k]; },
                                QStringLiteral("/音/a%1.wav").arg(k), QString(),
                                QStringLiteral("CustomizeSoundFile%1").arg(k),
                                "edCustomizeSoundFile" + std::to_string(k)));
    // The first away kind's message, through the kind chosen in the list and its memo.
    controls.push_back({"mmAbsenceMessage", QStringLiteral("Absence-Message0"), QStringLiteral("外出中A"),
                        QStringLiteral("外出中B"),
                        [](TOptionForm& form, bool bA) {
                            form.cbAbsence->setCurrentIndex(0);
                            form.cbAbsenceClick();
                            form.mmAbsenceMessage->setPlainText(bA ? QStringLiteral("外出中A")
                                                                   : QStringLiteral("外出中B"));
                        },
                        [](TOptionForm& form) {
                            form.cbAbsence->setCurrentIndex(0);
                            form.cbAbsenceClick();
                            return form.mmAbsenceMessage->toPlainText();
                        }});
    controls.push_back(
        Box(&TOptionForm::cbCustomizeSecurityData, "CustomizeSecurityData", "cbCustomizeSecurityData"));
    controls.push_back(
        {"lbNetworkList", QStringLiteral("NetworkBroadcast0"), QStringLiteral("198.18.255.255"), QString(),
         [](TOptionForm& form, bool bA) {
             form.lbNetworkList->clear();
             if (bA)
                 form.lbNetworkList->addItem(QStringLiteral("198.18.255.255"));
         },
         [](TOptionForm& form) {
             return form.lbNetworkList->count() > 0 ? form.lbNetworkList->item(0)->text() : QString();
         },
         false, false});
    return controls;
}

std::vector<TOptionControl> FilledInControls()
{
    std::vector<TOptionControl> controls = OptionControls();
    std::erase_if(controls, [](const TOptionControl& control) { return !control.bFilledIn; });
    return controls;
}

// What each control must hold (as shown, or as its key stores it) when the case's
// control is at A and every other one at B; a control that shares the case's key
// (another choice of its radio group) is not told apart and is left out.
std::vector<std::pair<const TOptionControl*, QString>> Expected(const std::vector<TOptionControl>& controls,
                                                                const TOptionControl& tried)
{
    std::vector<std::pair<const TOptionControl*, QString>> expected;
    for (const TOptionControl& control : controls) {
        if (control.sName == tried.sName)
            expected.emplace_back(&control, control.sA);
        else if (control.sKey != tried.sKey)
            expected.emplace_back(&control, control.sB);
    }
    return expected;
}

// A window opened on settings reset to their defaults, with a parameter of its own.
template <class Param>
class OptionWindowTestOf : public OptionFormFixture, public testing::WithParamInterface<Param> {
protected:
    QString SettingsFile() const { return Path(QStringLiteral("Parvane2.INI")); }
};

using OptionControlTest = OptionWindowTestOf<TOptionControl>;
class OptionApplyTest : public OptionControlTest {};
class OptionFillInTest : public OptionControlTest {};

TEST_P(OptionApplyTest, TheControlsValueIsWrittenUnderItsKey)
{
    const std::vector<TOptionControl> controls = OptionControls();
    TOptionForm& form = Open();
    for (const TOptionControl& control : controls)
        control.Put(form, false);
    GetParam().Put(form, true);
    form.btUpdateClick();

    const IniFile ini(SettingsFile());
    for (const auto& [control, sValue] : Expected(controls, GetParam())) {
        const QString sStored = ini.ReadString(SectionOption, control->sKey, QString());
        EXPECT_EQ(control->bPassword ? PasswordFromStoredForm(sStored) : sStored, sValue)
            << control->sName << " under " << control->sKey.toStdString();
    }
}

TEST_P(OptionFillInTest, TheKeysValueIsShownInItsControl)
{
    const std::vector<TOptionControl> controls = FilledInControls();
    {
        IniFile ini(SettingsFile());
        // The away kinds are read while their titles go on.
        ASSERT_TRUE(ini.WriteString(SectionOption, QStringLiteral("Absence-Title0"), QStringLiteral("外出")));
        for (const TOptionControl& control : controls) {
            const QString sValue = control.sName == GetParam().sName ? control.sA : control.sB;
            if (control.sName != GetParam().sName && control.sKey == GetParam().sKey)
                continue;
            ASSERT_TRUE(ini.WriteString(SectionOption, control.sKey,
                                        control.bPassword ? PasswordStoredForm(sValue) : sValue));
        }
    }
    const IniFile ini(SettingsFile());
    SettingsReadPorts(ini);
    SettingsReadOption(ini, QStringLiteral("PC1"));
    SettingsReadAbsence(ini);
    TOptionForm& form = Open();
    for (const auto& [control, sValue] : Expected(controls, GetParam()))
        EXPECT_EQ(control->Shown(form), sValue) << control->sName << " from " << control->sKey.toStdString();
}

// Every row of the window's own control table, flipped and applied: the setting
// takes the control's new value and the file holds it under the setting's key.
using OptionControlRowTest = OptionWindowTestOf<size_t>;

// The row's control set away from what it shows; gives the value as the file stores it.
QString Flip(TOptionForm& form, const TOptionControlRow& row, size_t iRow)
{
    if (const auto* named = std::get_if<TOptionNamedControl>(&row.control)) {
        QWidget* widget = form.findChild<QWidget*>(named->sName);
        if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            box->setChecked(!box->isChecked());
            return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        }
        if (auto* field = qobject_cast<THotKeyEx*>(widget)) {
            field->SetHotKey(TShortCut(field->HotKey() == 49229 ? 49230 : 49229));
            return QString::number(field->HotKey());
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            const QString sText = QStringLiteral("行%1の値").arg(iRow);
            edit->setText(sText);
            return sText;
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->setCurrentIndex((combo->currentIndex() + 1) % combo->count());
            return QString::number(combo->currentIndex());
        }
        ADD_FAILURE() << "no control named " << named->sName.toStdString();
        return QString();
    }
    if (const auto* port = std::get_if<TOptionPortSwitch>(&row.control)) {
        QCheckBox* control = form.*port->box;
        control->setChecked(!control->isChecked());
        return control->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
    if (const auto* port = std::get_if<TOptionPortEdit>(&row.control)) {
        QLineEdit* control = form.*port->edit;
        control->setText(QString::number(control->text().toInt() + 1));
        return control->text();
    }
    if (const auto* group = std::get_if<TOptionChoiceGroup>(&row.control)) {
        const auto& buttons = group->buttons;
        size_t iChecked = buttons.size() - 1;
        for (size_t i = 0; i < buttons.size(); ++i)
            if ((form.*buttons[i].first)->isChecked())
                iChecked = i;
        const auto& [next, iValue] = buttons[(iChecked + 1) % buttons.size()];
        (form.*next)->setChecked(true);
        return QString::number(iValue);
    }
    ADD_FAILURE() << "a row of no known kind";
    return QString();
}

QString SettingText(const TOptionControlRow& row)
{
    return std::visit(
        [](auto setting) {
            using S = decltype(setting);
            if constexpr (std::is_same_v<S, bool*>)
                return *setting ? QStringLiteral("1") : QStringLiteral("0");
            else if constexpr (std::is_same_v<S, QString*>)
                return *setting;
            else
                return QString::number(*setting);
        },
        row.setting);
}

TEST_P(OptionControlRowTest, AFlippedControlIsTakenAndWrittenUnderItsSettingsKey)
{
    const TOptionControlRow& row = OptionControlRows()[GetParam()];
    const void* pVariable = std::visit([](auto setting) -> const void* { return setting; }, row.setting);
    const QString sKey = OptionKeyName(pVariable);
    ASSERT_FALSE(sKey.isEmpty()) << "row " << GetParam() << " is no setting of the key table";
    TOptionForm& form = Open();
    const QString sValue = Flip(form, row, GetParam());
    form.btUpdateClick();
    // A changed port switch only says that the ports change at the next start.
    QStringList slBoxes = BoxTexts();
    if (std::holds_alternative<TOptionPortSwitch>(row.control))
        slBoxes.removeAll(QStringLiteral("ポート番号の設定は、Parvane 2を再起動後に有効になります。"));
    ASSERT_TRUE(slBoxes.isEmpty()) << slBoxes.join(u'\n').toStdString();

    EXPECT_EQ(SettingText(row), sValue) << sKey.toStdString();
    const QString sStored = IniFile(SettingsFile()).ReadString(SectionOption, sKey, QStringLiteral("-"));
    EXPECT_EQ(sKey.endsWith(QStringLiteral("Password")) ? PasswordFromStoredForm(sStored) : sStored, sValue)
        << sKey.toStdString();
}

// The widgets a row fills in and takes.
std::vector<QWidget*> RowWidgets(const TOptionForm& form, const TOptionControlRow& row)
{
    return std::visit(
        [&form](auto control) -> std::vector<QWidget*> {
            using C = decltype(control);
            if constexpr (std::is_same_v<C, TOptionNamedControl>)
                return {form.findChild<QWidget*>(control.sName)};
            else if constexpr (std::is_same_v<C, TOptionPortSwitch>)
                return {form.*control.box};
            else if constexpr (std::is_same_v<C, TOptionPortEdit>)
                return {form.*control.edit};
            else {
                std::vector<QWidget*> buttons;
                for (const auto& [button, iValue] : control.buttons)
                    buttons.push_back(form.*button);
                return buttons;
            }
        },
        row.control);
}

using OptionControlTableTest = OptionFormFixture;

// A control that holds a value and has no row would be neither filled in nor
// taken by the apply; only these few are handled beside the table.
TEST_F(OptionControlTableTest, EveryControlThatHoldsASettingHasARow)
{
    TOptionForm& form = Open();
    std::vector<QWidget*> covered = {
        form.edMachineName,        // the engine's, shown only
        form.cbCustomizeMultiUser, // moves the files
        form.cbAbsence,            // chooses the away kind the memo edits
        form.edPassword,           // opens the locked window
    };
    for (const TOptionControlRow& row : OptionControlRows())
        for (QWidget* widget : RowWidgets(form, row))
            covered.push_back(widget);
    std::vector<QWidget*> controls;
    for (QWidget* w : form.findChildren<QWidget*>())
        if (w->window() != &form) // the file dialogs'
            continue;
        else if (qobject_cast<QAbstractButton*>(w)
                     ? qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)
                     : qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))
            controls.push_back(w);
    ASSERT_FALSE(controls.empty());
    for (QWidget* control : controls)
        EXPECT_NE(std::find(covered.begin(), covered.end(), control), covered.end())
            << control->objectName().toStdString();
}

// Every row of the key table that names a control finds exactly one control of
// that name on one of the window's pages, of the kind its setting takes: else
// the setting would be neither shown nor taken by the apply.
TEST_F(OptionControlTableTest, EveryKeyWithAControlHasItOnAPage)
{
    TOptionForm& form = Open();
    const std::vector<QWidget*> pages = {form.tsProfile,   form.tsAbsence, form.tsEvent,   form.tsSound,
                                         form.tsCustomize, form.tsNetwork, form.tsPassword};
    int iNamed = 0;
    for (const std::vector<TOptionKey>& keys : {OptionKeysBeforeAbsence(), OptionKeysAfterAbsence()})
        for (const TOptionKey& key : keys) {
            if (key.control.isEmpty())
                continue;
            ++iNamed;
            SCOPED_TRACE(key.name.toStdString());
            const QList<QWidget*> found = form.findChildren<QWidget*>(key.control);
            ASSERT_EQ(found.size(), 1) << key.control.toStdString();
            QWidget* control = found[0];
            EXPECT_TRUE(std::any_of(pages.begin(), pages.end(),
                                    [control](QWidget* page) { return page->isAncestorOf(control); }));
            const bool bKind = std::visit(
                [control](auto variable) {
                    using V = decltype(variable);
                    if constexpr (std::is_same_v<V, bool*>)
                        return qobject_cast<QCheckBox*>(control) != nullptr;
                    else if constexpr (std::is_same_v<V, int*>)
                        return qobject_cast<QComboBox*>(control) != nullptr ||
                               qobject_cast<THotKeyEx*>(control) != nullptr;
                    else
                        return qobject_cast<QLineEdit*>(control) != nullptr &&
                               qobject_cast<THotKeyEx*>(control) == nullptr;
                },
                key.variable);
            EXPECT_TRUE(bKind) << control->metaObject()->className();
        }
    EXPECT_GT(iNamed, 0);
}

std::string CaseName(const testing::TestParamInfo<TOptionControl>& info)
{
    return info.param.sName;
}

INSTANTIATE_TEST_SUITE_P(EveryControl, OptionApplyTest, testing::ValuesIn(OptionControls()), CaseName);
INSTANTIATE_TEST_SUITE_P(EveryControl, OptionFillInTest, testing::ValuesIn(FilledInControls()), CaseName);
INSTANTIATE_TEST_SUITE_P(EveryRow, OptionControlRowTest,
                         testing::Range(size_t(0), OptionControlRows().size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                             const TOptionControlRow& row = OptionControlRows()[info.param];
                             return TestSupport::ReadableName(OptionKeyName(std::visit(
                                 [](auto setting) -> const void* { return setting; }, row.setting)));
                         });

} // namespace
