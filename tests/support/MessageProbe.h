#pragma once

// Needs the platform's window layer, so only the programs that link it include this.
#include "WindowMessage.h"

#include <QObject>
#include <functional>
#include <tuple>
#include <vector>

namespace TestSupport {

// A stand-in window that records every private window message sent to it and
// answers each with what Answer gives (0 without it).
class MessageProbe : public QObject {
public:
    using Message = std::tuple<unsigned, WindowMessage::WPARAM, WindowMessage::LPARAM>;

    WindowMessage::HWND Handle() { return WindowMessage::HandleOf(this); }
    // The message numbers alone, in the order they came.
    std::vector<unsigned> Numbers() const
    {
        std::vector<unsigned> numbers;
        for (const Message& m : got)
            numbers.push_back(std::get<0>(m));
        return numbers;
    }

    std::vector<Message> got;
    std::function<qintptr(const WindowMessage::Event&)> Answer;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != WindowMessage::Event::EventType())
            return QObject::event(e);
        auto* m = static_cast<WindowMessage::Event*>(e);
        got.emplace_back(m->Msg, m->wParam, m->lParam);
        if (Answer)
            m->Result = Answer(*m);
        return true;
    }
};

} // namespace TestSupport
