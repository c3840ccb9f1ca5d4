#pragma once

#include "SubUnit.h"

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

// The kinds of the program's auxiliary windows.
enum class TWindowKind {
    Send,
    Absence,
    FileSend,
    FileRecv,
    Recv,
    Chat,
    Log,
    GlobalChat,
    Update,
    Request,
    Donation
};

// What a kind keeps in the settings file and how it looks.
struct TWindowKindInfo {
    QString sSection;
    // The registry of a kind that can be open several times; nullptr for a kind that exists once.
    QStringList* pRegistry;
    bool bAlphaBlend;         // reads AlphaBlend at creation and has the slider, status bar and menu
    bool bAlphaBlendAtChange; // writes AlphaBlend at each change, else at destruction
    QString sHeaderBitmap;
    bool* pShowHeader; // nullptr: the header always shows
    bool* pShowStatus;
    int iStatusPanels; // the file windows have a progress panel in the middle
};
const TWindowKindInfo& WindowKindInfo(TWindowKind kind);

// ---- Rules of the pattern, kept apart so they can be checked without a window

inline constexpr int AlphaBlendMinimum = 32;
inline constexpr int AlphaBlendMaximum = 255;
int AlphaBlendClamp(int iPosition);
// "ブレンド率 N%", N from 1 at 32 to 100 at 255.
QString AlphaBlendHint(int iPosition);
// Centred on the primary screen, halves rounded toward zero.
QPoint CentredPosition(const QSize& clientSize, const QRect& primaryScreen);
// A window whose top edge shows on no screen (so it could not be grabbed) is moved
// into the nearest screen; a window that shows is left where it is.
QRect PlacementOnScreens(const QRect& frame, const QList<QRect>& screens);
// Where a window of the given frame goes to stay on the monitor: its left and top
// edges first, then the right and bottom of the work area, which win.
QPoint HoldOnMonitor(QRect frame, const QRect& monitor, const QRect& workArea);
// The same hold once more when the window manager has drawn the window's frame, for
// a window placed before it showed, whose frame could then only be guessed.
void HoldOnMonitorWhenFramed(QWidget* window, const QRect& monitor, const QRect& workArea);

// ---- Place, size and transparency in a window's section, shared with the main window

// Where a window opens: the place and size of its frame as the section holds
// them, or, when no size is stored, the design size for its client area.
struct TWindowPlacement {
    QRect frame;
    bool bDesignSize = false; // frame.size() is the client's design size
};
// Left, Top, Width and Height of the section: centred at the design size by
// default, a size of nothing taken as the design size, no larger than all
// screens together, and pulled onto a screen when its top edge shows on none.
TWindowPlacement WindowPlacementRead(const IniFile& ini, const QString& sSection, const QSize& designSize);
// Applies what WindowPlacementRead gave. A stored size is the frame's, so the
// client is that less the frame, which the window manager may make known only
// once the window shows: the size is corrected then.
void WindowPlacementApply(QWidget* window, const TWindowPlacement& placement);
// Writes the four keys, the frame's place and size; a minimised or maximised
// window keeps the place it comes back to.
bool WindowPlacementWrite(IniFile& ini, const QString& sSection, const QWidget* window);
// The layouts give a minimum size of the whole window, drawn for a desktop whose
// frame adds WindowLayoutFrame to the client area; Qt bounds the client area, so
// the client's minimum is that less this frame, whatever frame is drawn here.
inline const QSize WindowLayoutFrame(16, 38);
void WindowMinimumSizeSet(QWidget* window, const QSize& minimumWindowSize);
// The status bar's transparency slider: 32 to 255, page size 10, no ticks, 79 pixels wide.
QSlider* AlphaBlendSliderCreate(QWidget* parent);
int AlphaBlendRead(const IniFile& ini, const QString& sSection);
bool AlphaBlendWrite(IniFile& ini, const QString& sSection, int iPosition);
// The window's alpha and the slider's hint from the slider's position.
void AlphaBlendApply(QWidget* window, QSlider* slider);

// ---- Peers' strings in widgets: shown as they are, never as markup or access keys

// Every label below the window shows its text plain: a header or a line may hold a
// peer's name, and a label left to decide takes "<img src=...>" for markup and reads
// the file. Every window of the pattern applies it to all its labels.
void LabelsPlainText(QWidget* window);
// A peer's string as a menu item's text: an '&' shows as itself, not as an access key.
QString MenuItemText(const QString& sText);
// A peer's string drawn in one line (a notice, a menu item, a list cell) keeps at most
// this many bytes: room for any name an office gives, while a name of 20 KB would be
// measured and drawn whole wherever it shows, at every paint.
inline constexpr int PeerTextLineMaxBytes = 64;
// A peer's string as it is drawn in one line: one longer than PeerTextLineMaxBytes
// is cut between whole characters and ends in "…", within the bound.
QString PeerTextInLine(const QString& sText);

// A button that Return presses while it has the focus, as in a dialog.
QPushButton* AutoDefaultButton(const QString& sCaption, QWidget* parent);
// A message shown to be read: selectable by keyboard and mouse, not changed, Tab leaves it.
QPlainTextEdit* MessageViewCreate(const QString& sObjectName, QWidget* parent);
// An edit's right-click menu: the toolkit's own, its select-all item named as
// the windows name it, "すべてを選択(&A)" (Ctrl+A, selecting the edit's whole text).
void EditMenuSet(QLineEdit* edit);
void EditMenuSet(QPlainTextEdit* edit);

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
