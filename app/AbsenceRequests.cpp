#include "AbsenceRequests.h"

void TAbsenceRequests::Asked(const QString& sMachine, const QString& sDiscrimination)
{
    FAsked.emplace(sMachine, sDiscrimination);
}

bool TAbsenceRequests::Answered(const QString& sMachine, const QString& sDiscrimination)
{
    return FAsked.erase({sMachine, sDiscrimination}) > 0;
}
