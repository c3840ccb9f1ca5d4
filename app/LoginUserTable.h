#pragma once

#include "LoginUserRow.h"
#include "SubUnit.h"

#include <QString>
#include <map>
#include <utility>

class TListItem;

// The users logged in, by machine name and application identifier: what each one
// reported last and the row of the user list that shows it. The list is only the
// table's view: the lookups, the selection rule and the file drop read the reports
// here, never the texts of a row.
class TLoginUserTable {
public:
    struct TEntry {
        TLoginUserReport Report;
        TListItem* Row = nullptr;
    };

    const TEntry* Find(const QString& sMachine, const QString& sDiscrimination) const;
    // The entry that row shows; nullptr for none.
    const TEntry* FindRow(const TListItem* row) const;
    // Adds the user with the row that shows it, or takes its new report (and row).
    void Put(const TLoginUserReport& report, TListItem* row);
    // Forgets the user and gives back its row for the list to delete; nullptr when not listed.
    TListItem* Remove(const QString& sMachine, const QString& sDiscrimination);
    void Clear();
    int Count() const { return int(FEntries.size()); }

private:
    using TKey = std::pair<QString, QString>;
    std::map<TKey, TEntry> FEntries;
    std::map<const TListItem*, TKey> FRowKeys;
};

// The user as the windows pass a peer on.
TPeer LoginUserPeer(const TLoginUserReport& report);

// Writes a row as it shows the user: the handle name as its caption, the sub-items
// of LoginUserSubItems and the image of LoginUserIconIndex.
void LoginUserRowWrite(TListItem& row, const TLoginUserReport& report);
