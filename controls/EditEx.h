#pragma once

#include <QLineEdit>

// Where a control places itself within its parent.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// A plain edit box that can place itself along an edge of its parent or fill it.
class TEditEx : public QLineEdit {
    Q_OBJECT

public:
    explicit TEditEx(QWidget* parent = nullptr);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Realign();

    TAlign FAlign = TAlign::alNone;
    QWidget* FWatched = nullptr;
};
