#include "VersionUnit.h"

#include "LabelEx.h"
#include "SubUnit.h"
#include "UpdateUnit.h"
#include "WebServer.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace {

const QSize kClientSize(313, 131);

} // namespace

QPoint VersionFormPlacement(const QSize& size, const QRect& mainFrame, bool bMainVisible,
                            const QRect& monitor, const QRect& workArea)
{
    const int w = size.width();
    const int h = size.height();
    if (!bMainVisible)
        return QPoint(monitor.left() + (monitor.width() - w) / 2, monitor.top() + (monitor.height() - h) / 2);
    int left = mainFrame.left() + (mainFrame.width() - w) / 2;
    int top = mainFrame.top() + (mainFrame.height() - h) / 2;
    if (left < monitor.left())
        left = monitor.left();
    if (top < monitor.top())
        top = monitor.top();
    if (left + w > workArea.left() + workArea.width())
        left = workArea.left() + workArea.width() - w;
    if (top + h > workArea.top() + workArea.height())
        top = workArea.top() + workArea.height() - h;
    return QPoint(left, top);
}

TVersionForm::TVersionForm()
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("バージョン情報 - Parvane 2"));
    setFixedSize(kClientSize);
    // A fixed border with the close button alone, as the options' dialogs have.
    SystemMenuTrim(this);

    pnBack = new QWidget(this);
    pnBack->setGeometry(0, 0, 313, 89);
    pnBack->setAutoFillBackground(true);
    QPalette palette = pnBack->palette();
    palette.setColor(QPalette::Window, Qt::black);
    pnBack->setPalette(palette);

    imLogo = new QLabel(pnBack);
    imLogo->setGeometry(24, 12, 32, 32);
    imLogo->setPixmap(BitmapResource(QStringLiteral("HEADER_ICON_MAIN"))
                          .scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    imTitle = new QLabel(QStringLiteral("Parvane 2"), pnBack);
    imTitle->setGeometry(66, 10, 167, 43);
    QFont titleFont(QStringLiteral("serif"), 22);
    titleFont.setItalic(true);
    titleFont.setBold(true);
    imTitle->setFont(titleFont);
    imTitle->setStyleSheet(QStringLiteral("color: rgb(255, 150, 40);"));
    laVersion = new QLabel(QStringLiteral("Ver") + ProductVersion, pnBack);
    QFont versionFont = laVersion->font();
    versionFont.setBold(true);
    laVersion->setFont(versionFont);
    laVersion->setStyleSheet(QStringLiteral("color: white;"));
    laVersion->move(239, 30);
    laVersion->adjustSize();

    nlURL = new TLabelEx(WebServer::HomePage(), pnBack);
    QFont linkFont = nlURL->font();
    linkFont.setBold(true);
    nlURL->setFont(linkFont);
    nlURL->SetFontColor(QColor(170, 170, 255));
    nlURL->SetHoverColor(QColor(255, 185, 185));
    nlURL->SetHoverStyle(fsBold | fsUnderline);
    nlURL->setCursor(Qt::PointingHandCursor);
    nlURL->setAlignment(Qt::AlignCenter);
    nlURL->setGeometry(0, 89 - 22, 313, 18);
    nlURL->setVisible(!WebServer::HomePage().isEmpty());
    nlURL->installEventFilter(this);

    btClose = new QPushButton(QStringLiteral("OK"), this);
    btClose->setGeometry(107, 95, 99, 28);
    btClose->setDefault(true);
    btClose->setFocus();
    connect(btClose, &QPushButton::clicked, this, &QDialog::accept);
}

TVersionForm::~TVersionForm()
{
    if (VersionForm == this)
        VersionForm = nullptr;
}

void TVersionForm::nlURLClick()
{
    const QString sHome = WebServer::HomePage();
    if (!sHome.isEmpty())
        QDesktopServices::openUrl(QUrl(sHome));
}

bool TVersionForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == nlURL && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        nlURLClick();
    return QDialog::eventFilter(watched, event);
}

void VersionFormShow(const TWindowServicesRef& services)
{
    if (VersionForm != nullptr) {
        WindowForeground(VersionForm);
        return;
    }
    VersionForm = new TVersionForm();
    const QWidget* main = services->MainWindow;
    const QScreen* screen = main != nullptr ? main->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect mainFrame = main != nullptr ? main->frameGeometry() : QRect();
        VersionForm->move(VersionFormPlacement(VersionForm->frameGeometry().size(), mainFrame,
                                               main != nullptr && main->isVisible(), screen->geometry(),
                                               screen->availableGeometry()));
    }
    if (CustomizeShowTopMost)
        VersionForm->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    VersionForm->exec();
}
