#include "WindowKinds.h"

#include "FileWindowRules.h"

#include <array>

namespace {

constexpr int kKindCount = static_cast<int>(TWindowKind::Count);

constexpr std::array<TWindowKindInfo, kKindCount> kWindowKinds = {{
    {.Kind = TWindowKind::Send,
     .pSection = &SectionSendWindow,
     .pRegistry = &SendWindowList,
     .sHeaderBitmap = "HEADER_ICON_SEND",
     .pShowHeader = &SendWindowShowHeader,
     .pShowSend = &SendWindowShowSend,
     .pShowStatus = &SendWindowShowStatus,
     .iStatusPanels = 2},
    {.Kind = TWindowKind::Absence,
     .pSection = &SectionAbsenceWindow,
     .pRegistry = &AbsenceWindowList,
     .sHeaderBitmap = "HEADER_ICON_ABSENCE",
     .pShowHeader = &AbsenceWindowShowHeader,
     .pShowSend = &AbsenceWindowShowSend,
     .pShowStatus = &AbsenceWindowShowStatus,
     .iStatusPanels = 2},
    // A file window ends as its transfer does when cancelled: silently.
    {.Kind = TWindowKind::FileSend,
     .pSection = &SectionFileSendWindow,
     .pRegistry = &FileSendWindowList,
     .sHeaderBitmap = "HEADER_ICON_FILESEND",
     .pShowHeader = &FileSendWindowShowHeader,
     .pShowSend = &FileSendWindowShowSend,
     .pShowStatus = &FileSendWindowShowStatus,
     .iStatusPanels = 3,
     .uCloseMessage = WM_ERRORFILESEND,
     .lCloseParam = FileSendErrorCancelled},
    {.Kind = TWindowKind::FileRecv,
     .pSection = &SectionFileRecvWindow,
     .pRegistry = &FileRecvWindowList,
     .sHeaderBitmap = "HEADER_ICON_FILESEND",
     .pShowHeader = &FileRecvWindowShowHeader,
     .pShowSend = &FileRecvWindowShowSend,
     .pShowStatus = &FileRecvWindowShowStatus,
     .iStatusPanels = 3,
     .uCloseMessage = WM_ERRORFILERECV,
     .lCloseParam = FileRecvErrorCancelled},
    {.Kind = TWindowKind::Recv,
     .pSection = &SectionRecvWindow,
     .sHeaderBitmap = "HEADER_ICON_RECV",
     .pShowHeader = &RecvWindowShowHeader,
     .pShowSend = &RecvWindowShowSend,
     .pShowStatus = &RecvWindowShowStatus,
     .iStatusPanels = 2},
    {.Kind = TWindowKind::Chat,
     .pSection = &SectionChatWindow,
     .sHeaderBitmap = "HEADER_ICON_CHAT",
     .pShowHeader = &ChatWindowShowHeader,
     .pShowSend = &ChatWindowShowSend,
     .pShowStatus = &ChatWindowShowStatus,
     .iStatusPanels = 2},
    {.Kind = TWindowKind::Log,
     .pSection = &SectionLogWindow,
     .sHeaderBitmap = "HEADER_ICON_LOG",
     .pShowHeader = &LogWindowShowHeader,
     .pShowStatus = &LogWindowShowStatus,
     .iStatusPanels = 2},
    {.Kind = TWindowKind::GlobalChat,
     .pSection = &SectionGlobalChatWindow,
     .sHeaderBitmap = "HEADER_ICON_GLOBAL_CHAT",
     .pShowHeader = &GlobalChatWindowShowHeader,
     .pShowStatus = &GlobalChatWindowShowStatus,
     .iStatusPanels = 2},
    // The web pages: a header with the program's icon over the page, nothing else.
    {.Kind = TWindowKind::Update, .pSection = &SectionUpdateWindow, .sHeaderBitmap = "HEADER_ICON_MAIN"},
    {.Kind = TWindowKind::Request, .pSection = &SectionRequestWindow, .sHeaderBitmap = "HEADER_ICON_MAIN"},
    {.Kind = TWindowKind::Donation, .pSection = &SectionDonationWindow, .sHeaderBitmap = "HEADER_ICON_MAIN"},
}};

// A row left out or put in the wrong place stops the build here.
constexpr bool RowsInEnumOrder()
{
    for (int i = 0; i < kKindCount; ++i) {
        if (static_cast<int>(kWindowKinds[i].Kind) != i)
            return false;
    }
    return true;
}
static_assert(RowsInEnumOrder(), "row i of the window kinds describes kind i");

constexpr bool RowsComplete()
{
    for (const TWindowKindInfo& row : kWindowKinds) {
        if (row.pSection == nullptr || row.sHeaderBitmap == nullptr)
            return false;
        // The windows of a listed kind follow its flags together, through its messages.
        if (row.pRegistry != nullptr && (row.pShowHeader == nullptr || row.iStatusPanels == 0))
            return false;
    }
    return true;
}
static_assert(RowsComplete(),
              "every kind has a section and a bitmap, a listed kind its flags and status bar");

} // namespace

const TWindowKindInfo& WindowKindInfo(TWindowKind kind)
{
    return kWindowKinds[static_cast<std::size_t>(kind)];
}

std::span<const TWindowKindInfo> WindowKinds()
{
    return kWindowKinds;
}

void ForEachListedWindow(const std::function<void(const TWindowKindInfo&, HWND)>& visit)
{
    for (const TWindowKindInfo& kind : kWindowKinds) {
        if (kind.pRegistry == nullptr)
            continue;
        // A copy, because a closing window takes itself out of its list.
        const QStringList entries = *kind.pRegistry;
        for (const QString& entry : entries)
            visit(kind, WindowListHandle(entry));
    }
}

void WindowListsClear()
{
    for (const TWindowKindInfo& kind : kWindowKinds) {
        if (kind.pRegistry != nullptr)
            kind.pRegistry->clear();
    }
}

void ListedWindowsClose()
{
    ForEachListedWindow([](const TWindowKindInfo& kind, HWND window) {
        SendMessageW(window, kind.uCloseMessage, 0, kind.lCloseParam);
    });
}
