#include "SettingsStore.h"

TSettingsChange TSettingsStore::Publish()
{
    const TSettingsChange change = std::exchange(FPending, TSettingsChange());
    emit Applied(change);
    return change;
}

void TSettingsStore::End()
{
    emit ApplyEnded();
}

void TSettingsStore::EditingSet(bool bEditing)
{
    emit EditingChanged(bEditing);
}

void TSettingsStore::FilesMoveAnnounce()
{
    emit FilesMoving();
}

TSettingsStore& SettingsStore()
{
    static TSettingsStore store;
    return store;
}
