#include "SubUnit.h"

#include "MessageBox.h"
#include "ParvaneNetwork.h"
#include "WindowManager.h"

#include <QWidget>

// The resources live in a static library; naming their initialiser keeps the linker from dropping them.
static void InitBitmapResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(Bitmaps);
        return true;
    }();
    (void)done;
}

std::optional<QString> ForbiddenSequenceRefusal(const QString& sText, const QString& sWhere)
{
    const QString sequence = TParvaneNetwork::ForbiddenSequenceIn(sText);
    if (sequence.isEmpty())
        return std::nullopt;
    return sWhere + QStringLiteral("に「") + sequence + QStringLiteral("」を含めることはできません。");
}

qintptr SendMessageW(HWND hWindow, unsigned uMsg, WPARAM wParam, LPARAM lParam)
{
    return WindowMessage::Send(hWindow, uMsg, wParam, lParam);
}

QString WindowListEntry(HWND hWindow)
{
    return QString::number(hWindow);
}

QString FileWindowEntrySuffix(int iSocketNo)
{
    return TParvaneNetwork::FieldSeparator + QString::number(iSocketNo) + TParvaneNetwork::FieldSeparator;
}

QString FileWindowListEntry(HWND hWindow, int iSocketNo)
{
    return QString::number(hWindow) + FileWindowEntrySuffix(iSocketNo);
}

HWND WindowListHandle(const QString& sEntry)
{
    bool ok = false;
    const HWND handle = TParvaneNetwork::StringSplit(sEntry, 0).toULongLong(&ok);
    return ok ? handle : 0;
}

int WindowListSocket(const QString& sEntry)
{
    bool ok = false;
    const int socket = TParvaneNetwork::StringSplit(sEntry, 1).toInt(&ok);
    return ok ? socket : -1;
}

void WindowListRemove(QStringList& slList, HWND hWindow)
{
    for (qsizetype i = 0; i < slList.size(); ++i) {
        if (WindowListHandle(slList[i]) == hWindow) {
            slList.removeAt(i);
            return;
        }
    }
}

HWND FileWindowFind(const QStringList& slList, int iSocketNo)
{
    if (iSocketNo <= 0)
        return 0;
    for (const QString& entry : slList) {
        if (WindowListSocket(entry) == iSocketNo)
            return WindowListHandle(entry);
    }
    return 0;
}

void FileWindowSocketSet(QStringList& slList, HWND hWindow, int iSocketNo)
{
    for (QString& entry : slList) {
        if (WindowListHandle(entry) == hWindow) {
            entry = FileWindowListEntry(hWindow, iSocketNo);
            return;
        }
    }
}

HWND FileWindowSocketChange(QStringList& slList, int iOldSocketNo, int iNewSocketNo)
{
    if (iOldSocketNo <= 0)
        return 0;
    for (QString& entry : slList) {
        if (WindowListSocket(entry) == iOldSocketNo) {
            const HWND handle = WindowListHandle(entry);
            entry = FileWindowListEntry(handle, iNewSocketNo);
            return handle;
        }
    }
    return 0;
}

int MessageBoxShow(const QString& sText, const QString& sCaption, int iFlags)
{
    if (CustomizeShowTopMost)
        iFlags |= MessageBox::MB_TOPMOST;
    return MessageBox::Show(sText, sCaption, iFlags);
}

bool AskYes(const QString& sText, int iFlags)
{
    return MessageBoxShow(sText, ApplicationTitle, iFlags) == MessageBox::IDYES;
}

void WarningShow(const QString& sKind, const QString& sText, int iFlags, QObject* owner,
                 std::function<void()> answered)
{
    if (CustomizeShowTopMost)
        iFlags |= MessageBox::MB_TOPMOST;
    MessageBox::ShowUnstacked(sKind, sText, ApplicationTitle, iFlags, owner, std::move(answered));
}

void SettingsSaveErrorShow()
{
    MessageBoxShow(SettingsSaveErrorText, ApplicationTitle, MessageBox::MB_ICONWARNING);
}

void WindowForeground(QWidget* hWindow)
{
    WindowManager::BringToFront(hWindow);
}

void WindowForeground(HWND hWindow)
{
    WindowManager::BringToFront(qobject_cast<QWidget*>(WindowMessage::WindowOf(hWindow)));
}

void SystemMenuTrim(QWidget* hWindow)
{
    WindowManager::KeepOnlyClose(hWindow);
}

unsigned ShortCutToHotKeyModifiers(quint16 ShortCut)
{
    unsigned modifiers = 0;
    if (ShortCut & 0x2000)
        modifiers += MOD_SHIFT;
    if (ShortCut & 0x4000)
        modifiers += MOD_CONTROL;
    if (ShortCut & 0x8000)
        modifiers += MOD_ALT;
    return modifiers;
}

QPixmap BitmapResource(const QString& sName)
{
    InitBitmapResources();
    return QPixmap(QStringLiteral(":/bitmaps/") + sName);
}
