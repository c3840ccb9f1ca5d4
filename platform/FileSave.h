#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

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

// Takes the next bytes of the new contents; false once they could not be written.
using TFileSaveSink = std::function<bool(QByteArrayView bytes)>;
// Hands the whole new contents to the sink, in pieces; false when they could not
// be made (a file they come from could not be read) or the sink refused a piece.
using TFileSaveSource = std::function<bool(const TFileSaveSink& write)>;

// The same for contents made a piece at a time, so that a long file never has
// to be held whole: the source may read the old file, which stays as it was
// until the new one is complete. To be rewritten in place, the contents are
// first put in a nameless file of the temporary folder, and only once they are
// all there is the old file changed.
bool FileSaveAtomic(const QString& sFileName, const TFileSaveSource& source);
