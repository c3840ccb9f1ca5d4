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
    {
        const std::lock_guard lock(FMutex);
        FPending.append({sFileName, record});
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
        while (count < FPending.size() && FPending[count].sFileName == sFileName)
            ++count;
        QByteArray records;
        for (qsizetype i = count - 1; i >= 0; --i)
            records += FPending[i].record;
        FPending.remove(0, count);
        FWriting = true;
        lock.unlock();
        const bool written = LogFilePrepend(sFileName, records);
        lock.lock();
        FWriting = false;
        if (!written) {
            FLost += static_cast<int>(count);
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
