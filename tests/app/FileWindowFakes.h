#pragma once

// A fake engine for the file windows and a fixture with its own settings file
// whose message boxes are answered by the test.

#include "FileWindowRoute.h"
#include "FileWindowRules.h"
#include "MessageBox.h"
#include "Settings.h"
#include "SubUnit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
    QString UserHandle(const QString&, const QString&) const override { return sHandle; }
};

class FileWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        ProgramDirectory = ProgramDirectoryOf(FDir.path());
        FileBaseName = ProgramDirectory + QStringLiteral("Parvane2");
        CustomizeShowTopMost = false;
        CustomizeFileSave = 0;
        CustomizeFileSaveSetPath.clear();
        FileSendWindowList.clear();
        FileRecvWindowList.clear();
        SetFileTransferEngine(&FEngine);
        MessageBox::SetAnswerer([this](const MessageBox::Request& request) {
            FBoxes.push_back(request);
            if (FOnBox) {
                auto onBox = FOnBox;
                FOnBox = nullptr;
                onBox();
            }
            if (FAnswers.empty())
                return request.iFlags & MessageBox::MB_YESNO ? MessageBox::IDYES : MessageBox::IDOK;
            const int answer = FAnswers.front();
            FAnswers.pop_front();
            return answer;
        });
    }

    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MessageBox::SetAnswerer({});
        SetFileTransferEngine(nullptr);
        FileSendWindowList.clear();
        FileRecvWindowList.clear();
    }

    static void Pump(int iMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < iMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    static void FreeClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QStringList BoxTexts() const
    {
        QStringList texts;
        for (const MessageBox::Request& box : FBoxes)
            texts << box.sText;
        return texts;
    }

    QTemporaryDir FDir;
    TFakeFileEngine FEngine;
    std::vector<MessageBox::Request> FBoxes;
    std::deque<int> FAnswers;
    // Runs once, inside the next box, before it is answered.
    std::function<void()> FOnBox;
};
