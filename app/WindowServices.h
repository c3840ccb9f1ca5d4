#pragma once

#include <memory>
#include <utility>

class QWidget;
class TEngineEvents;
class TLoginUserTable;
class TMainWindowEvents;
class TParvaneNetwork;
class TProgramWindows;

// What a window may use of the program, handed to it when it is made. Any of
// them may be missing (a window made without a main window, as tests make
// them); a window then does without, as it does once the main window is gone.
struct TWindowServices {
    TParvaneNetwork* Engine = nullptr;
    // The users the main window lists.
    const TLoginUserTable* Users = nullptr;
    // The other windows: the log, the notices, the openers.
    TProgramWindows* Windows = nullptr;
    // What to tell the main window.
    TMainWindowEvents* Main = nullptr;
    TEngineEvents* Events = nullptr;
    // The main window's widget, for windows placed by it.
    QWidget* MainWindow = nullptr;
};

// The services as a window keeps them: the main window's one record, shared,
// which it empties as it goes, so that a window that outlives it finds nothing
// rather than what is gone. Made empty, it hands nothing.
class TWindowServicesRef {
public:
    TWindowServicesRef() = default;
    explicit TWindowServicesRef(std::shared_ptr<const TWindowServices> services)
        : FServices(std::move(services))
    {
    }

    const TWindowServices* operator->() const { return FServices ? FServices.get() : &FNone; }
    const TWindowServices& operator*() const { return *operator->(); }

private:
    static inline const TWindowServices FNone{};
    std::shared_ptr<const TWindowServices> FServices;
};
