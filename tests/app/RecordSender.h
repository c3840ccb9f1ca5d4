#pragma once

// A machine of the test LAN that sends records to the program in host 1, framed as
// a peer frames them, with any source address it gives its datagrams: a colleague's,
// one no host holds, or its own.
#include "AnsiCodePage.h"
#include "DatagramFraming.h"
#include "ForgedDatagram.h"
#include "Stamps.h"

#include <gtest/gtest.h>

namespace TestSupport {

class RecordSender {
public:
    // The sender sits in host iHost (from 0) and sends as sSource unless a send says otherwise.
    RecordSender(TestLan& lan, int iHost, const QString& sSource)
        : FForger(lan, iHost), FSource(sSource), FTarget(lan.Address(0))
    {
    }

    testing::AssertionResult Send(const QString& sText, const QString& sSource = QString())
    {
        if (!FForger.IsOpen())
            return testing::AssertionFailure() << qPrintable(FForger.Error());
        const QByteArray framed =
            DatagramFraming::FrameRecord(AnsiCodePage::Encode(Stamps::NewPacketId() + sText), false);
        for (const QByteArray& datagram : DatagramFraming::CutIntoDatagrams(framed, kDatagramSize))
            if (!FForger.Send(sSource.isEmpty() ? FSource : sSource, FTarget, kPort, datagram))
                return testing::AssertionFailure() << qPrintable(FForger.Error());
        return testing::AssertionSuccess();
    }

private:
    static constexpr int kPort = 51000;
    // The largest datagram a copy of the program sends.
    static constexpr int kDatagramSize = 512;

    ForgedDatagram FForger;
    QString FSource;
    QString FTarget;
};

} // namespace TestSupport
