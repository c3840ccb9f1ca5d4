#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Puts log records at the top of their file on a thread of its own, so that the
// program's thread never waits for a long log to be rewritten. Records land in
// the order they were added; those that arrive while a rewrite is under way go
// into the file together by the next one, the newest on top. A record that
// cannot be written is lost, as LogFilePrepend says, and counted to the
// onLost event the writer was made with.
class TLogWriter {
public:
    // Told, on the thread that made the writer, how many records were lost
    // since it was last told: by its event loop soon after, or by Wait.
    using TLostEvent = std::function<void(int iLost)>;

    explicit TLogWriter(TLostEvent onLost);
    // Writes what is still waiting before it ends; losses are no longer told then.
    ~TLogWriter();
    TLogWriter(const TLogWriter&) = delete;
    TLogWriter& operator=(const TLogWriter&) = delete;

    void Add(const QString& sFileName, const QByteArray& record);
    // Records that came together, oldest first, as Add would take them one by one.
    void Add(const QString& sFileName, const QList<QByteArray>& records);
    // Returns when every record added so far is in its file or lost, after
    // telling the losses not yet told.
    void Wait();

private:
    struct TPending {
        QString sFileName;
        QByteArray records; // the newest on top
        int iCount = 1;
    };

    void Run();
    void TellLost();

    TLostEvent FOnLost;
    // Lives on the thread that made the writer, to bring the losses there.
    std::unique_ptr<QObject> FHome;
    std::mutex FMutex;
    std::condition_variable FChanged;
    QList<TPending> FPending;
    bool FWriting = false;
    bool FStopping = false;
    int FLost = 0;
    std::thread FThread;
};
