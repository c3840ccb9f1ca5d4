#include "BrowserEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <unistd.h>

// QtGui's own slot for the context that every OpenGL user shares, which the
// engine needs before it starts.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();

namespace {

const QString kModuleName = QStringLiteral("libpvwebengine.so");

TBrowserEngineCreate gCreate = nullptr;
bool gTried = false;
QStringList gFolders;

// The engine reads its switches from the environment when it starts. As root it
// runs only without its sandbox; the pages it shows need no graphics card, and
// drawing in software keeps it from starting the GPU process.
void EngineEnvironmentSet()
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
}

// The application object would make the shared context at start for every
// program that links the engine; made here, only a program that shows a page
// pays for it. Offscreen there is none to make, and the engine goes without.
void ShareContextSet()
{
    if (qt_gl_global_share_context() != nullptr)
        return;
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    qt_gl_set_global_share_context(context);
}

TBrowserEngineCreate ModuleLoad()
{
    const QStringList slFolders = !gFolders.isEmpty() ? gFolders
                                                      : QStringList{QCoreApplication::applicationDirPath(),
                                                                    QStringLiteral(PV_MODULE_DIR)};
    for (const QString& sFolder : slFolders) {
        const QString sPath = QDir(sFolder).filePath(kModuleName);
        if (!QFile::exists(sPath))
            continue;
        // The library stays loaded for the rest of the process: its widgets may outlive any owner.
        QLibrary library(sPath);
        if (auto create = reinterpret_cast<TBrowserEngineCreate>(library.resolve(BrowserEngineCreateName)))
            return create;
        qWarning("%s", qPrintable(library.errorString()));
    }
    qWarning("the browser module %s was not found", qPrintable(kModuleName));
    return nullptr;
}

} // namespace

TBrowserEngine* BrowserEngineCreate(QWidget* parent)
{
    if (!gTried) {
        gTried = true;
        EngineEnvironmentSet();
        ShareContextSet();
        gCreate = ModuleLoad();
    }
    return gCreate != nullptr ? gCreate(parent) : nullptr;
}

bool BrowserEngineLoaded()
{
    return gCreate != nullptr;
}

void BrowserEngineSetModuleFolders(const QStringList& slFolders)
{
    gFolders = slFolders;
    gTried = false;
}
