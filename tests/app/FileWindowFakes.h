#pragma once

// A fake engine for the file windows and a fixture with its own settings file
// whose message boxes are answered by the test.

#include "FileTransferEngine.h"
#include "FileWindowRoute.h"
#include "FileWindowRules.h"
#include "MessageBox.h"
#include "Settings.h"
#include "SubUnit.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

// Reports the cancels as the engine does: at once, routed to the window of the transfer.
struct TFakeFileEngine : TFileTransferEngine {
    bool bLoggedIn = true;
    bool bAbsent = false;
    int iNextSocket = 41;
    QString sHandle = QStringLiteral("花子");
    struct Send {
        QString sFile, sComment, sMachine, sDiscrimination;
    };
    std::vector<Send> sends;
    std::vector<int> sendCancels;
    std::vector<int> recvCancels;
    struct Accept {
        int iSocketNo = 0;
        QString sPath;
        bool bReplace = false;
    };
    std::vector<Accept> recvAccepts;
    // The path of the last acceptance that was answered Accepted.
    QString sAccepted;
    // Runs inside a cancel, after its routed report.
    std::function<void(int iSocketNo)> OnCancel;

    bool LoginStates() const override { return bLoggedIn; }
    bool PeerAbsent(const QString&, const QString&) const override { return bAbsent; }
    int FileSend(const QString& f, const QString& c, const QString& m, const QString& d) override
    {
        sends.push_back({f, c, m, d});
        return iNextSocket;
    }
    bool FileSendCancel(int iSocketNo) override
    {
        sendCancels.push_back(iSocketNo);
        FileRoute(FileSendWindowList, iSocketNo, WM_ERRORFILESEND, 0, FileSendErrorCancelled);
        if (OnCancel)
            OnCancel(iSocketNo);
        return true;
    }
    bool FileRecvCancel(int iSocketNo) override
    {
        recvCancels.push_back(iSocketNo);
        FileRoute(FileRecvWindowList, iSocketNo, WM_ERRORFILERECV, 0, FileRecvErrorCancelled);
        if (OnCancel)
            OnCancel(iSocketNo);
        return true;
    }
    // As the engine answers: something at the path is not replaced unasked.
    TParvaneNetwork::TFileRecvAcceptResult FileRecvAccept(int iSocketNo, const QString& sPath,
                                                          bool bReplace) override
    {
        recvAccepts.push_back({iSocketNo, sPath, bReplace});
        const QFileInfo there(sPath);
        if (!bReplace && (there.exists() || there.isSymLink()))
            return TParvaneNetwork::TFileRecvAcceptResult::Exists;
        sAccepted = sPath;
        return TParvaneNetwork::TFileRecvAcceptResult::Accepted;
    }
    QString UserHandle(const QString&, const QString&) const override { return sHandle; }
};

class FileWindowTest : public TestSupport::WindowTest {
protected:
    void SetUp() override
    {
        WindowTestOn::SetUp();
        if (HasFatalFailure())
            return;
        CustomizeShowTopMost = false;
        CustomizeFileSave = 0;
        CustomizeFileSaveSetPath.clear();
        SetFileTransferEngine(&FEngine);
    }

    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetFileTransferEngine(nullptr);
        WindowTestOn::TearDown();
    }

    void BoxShown(const MessageBox::Request&) override
    {
        if (FOnBox) {
            auto onBox = FOnBox;
            FOnBox = nullptr;
            onBox();
        }
    }

    static void Pump(int iMs) { TestSupport::PumpFor(iMs); }

    static void FreeClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    TFakeFileEngine FEngine;
    // Runs once, inside the next box, before it is answered.
    std::function<void()> FOnBox;
};
