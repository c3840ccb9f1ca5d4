#include "MessageRecvQueue.h"

#include <algorithm>

int TMessageRecvQueue::Count() const
{
    for (int i = 0; i < Capacity; ++i)
        if (FSlots[i].sSendMachine.isEmpty())
            return i;
    return Capacity;
}

bool TMessageRecvQueue::Append(const TMessageRecvSub& sub)
{
    const int iCount = Count();
    if (iCount < Capacity) {
        FSlots[iCount] = sub;
        return false;
    }
    std::move(FSlots.begin() + 1, FSlots.end(), FSlots.begin());
    FSlots[Capacity - 1] = sub;
    return true;
}

void TMessageRecvQueue::RemoveHead()
{
    std::move(FSlots.begin() + 1, FSlots.end(), FSlots.begin());
    FSlots[Capacity - 1] = TMessageRecvSub();
}

bool TMessageRecvQueue::Remove(const QString& sMessageID, const QString& sMachine,
                               const QString& sDiscrimination)
{
    const auto end = FSlots.begin() + Count();
    const auto found = std::find_if(FSlots.begin(), end, [&](const TMessageRecvSub& slot) {
        return slot.sMessageID == sMessageID && slot.sSendMachine == sMachine &&
               slot.sSendDiscrimination == sDiscrimination;
    });
    if (found == end)
        return false;
    std::move(found + 1, FSlots.end(), found);
    FSlots[Capacity - 1] = TMessageRecvSub();
    return true;
}

void TMessageRecvQueue::Clear()
{
    FSlots.fill(TMessageRecvSub());
}
