#pragma once

#include <QString>
#include <array>

// One unread message.
struct TMessageRecvSub {
    QString sMessage;
    QString sMessageID;
    bool bLetter = false;
    QString sSendHandle;
    QString sSendMachine; // empty marks an empty slot
    QString sSendDiscrimination;
    QString sRecvTime;
};

// The unread messages, oldest first in slots 0..Count()-1 with no gaps.
class TMessageRecvQueue {
public:
    // A peer can send without end; past this many unread, the oldest gives way.
    static constexpr int Capacity = 256;

    bool Empty() const { return FSlots[0].sSendMachine.isEmpty(); }
    // The index of the first empty slot.
    int Count() const;
    const TMessageRecvSub& Slot(int i) const { return FSlots[i]; }
    const TMessageRecvSub& Head() const { return FSlots[0]; }

    // Appends at the first empty slot. When every slot is full the oldest is dropped
    // and the new one appended in the same step, so an arrival inside the loop of a
    // warning cannot overwrite or lose anything; the result then is true.
    bool Append(const TMessageRecvSub& sub);
    // Removes slot 0, the rest moving down by one.
    void RemoveHead();
    // Removes the first slot that holds the sender's message with that identifier,
    // the rest moving down by one; false when none holds it (it was dropped).
    bool Remove(const QString& sMessageID, const QString& sMachine, const QString& sDiscrimination);
    void Clear();

private:
    std::array<TMessageRecvSub, Capacity> FSlots;
};

// The process-wide queue.
inline TMessageRecvQueue MessageRecvQueue;
