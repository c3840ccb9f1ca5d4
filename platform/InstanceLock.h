#pragma once

#include <QString>

// A named lock held for the life of the process: an exclusive, non-blocking
// flock on a file named after the lock, so that two copies started at once
// cannot both get it and the kernel frees it when its holder ends, however it ends.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum TResult {
        Acquired,
        HeldElsewhere,
        // The lock file cannot be opened: the caller runs without the guard.
        Unavailable
    };
    TResult Acquire(const QString& sName);
    bool Held() const { return FFd >= 0; }
    void Release();

    // $XDG_RUNTIME_DIR, or a private folder of the user under the temporary folder.
    static QString LockDirectory();
    static QString LockFilePath(const QString& sName);
    // Lets tests keep their lock files apart from a running copy's; empty restores the default.
    static void SetLockDirectoryForTest(const QString& sDirectory);

private:
    int FFd = -1;
};
