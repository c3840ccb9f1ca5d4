#pragma once

#include <unistd.h>

// An open file of a transfer, closed with the record that owns it.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : FFd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return FFd; }
    bool IsOpen() const { return FFd >= 0; }
    void Reset(int fd)
    {
        Close();
        FFd = fd;
    }
    // False when the last write-back failed, which a writer must hear of.
    bool Close()
    {
        if (FFd < 0)
            return true;
        const int rc = ::close(FFd);
        FFd = -1;
        return rc == 0;
    }

private:
    int FFd = -1;
};
