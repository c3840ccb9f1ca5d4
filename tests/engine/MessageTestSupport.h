#pragma once

#include "ParvaneNetwork.h"

#include <QStringList>

// Writes every event of the addressed records into one line each, "Event|arg|arg...".
inline void RecordMessageEvents(TParvaneNetwork& engine, QStringList& log)
{
    auto b = [](bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); };
    auto line = [&log](QStringList parts) { log.append(parts.join(QLatin1Char('|'))); };
    engine.OnMessage = [=](TParvaneNetwork*, const QString& m, const QString& id, bool letter,
                           const QString& h, const QString& mc, const QString& d, const QString& t) {
        line({"Message", m, id, b(letter), h, mc, d, t});
    };
    engine.OnMessageOk = [=](TParvaneNetwork*, const QString& id, const QString& h, const QString& mc,
                             const QString& d) {
        line({"MessageOk", id, h, mc, d});
    };
    engine.OnMessageOpen = [=](TParvaneNetwork*, const QString& id, const QString& h, const QString& mc,
                               const QString& d) {
        line({"MessageOpen", id, h, mc, d});
    };
    engine.OnAbsenceMessage = [=](TParvaneNetwork*, const QString& m, const QString& h, const QString& mc,
                                  const QString& d, const QString& t) {
        line({"AbsenceMessage", m, h, mc, d, t});
    };
    engine.OnMenuNothing = [=](TParvaneNetwork*, const QString& h, const QString& mc, const QString& d) {
        line({"MenuNothing", h, mc, d});
    };
    engine.OnInputSelect = [=](TParvaneNetwork*, const QString& m, const QString& l, const QString& r,
                               const QString& sd, const QString& h, const QString& mc, const QString& d) {
        line({"InputSelect", m, l, r, sd, h, mc, d});
    };
    engine.OnInputLine = [=](TParvaneNetwork*, const QString& m, const QString& ml, const QString& ld,
                             const QString& h, const QString& mc, const QString& d, bool password) {
        line({"InputLine", m, ml, ld, h, mc, d, b(password)});
    };
    engine.OnInputText = [=](TParvaneNetwork*, const QString& m, const QString& td, const QString& h,
                             const QString& mc, const QString& d) {
        line({"InputText", m, td, h, mc, d});
    };
    engine.OnInputReturn = [=](TParvaneNetwork*, const QString& id, const QString& r, const QString& h,
                               const QString& mc, const QString& d) {
        line({"InputReturn", id, r, h, mc, d});
    };
    engine.OnInputMessage = [=](TParvaneNetwork*, const QString& m, const QString& h, const QString& mc,
                                const QString& d, const QString& t) {
        line({"InputMessage", m, h, mc, d, t});
    };
    engine.OnErrorSend = [=](TParvaneNetwork*, const QString& m, const QString& id, const QString& mc,
                             const QString& d) {
        line({"ErrorSend", m, id, mc, d});
    };
}
