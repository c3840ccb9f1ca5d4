#include "LoginUserTable.h"

#include "CommonForm.h"
#include "DropListView.h"

const TLoginUserTable::TEntry* TLoginUserTable::Find(const QString& sMachine,
                                                     const QString& sDiscrimination) const
{
    const auto it = FEntries.find({sMachine, sDiscrimination});
    return it != FEntries.end() ? &it->second : nullptr;
}

const TLoginUserTable::TEntry* TLoginUserTable::FindRow(const TListItem* row) const
{
    const auto it = FRowKeys.find(row);
    return it != FRowKeys.end() ? Find(it->second.first, it->second.second) : nullptr;
}

void TLoginUserTable::Put(const TLoginUserFlags& flags, TListItem* row)
{
    const TKey key{flags.MachineName, flags.Discrimination};
    TEntry& entry = FEntries[key];
    if (entry.Row != row)
        FRowKeys.erase(entry.Row);
    entry = {flags, row};
    FRowKeys[row] = key;
}

TListItem* TLoginUserTable::Remove(const QString& sMachine, const QString& sDiscrimination)
{
    const auto it = FEntries.find({sMachine, sDiscrimination});
    if (it == FEntries.end())
        return nullptr;
    TListItem* row = it->second.Row;
    FRowKeys.erase(row);
    FEntries.erase(it);
    return row;
}

void TLoginUserTable::Clear()
{
    FEntries.clear();
    FRowKeys.clear();
}

TPeer LoginUserPeer(const TLoginUserFlags& flags)
{
    return {flags.HandleName, flags.MachineName, flags.Discrimination};
}

void LoginUserRowWrite(TListItem& row, const TLoginUserFlags& flags)
{
    row.SetCaption(PeerTextInLine(flags.HandleName));
    row.SetSubItems(LoginUserSubItems(flags));
    row.SetImageIndex(LoginUserIconIndex(flags.Discrimination, flags.Version, flags.Absence));
}
