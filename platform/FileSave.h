#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's contents all at once, so that a full disk, a failed rename or
// a crash leaves either the old file whole or the new one whole, never a part.
//
// The bytes go to a new file beside the old one, which is synced, given the old
// file's permissions and renamed over it; a symbolic link keeps pointing at the
// file it named. Every step is checked, the closing and the sync included: a
// disk that fills up shows there as often as in the write. Where the folder
// takes no new file but the file itself may be written (a shared folder the
// user may only write this file in), the file is rewritten in place, and the
// room for the new bytes is taken first so a full disk fails before any byte
// of the old file changes.
//
// False, with the file as it was and nothing left behind, when any step failed.
bool FileSaveAtomic(const QString& sFileName, const QByteArray& bytes);
