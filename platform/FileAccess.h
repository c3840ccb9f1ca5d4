#pragma once

#include <QFileInfo>

// A file that is there but that the program must not write: not a regular file,
// or one whose owner's write bit is off. The bit, not the process's access: root
// may write a 0444 file, and a file the user made read-only stays so for everyone.
inline bool ReadOnlyFile(const QFileInfo& info)
{
    return info.exists() && (!info.isFile() || !(info.permissions() & QFileDevice::WriteOwner));
}
