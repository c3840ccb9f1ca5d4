#pragma once

#include <QProcess>

namespace TestSupport {

// Ends a helper program of a test: asked first, then killed if it will not go.
inline void ProcessEnd(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace TestSupport
