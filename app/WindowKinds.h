#pragma once

// The kinds of the program's auxiliary windows and what sets one kind apart from
// another: one row per kind (WindowKinds.cpp), checked against the enum when the
// program is built. The windows, the settings reader and the program's end all
// read the rows, so a kind is described in one place.

#include "SubUnit.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <span>

// Count stays last: the table has one row per kind before it.
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
    Donation,
    Count
};

// What a kind keeps in the settings file and how it looks.
struct TWindowKindInfo {
    TWindowKind Kind;
    const QString* pSection;
    // The registry of a kind that can be open several times; nullptr for a kind that
    // exists once. A listed kind shares its transparency among its windows and writes
    // it as the slider moves; a single kind writes it at destruction.
    QStringList* pRegistry = nullptr;
    const char* sHeaderBitmap = nullptr;
    // The view flags the kind keeps in its section, read at start; nullptr for one it
    // has not (without a header flag the header always shows).
    bool* pShowHeader = nullptr;
    bool* pShowSend = nullptr;
    bool* pShowStatus = nullptr;
    // 0: no status bar, and so no transparency slider and no right-click menu. The
    // file windows have a progress panel in the middle.
    int iStatusPanels = 0;
    // What the program's end sends each window of a listed kind.
    unsigned uCloseMessage = WM_CLOSE;
    LPARAM lCloseParam = 0;

    QString Section() const { return *pSection; }
    bool AlphaBlend() const { return iStatusPanels > 0; }
};

const TWindowKindInfo& WindowKindInfo(TWindowKind kind);
// Every kind's row, in the enum's order.
std::span<const TWindowKindInfo> WindowKinds();

// Every window of every listed kind, with its kind's row, in the order of the
// rows and of creation. Walks copies of the lists, so visit may close windows.
void ForEachListedWindow(const std::function<void(const TWindowKindInfo&, HWND)>& visit);
// Empties the registry of every listed kind.
void WindowListsClear();
// The program's end: every window of every listed kind gets its kind's close message.
void ListedWindowsClose();
