#pragma once

#include <QString>
#include <map>
#include <utility>

// The away-message requests this program has made and that are not answered yet,
// counted per peer (machine name, identifier). An answer is shown only when it was
// asked for, so a peer that sends answers unasked opens no window and no box,
// while each request the user made gets its own answer.
class TAbsenceRequests {
public:
    void Asked(const QString& sMachine, const QString& sDiscrimination);
    // True for the answer to a request made; that request is answered then, so a
    // second answer to it is unasked.
    bool Answered(const QString& sMachine, const QString& sDiscrimination);

private:
    std::map<std::pair<QString, QString>, int> FAsked;
};
