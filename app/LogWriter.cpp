#include "LogWriter.h"

#include "LogFile.h"

#include <QCoreApplication>
#include <QMetaObject>

TLogWriter::TLogWriter(TLostEvent onLost) : FOnLost(std::move(onLost)), FHome(std::make_unique<QObject>())
{
    FThread = std::thread([this] { Run(); });
}

TLogWriter::~TLogWriter()
{
    {
        const std::lock_guard lock(FMutex);
        FStopping = true;
    }
    FChanged.notify_all();
    FThread.join();
}

void TLogWriter::Add(const QString& sFileName, const QByteArray& record)
{
    Add(sFileName, QList<QByteArray>{record});
}

void TLogWriter::Add(const QString& sFileName, const QList<QByteArray>& records)
{
    if (records.isEmpty())
        return;
    QByteArray newestFirst;
    for (qsizetype i = records.size() - 1; i >= 0; --i)
        newestFirst += records[i];
    {
        const std::lock_guard lock(FMutex);
        FPending.append({sFileName, newestFirst, int(records.size())});
    }
    FChanged.notify_all();
}

void TLogWriter::Wait()
{
    {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return FPending.isEmpty() && !FWriting; });
    }
    TellLost();
}

void TLogWriter::Run()
{
    std::unique_lock lock(FMutex);
    for (;;) {
        FChanged.wait(lock, [this] { return FStopping || !FPending.isEmpty(); });
        if (FPending.isEmpty())
            return;
        // Every record waiting for the same file goes in with one rewrite: the
        // last added on top, as if each had been put there in turn.
        const QString sFileName = FPending.front().sFileName;
        qsizetype count = 0;
        int iRecords = 0;
        while (count < FPending.size() && FPending[count].sFileName == sFileName)
            iRecords += FPending[count++].iCount;
        QByteArray records;
        for (qsizetype i = count - 1; i >= 0; --i)
            records += FPending[i].records;
        FPending.remove(0, count);
        FWriting = true;
        lock.unlock();
        const bool written = LogFilePrepend(sFileName, records);
        lock.lock();
        FWriting = false;
        if (!written) {
            FLost += iRecords;
            // Past the program's end there is no one left to tell.
            if (QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    FHome.get(), [this] { TellLost(); }, Qt::QueuedConnection);
        }
        FChanged.notify_all();
    }
}

void TLogWriter::TellLost()
{
    int iLost = 0;
    {
        const std::lock_guard lock(FMutex);
        std::swap(iLost, FLost);
    }
    if (iLost > 0 && FOnLost)
        FOnLost(iLost);
}
