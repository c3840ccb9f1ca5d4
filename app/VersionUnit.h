#pragma once

#include "WindowServices.h"

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>

class QLabel;
class QPushButton;
class TLabelEx;

// Where the version window goes: centred on a visible main window and held
// within its monitor (left and top edges, then the work area's right and
// bottom), or centred on the monitor when the main window is hidden.
QPoint VersionFormPlacement(const QSize& size, const QRect& mainFrame, bool bMainVisible,
                            const QRect& monitor, const QRect& workArea);

// The program's name, version and the maker's home page; a fixed-size modal dialog.
class TVersionForm : public QDialog {
    Q_OBJECT

public:
    TVersionForm();
    ~TVersionForm() override;

    void nlURLClick();

    QWidget* pnBack = nullptr;
    QLabel* imLogo = nullptr;
    QLabel* imTitle = nullptr;
    QLabel* laVersion = nullptr;
    TLabelEx* nlURL = nullptr;
    QPushButton* btClose = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The one version window while it is open.
inline TVersionForm* VersionForm = nullptr;

// Shows the window modally and returns when it closes; with one open, brings it
// to the front. It is placed by the services' main window, when there is one.
void VersionFormShow(const TWindowServicesRef& services = {});
