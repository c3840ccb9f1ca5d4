#pragma once

#include <QObject>
#include <any>
#include <map>

// What one apply of the settings changed: each setting whose value differs from
// the one before, named by its variable, with the value it had.
class TSettingsChange {
public:
    bool IsEmpty() const { return FBefore.empty(); }
    // The setting took a new value.
    template <class T> bool Has(const T& variable) const { return FBefore.count(&variable) > 0; }
    // The setting's value before the apply; its value now when it did not change.
    template <class T> T Before(const T& variable) const
    {
        const auto found = FBefore.find(&variable);
        return found == FBefore.end() ? variable : std::any_cast<T>(found->second);
    }

private:
    friend class TSettingsStore;
    std::map<const void*, std::any> FBefore;
};

// The one writer of the settings at run time, which tells whoever acts on them
// when they change. The values stay the process-wide variables of Settings.h,
// which every unit reads; the options apply writes them through the store and
// publishes the apply, and the main window, the receive window and the log
// viewer follow it through the signals. One per process (SettingsStore()).
class TSettingsStore : public QObject {
    Q_OBJECT

public:
    // ---- An apply: each value set, then Publish, then End once it is saved.
    template <class T> void Set(T& variable, const T& value)
    {
        if (variable == value)
            return;
        const auto [at, bNew] = FPending.FBefore.try_emplace(&variable, variable);
        variable = value;
        // Set back to what it was: no change after all.
        if (!bNew && std::any_cast<const T&>(at->second) == value)
            FPending.FBefore.erase(at);
    }
    // Tells every follower that the values set are in effect, with what changed;
    // told on every apply, also of nothing changed, since the followers also
    // refresh what they show from the settings. Returns the change.
    TSettingsChange Publish();
    // The apply is over: its file written and its notes told.
    void End();

    // ---- Around the applies
    // An editor of the settings opened (true) or went (false).
    void EditingSet(bool bEditing);
    // The settings and log files are about to move to another folder or name.
    void FilesMoveAnnounce();

signals:
    void Applied(const TSettingsChange& change);
    void ApplyEnded();
    // While an editor is open, the hot keys are let go so its fields can take them.
    void EditingChanged(bool bEditing);
    // What is still on its way into the files goes there before they move.
    void FilesMoving();

private:
    TSettingsChange FPending;
};

// The process's settings store.
TSettingsStore& SettingsStore();
