#include "WindowMessage.h"

#include "MessageProbe.h"

#include <QObject>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Records each message and answers with its lParam doubled.
class Receiver : public TestSupport::MessageProbe {
public:
    Receiver()
    {
        Answer = [](const WindowMessage::Event& message) { return message.lParam * 2; };
    }
};

TEST(WindowMessage, DeliveredBeforeSendReturns)
{
    Receiver receiver;
    const WindowMessage::HWND handle = WindowMessage::HandleOf(&receiver);
    EXPECT_EQ(WindowMessage::HandleOf(&receiver), handle);
    EXPECT_EQ(WindowMessage::Send(handle, WindowMessage::WM_APP + 100, 4, 21), 42);
    EXPECT_EQ(receiver.Numbers(), std::vector<unsigned>({WindowMessage::WM_APP + 100}));
}

TEST(WindowMessage, HandleOfAGoneWindowNamesNothingAndIsNeverGivenAgain)
{
    auto first = std::make_unique<Receiver>();
    const WindowMessage::HWND gone = WindowMessage::HandleOf(first.get());
    first.reset();
    EXPECT_EQ(WindowMessage::WindowOf(gone), nullptr);
    EXPECT_EQ(WindowMessage::Send(gone, WindowMessage::WM_CLOSE, 0, 1), 0);

    Receiver second;
    EXPECT_NE(WindowMessage::HandleOf(&second), gone);
    EXPECT_EQ(WindowMessage::Send(0, WindowMessage::WM_CLOSE, 0, 1), 0);
    EXPECT_EQ(WindowMessage::Send(7, WindowMessage::WM_CLOSE, 0, 1), 0);
    EXPECT_TRUE(second.Numbers().empty());
}

TEST(WindowMessage, ForgottenWindowStopsReceiving)
{
    Receiver receiver;
    const WindowMessage::HWND handle = WindowMessage::HandleOf(&receiver);
    WindowMessage::Forget(handle);
    EXPECT_EQ(WindowMessage::Send(handle, WindowMessage::WM_APP, 0, 5), 0);
    EXPECT_TRUE(receiver.Numbers().empty());
}

} // namespace
