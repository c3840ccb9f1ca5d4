#include "AbsenceRequests.h"

void TAbsenceRequests::Asked(const QString& sMachine, const QString& sDiscrimination)
{
    ++FAsked[{sMachine, sDiscrimination}];
}

bool TAbsenceRequests::Answered(const QString& sMachine, const QString& sDiscrimination)
{
    const auto found = FAsked.find({sMachine, sDiscrimination});
    if (found == FAsked.end())
        return false;
    if (--found->second == 0)
        FAsked.erase(found);
    return true;
}
