#pragma once

// Real message boxes on the screen, for the tests that let something happen while
// a box is open: which boxes show, and pressing a button of one as the user would.
#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace TestSupport {

// The message boxes that show now, oldest first.
inline QList<QMessageBox*> OpenBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box != nullptr && box->isVisible())
            boxes << box;
    return boxes;
}

// The texts of the boxes that show now.
inline QStringList OpenBoxTexts()
{
    QStringList texts;
    for (const QMessageBox* box : OpenBoxes())
        texts << box->text();
    return texts;
}

// Presses the box's button with that text, or Escape's button when sButton is empty.
inline void PressBoxButton(QMessageBox* box, const QString& sButton = QString())
{
    const QPointer<QMessageBox> guard(box);
    for (QAbstractButton* button : box->buttons()) {
        if (!sButton.isEmpty() && button->text() == sButton) {
            button->click();
            return;
        }
    }
    if (guard)
        box->reject();
}

// Closes every box that shows, newest first, as a user pressing Escape would.
inline void CloseOpenBoxes()
{
    for (QList<QMessageBox*> boxes = OpenBoxes(); !boxes.isEmpty(); boxes = OpenBoxes()) {
        PressBoxButton(boxes.last());
        QApplication::processEvents();
    }
}

// The label shows the text as it is: plain, and lower than the picture that the
// text names (a picture it drew would make it at least as tall).
inline testing::AssertionResult ShowsAsText(const QLabel* label, const QString& sText,
                                            int iPictureHeight = 400)
{
    if (label == nullptr)
        return testing::AssertionFailure() << "no label";
    if (label->text() != sText)
        return testing::AssertionFailure() << "text " << label->text().toStdString();
    if (label->textFormat() != Qt::PlainText)
        return testing::AssertionFailure() << "text format " << label->textFormat();
    if (label->sizeHint().height() >= iPictureHeight)
        return testing::AssertionFailure() << "drawn " << label->sizeHint().height() << " high";
    return testing::AssertionSuccess();
}

// Calls tick every few milliseconds until stop says done, from fresh timers, so a
// tick comes also while an earlier one waits in a box's loop (Qt does not enter a
// timer's own handler again from inside it), as the engine's events come.
class TTicker {
public:
    explicit TTicker(std::function<void()> tick, int iIntervalMs = 0)
        : FTick(std::move(tick)), FIntervalMs(iIntervalMs)
    {
    }
    void Start()
    {
        FRunning = true;
        Arm();
    }
    void Stop() { FRunning = false; }

private:
    void Arm()
    {
        QTimer::singleShot(FIntervalMs, &FContext, [this] {
            if (!FRunning)
                return;
            Arm();
            FTick();
        });
    }

    std::function<void()> FTick;
    int FIntervalMs;
    bool FRunning = false;
    QObject FContext;
};

// Runs an event loop, as the program's own loop runs its events, and calls step at
// each of its turns (also while an earlier step waits in a box's loop) until step
// says it is done or the time is up; then closes the boxes left open. False when
// the time ran out.
inline bool RunLoopUntil(const std::function<bool()>& step, int iTimeoutMs = 15000)
{
    QEventLoop loop;
    bool bDone = false;
    bool bTimedOut = false;
    TTicker ticker([&] {
        if (bDone || bTimedOut)
            return;
        if (step()) {
            bDone = true;
            CloseOpenBoxes();
            loop.quit();
        }
    });
    QTimer::singleShot(iTimeoutMs, &loop, [&] {
        bTimedOut = true;
        CloseOpenBoxes();
        loop.quit();
    });
    ticker.Start();
    loop.exec();
    ticker.Stop();
    return bDone;
}

} // namespace TestSupport
