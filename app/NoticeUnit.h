#pragma once

#include "NoticeRules.h"
#include "WindowServices.h"

#include <QFont>
#include <QList>
#include <QPixmap>
#include <QStaticText>
#include <QStringList>
#include <QTimer>
#include <QWidget>

// The pop-up notice: a borderless window that fades in at one of seven places,
// shows its lines under a title, waits and fades out. It never takes the focus;
// a click fades it out at once. There is at most one.
class TNoticeForm : public QWidget {
    Q_OBJECT

public:
    TNoticeForm();
    ~TNoticeForm() override;

    void SetAutoClose(bool AutoClose);
    void SetPosition(int Position);
    void AddMessage(const QString& sMessage);
    void FadeTimerTimer();

    const TNoticeFade& Fade() const { return prFade; }
    bool AutoClose() const { return prAutoClose; }
    int Position() const { return prPosition; }
    const QStringList& Lines() const { return prMessage; }
    // The lines the window has room for: the newest that fit the work area.
    QStringList ShownLines() const;

    QTimer FadeTimer;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A line as laid out once, when it was added.
    struct TLineLayout {
        QStaticText text;
        int iWidth = 0;
    };

    void NoticeLayoutUpdate();
    // Lays the window out once the lines of this turn of the event loop are in.
    void NoticeLayoutLater();
    qsizetype ShownLineCount() const;
    QRect TimeBarRect() const;

    bool prAutoClose = true;
    int prPosition = npBottomRight;
    QPixmap prIcon;
    TNoticeFade prFade;
    QStringList prMessage;
    QList<TLineLayout> prLayouts;
    QFont prTitleFont;
    QFont prLineFont;
    int prTitleWidth = 0;
    bool prLayoutPending = false;
};

// The one notice window while it is shown.
inline TNoticeForm* NoticeForm = nullptr;

// The services whose engine tells the user's away state to the notices; the
// program's windows hand them over as the main window gives them.
void NoticeServicesSet(const TWindowServicesRef& services);
// A notice of an event: the notice settings and the away state decide how it shows.
void NoticeAdd(const QString& Text);
void NoticeMessage(const QString& Text);
// Text as one more line of the notice at Position (0 to 6; others keep the place).
void NoticeShow(const QString& Text, int Position, bool AutoClose);
// The notice's millisecond clock; tests set their own.
quint32 NoticeClockNow();
