#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

namespace MessageBox {
namespace {

Answerer& CurrentAnswerer()
{
    static Answerer answerer;
    return answerer;
}

struct Button {
    int id;
    QString text;
    QMessageBox::ButtonRole role;
};

// The buttons of each button kind, in their order on the box.
std::vector<Button> ButtonsOf(int iFlags)
{
    const Button ok{IDOK, QStringLiteral("OK"), QMessageBox::AcceptRole};
    const Button cancel{IDCANCEL, QStringLiteral("キャンセル"), QMessageBox::RejectRole};
    const Button abort{IDABORT, QStringLiteral("中止(&A)"), QMessageBox::RejectRole};
    const Button retry{IDRETRY, QStringLiteral("再試行(&R)"), QMessageBox::AcceptRole};
    const Button ignore{IDIGNORE, QStringLiteral("無視(&I)"), QMessageBox::AcceptRole};
    const Button yes{IDYES, QStringLiteral("はい(&Y)"), QMessageBox::YesRole};
    const Button no{IDNO, QStringLiteral("いいえ(&N)"), QMessageBox::NoRole};
    switch (iFlags & 0xF) {
    case MB_OKCANCEL:
        return {ok, cancel};
    case MB_ABORTRETRYIGNORE:
        return {abort, retry, ignore};
    case MB_YESNOCANCEL:
        return {yes, no, cancel};
    case MB_YESNO:
        return {yes, no};
    case MB_RETRYCANCEL:
        return {retry, cancel};
    default:
        return {ok};
    }
}

QMessageBox::Icon IconOf(int iFlags)
{
    switch (iFlags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The button that Escape presses: cancel when there is one, else No, else the only button.
int EscapeIdOf(const std::vector<Button>& buttons)
{
    for (int id : {IDCANCEL, IDNO}) {
        for (const Button& button : buttons) {
            if (button.id == id)
                return id;
        }
    }
    return buttons.size() == 1 ? buttons.front().id : 0;
}

} // namespace

int Show(const QString& sText, const QString& sCaption, int iFlags)
{
    if (CurrentAnswerer())
        return CurrentAnswerer()(Request{sText, sCaption, iFlags});

    const std::vector<Button> buttons = ButtonsOf(iFlags);
    QMessageBox box(IconOf(iFlags), sCaption, sText, QMessageBox::NoButton, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    if (iFlags & MB_TOPMOST)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    std::vector<std::pair<QAbstractButton*, int>> made;
    for (const Button& button : buttons)
        made.emplace_back(box.addButton(button.text, button.role), button.id);
    const std::size_t defaultIndex = static_cast<std::size_t>((iFlags >> 8) & 0xF);
    box.setDefaultButton(
        static_cast<QPushButton*>(made[defaultIndex < made.size() ? defaultIndex : 0].first));
    const int escapeId = EscapeIdOf(buttons);
    for (const auto& [widget, id] : made) {
        if (id == escapeId)
            box.setEscapeButton(widget);
    }
    box.exec();
    for (const auto& [widget, id] : made) {
        if (box.clickedButton() == widget)
            return id;
    }
    return escapeId != 0 ? escapeId : buttons.front().id;
}

void SetAnswerer(Answerer answerer)
{
    CurrentAnswerer() = std::move(answerer);
}

} // namespace MessageBox
