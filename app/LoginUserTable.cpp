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

void TLoginUserTable::Put(const TLoginUserReport& report, TListItem* row)
{
    const TKey key{report.MachineName, report.Discrimination};
    TEntry& entry = FEntries[key];
    if (entry.Row != row)
        FRowKeys.erase(entry.Row);
    entry = {report, row};
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

TPeer LoginUserPeer(const TLoginUserReport& report)
{
    return {report.HandleName, report.MachineName, report.Discrimination};
}

void LoginUserRowWrite(TListItem& row, const TLoginUserReport& report)
{
    row.SetCaption(PeerTextInLine(report.HandleName));
    row.SetSubItems(LoginUserSubItems(report));
    row.SetImageIndex(LoginUserIconIndex(report.Discrimination, report.Version, report.Absence));
}
