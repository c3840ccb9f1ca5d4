#pragma once

#include "PeerText.h"
#include "SubUnit.h"
#include "WidgetHelpers.h"
#include "WindowKinds.h"
#include "WindowPlacement.h"

#include <QList>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <type_traits>
#include <utility>

class IniFile;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class TStatusPanelBar;

// ---- Rules of the transparency, kept apart so they can be checked without a window

inline constexpr int AlphaBlendMinimum = 32;
inline constexpr int AlphaBlendMaximum = 255;
int AlphaBlendClamp(int iPosition);
// "ブレンド率 N%", N from 1 at 32 to 100 at 255.
QString AlphaBlendHint(int iPosition);

// ---- Transparency in a window's section, shared with the main window

// The status bar's transparency slider: 32 to 255, page size 10, no ticks, 79 pixels wide.
QSlider* AlphaBlendSliderCreate(QWidget* parent);
int AlphaBlendRead(const IniFile& ini, const QString& sSection);
bool AlphaBlendWrite(IniFile& ini, const QString& sSection, int iPosition);
// The window's alpha and the slider's hint from the slider's position.
void AlphaBlendApply(QWidget* window, QSlider* slider);

// The window every auxiliary window derives from: unowned, with its place, size
// and transparency kept in its kind's section, the black header with the kind's
// bitmap, the status bar with the transparency slider in its last panel, the
// right-click menu that hides the header and the status bar for the whole kind,
// its entry in the kind's registry, and the application's private messages.
//
// A derived window with a clean-up of its own, or with more to write to its
// section (WriteSectionExtra), calls FormDestroy() first in its destructor, so
// the section is written before that clean-up, as the pattern orders it.
class TCommonForm : public QWidget {
    Q_OBJECT

public:
    TCommonForm(TWindowKind kind, const QSize& designSize);
    ~TCommonForm() override;

    TWindowKind Kind() const { return FKind; }
    const TWindowKindInfo& Info() const { return WindowKindInfo(FKind); }
    HWND Handle() const { return FHandle; }
    QString SettingsSection() const { return FSection; }

    // The header's and the status bar's visibility from the kind's flags.
    virtual void PanelVisibleSet();
    // The transparency from the slider: the window's alpha, the hint, and in the
    // several-instance kinds the other windows of the kind and the section.
    void tbAlphaBlendChange();
    void WMAlphaBlendSet(WPARAM wParam, LPARAM lParam);
    // Sets the menu's check marks from the kind's flags, as each time it opens.
    virtual void pmRightPopup();
    void miHeaderClick();
    void miStatusClick();

    // The single-instance opener's way to have its reference cleared at destruction.
    void SetReferenceClear(std::function<void()> clear) { FReferenceClear = std::move(clear); }

    QWidget* pnHeader = nullptr;
    QLabel* imHeader = nullptr;
    QLabel* laTitle = nullptr;
    // Where the derived window puts its own controls, between header and status bar.
    QWidget* pnClient = nullptr;
    TStatusPanelBar* sbInformation = nullptr;
    QSlider* tbAlphaBlend = nullptr;
    QMenu* pmRight = nullptr;
    QAction* miHeader = nullptr;
    QAction* miStatus = nullptr;

protected:
    // Writes the section in one save: Left, Top, Width, Height, AlphaBlend where the kind
    // writes it at destruction, then WriteSectionExtra. Runs once.
    void FormDestroy();
    // More keys of the derived window's section; false when a write failed.
    virtual bool WriteSectionExtra(IniFile& ini);
    // The web chat keeps its place in another section once it has turned into a browser.
    void SetSettingsSection(const QString& sSection) { FSection = sSection; }
    // A private message; the base handles the transparency and visibility messages
    // of its kind and WM_CLOSE. Derived windows handle theirs and pass the rest on.
    virtual void WindowMessageReceived(WindowMessage::Event& message);
    // Places the slider in the last panel and gives the rest of the width to the
    // first panel, or to the middle one where there are three.
    void StatusBarLayout();

    // For a toggle of the derived window's own (the away message's sender line):
    // writes the key to the kind's section, telling the user when that fails,
    // and has every window of a several-instance kind re-apply its flags.
    void WriteVisibilityFlag(const QString& sKey, bool bValue);
    void BroadcastPanelVisibleSet();

    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TWindowKind FKind;
    QString FSection;
    HWND FHandle = 0;
    bool FDestroyed = false;
    std::function<void()> FReferenceClear;
};

// ---- Openers

// A kind that exists once: creates the window when the reference is empty, shows
// it when hidden, puts a minimised window back to normal and brings it to the front.
template <class TForm, class... TArgs> TForm* SingleFormShow(TForm*& reference, TArgs&&... args)
{
    if (reference == nullptr) {
        reference = new TForm(std::forward<TArgs>(args)...);
        TForm* created = reference;
        created->SetReferenceClear([&reference, created] {
            if (reference == created)
                reference = nullptr;
        });
        created->show();
    }
    // A window made hidden (the version check at start) shows once it is asked for.
    if (reference->isHidden())
        reference->show();
    if (reference->isMinimized())
        reference->setWindowState(reference->windowState() & ~Qt::WindowMinimized);
    WindowForeground(reference);
    return reference;
}

// A kind open several times: always a new window, registered at once with
// sEntrySuffix after its handle ("&|0&|" for a file-send window), filled by
// fill, then shown and brought to the front.
template <class TForm, class... TArgs>
TForm* SeveralFormShow(const QString& sEntrySuffix,
                       const std::type_identity_t<std::function<void(TForm*)>>& fill, TArgs&&... args)
{
    auto* form = new TForm(std::forward<TArgs>(args)...);
    form->Info().pRegistry->append(WindowListEntry(form->Handle()) + sEntrySuffix);
    if (fill)
        fill(form);
    form->show();
    WindowForeground(form);
    return form;
}
