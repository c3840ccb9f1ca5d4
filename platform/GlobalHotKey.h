#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <functional>
#include <map>
#include <vector>

// System-wide shortcuts: X11 key grabs on the root window. A shortcut is given as
// the system of the stored settings knows it: modifier bits and a virtual-key code.
class GlobalHotKey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    static constexpr unsigned ModAlt = 0x1;
    static constexpr unsigned ModControl = 0x2;
    static constexpr unsigned ModShift = 0x4;

    explicit GlobalHotKey(QObject* parent = nullptr);
    ~GlobalHotKey() override;

    // False when there is no X11 connection (offscreen, Wayland), the key has no
    // X equivalent, or another client holds the combination. An id registered again
    // replaces its old grab.
    bool Register(int iId, unsigned iModifiers, unsigned iVirtualKey);
    void Unregister(int iId);
    void UnregisterAll();
    bool IsRegistered(int iId) const { return FGrabs.count(iId) != 0; }

    // The id of a pressed shortcut.
    std::function<void(int iId)> OnHotKey;

    // The X keysym of a virtual-key code; 0 when it has none.
    static unsigned KeySymOfVirtualKey(unsigned iVirtualKey);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        std::vector<unsigned char> keycodes;
        unsigned short iMask = 0;
    };
    void Ungrab(const Grab& grab);

    std::map<int, Grab> FGrabs;
};
