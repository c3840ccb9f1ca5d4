#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QWindow>
#include <deque>
#include <map>
#include <memory>
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

// A box made as the flags say, with its buttons and the one that Escape presses.
struct TBox {
    std::unique_ptr<QMessageBox> box;
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    int iEscapeId = 0;

    int Answer() const
    {
        for (const auto& [widget, id] : buttons) {
            if (box->clickedButton() == widget)
                return id;
        }
        return iEscapeId != 0 ? iEscapeId : buttons.front().second;
    }
};

// The program's own texts are a few hundred characters at most; a peer's name past
// this would make the box taller than the screen, its buttons out of reach.
constexpr qsizetype kShownTextMax = 1024;

TBox BoxMake(const QString& sText, const QString& sCaption, int iFlags)
{
    const std::vector<Button> buttons = ButtonsOf(iFlags);
    TBox made;
    const QString sShown = sText.size() > kShownTextMax ? sText.left(kShownTextMax) + u'…' : sText;
    made.box = std::make_unique<QMessageBox>(IconOf(iFlags), sCaption, sShown, QMessageBox::NoButton);
    QMessageBox& box = *made.box;
    // A peer's name in the text is shown as it is, never as markup that could open a file.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (iFlags & MB_TOPMOST)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    for (const Button& button : buttons)
        made.buttons.emplace_back(box.addButton(button.text, button.role), button.id);
    const std::size_t defaultIndex = static_cast<std::size_t>((iFlags >> 8) & 0xF);
    box.setDefaultButton(
        static_cast<QPushButton*>(made.buttons[defaultIndex < made.buttons.size() ? defaultIndex : 0].first));
    made.iEscapeId = EscapeIdOf(buttons);
    for (const auto& [widget, id] : made.buttons) {
        if (id == made.iEscapeId)
            box.setEscapeButton(widget);
    }
    // Placed over the active window without being its child: a child would be freed
    // with a window that goes while the box is open, under the box's own loop.
    if (QWidget* over = QApplication::activeWindow(); over != nullptr && over->windowHandle() != nullptr) {
        box.winId();
        box.windowHandle()->setTransientParent(over->windowHandle());
    }
    return made;
}

int& LoopDepth()
{
    static int depth = 0;
    return depth;
}

struct TAfterBoxes {
    QPointer<QObject> context;
    std::function<void()> done;
};

std::vector<TAfterBoxes>& AfterBoxes()
{
    static std::vector<TAfterBoxes> waiting;
    return waiting;
}

// What runs once a box has been answered, for one owner (or for none).
struct TAnswered {
    QPointer<QObject> owner;
    bool bOwned = false;
    std::function<void()> done;

    bool Gone() const { return bOwned && owner.isNull(); }
};

// What runs once a box has been answered: one per owner, so that a flood of
// warnings into an open box keeps no more than the owners that raised them.
class TAnswers {
public:
    void Add(QObject* owner, std::function<void()> done)
    {
        if (!done)
            return;
        for (TAnswered& answered : FAll) {
            if (!answered.Gone() && answered.owner == owner) {
                answered.done = std::move(done);
                return;
            }
        }
        // Owners that went meanwhile make room.
        std::erase_if(FAll, [](const TAnswered& answered) { return answered.Gone(); });
        FAll.push_back({owner, owner != nullptr, std::move(done)});
    }
    void Merge(TAnswers&& other)
    {
        for (TAnswered& answered : other.FAll)
            if (!answered.Gone())
                Add(answered.owner, std::move(answered.done));
        other.FAll.clear();
    }
    int Size() const { return int(FAll.size()); }
    void RunAll() const
    {
        for (const TAnswered& answered : FAll)
            if (!answered.Gone())
                answered.done();
    }

private:
    std::vector<TAnswered> FAll;
};

// A warning of a kind waiting to show, with what runs once it has been answered:
// its own and that of the same warnings counted into it.
struct TWaiting {
    Request request;
    TAnswers answered;
};

// The open box of each kind of unstacked warning and those that wait behind it.
struct TKind {
    QPointer<QMessageBox> open;
    QString sOpenText;
    TAnswers openAnswered;
    std::deque<TWaiting> waiting;
    int iCounted = 0;
};

std::map<QString, TKind>& Kinds()
{
    static std::map<QString, TKind> kinds;
    return kinds;
}

void UnstackedOpen(const QString& sKind, TWaiting warning)
{
    TBox made = BoxMake(warning.request.sText, warning.request.sCaption, warning.request.iFlags);
    QMessageBox* box = made.box.release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    TKind& kind = Kinds()[sKind];
    kind.open = box;
    kind.sOpenText = warning.request.sText;
    kind.openAnswered = std::move(warning.answered);
    // Answered, the box no longer counts as open, and the next warning of its kind shows.
    QObject::connect(box, &QDialog::finished, box, [box, sKind] {
        box->deleteLater();
        TKind& closed = Kinds()[sKind];
        closed.open = nullptr;
        const TAnswers answered = std::move(closed.openAnswered);
        closed.openAnswered = {};
        if (closed.waiting.empty()) {
            Kinds().erase(sKind);
        } else {
            TWaiting next = std::move(closed.waiting.front());
            closed.waiting.pop_front();
            UnstackedOpen(sKind, std::move(next));
        }
        answered.RunAll();
    });
    box->show();
}

} // namespace

int Show(const QString& sText, const QString& sCaption, int iFlags)
{
    if (CurrentAnswerer())
        return CurrentAnswerer()(Request{sText, sCaption, iFlags});

    TBox made = BoxMake(sText, sCaption, iFlags);
    ++LoopDepth();
    made.box->exec();
    const int iAnswer = made.Answer();
    made.box.reset();
    if (--LoopDepth() == 0) {
        std::vector<TAfterBoxes> waiting;
        waiting.swap(AfterBoxes());
        for (const TAfterBoxes& after : waiting)
            if (after.context)
                after.done();
    }
    return iAnswer;
}

int OpenLoops()
{
    return LoopDepth();
}

void WhenNoBoxOpen(QObject* context, std::function<void()> done)
{
    if (LoopDepth() == 0) {
        done();
        return;
    }
    AfterBoxes().push_back({context, std::move(done)});
}

void ShowUnstacked(const QString& sKind, const QString& sText, const QString& sCaption, int iFlags)
{
    ShowUnstacked(sKind, sText, sCaption, iFlags, nullptr, {});
}

void ShowUnstacked(const QString& sKind, const QString& sText, const QString& sCaption, int iFlags,
                   QObject* owner, std::function<void()> answered)
{
    const Request request{sText, sCaption, iFlags};
    const QPointer<QObject> ownerGuard(owner);
    const auto answerNow = [&] {
        if (answered && (owner == nullptr || ownerGuard))
            answered();
    };
    if (CurrentAnswerer()) {
        CurrentAnswerer()(request);
        answerNow();
        return;
    }
    if (QThread::currentThread()->loopLevel() == 0) {
        Show(sText, sCaption, iFlags);
        answerNow();
        return;
    }
    TAnswers answers;
    answers.Add(owner, std::move(answered));
    const auto found = Kinds().find(sKind);
    if (found == Kinds().end() || !found->second.open) {
        UnstackedOpen(sKind, {request, std::move(answers)});
        return;
    }
    TKind& kind = found->second;
    ++kind.iCounted;
    if (kind.sOpenText == sText) {
        kind.openAnswered.Merge(std::move(answers));
        return;
    }
    for (TWaiting& waiting : kind.waiting) {
        if (waiting.request.sText == sText) {
            waiting.answered.Merge(std::move(answers));
            return;
        }
    }
    if (kind.waiting.size() < UnstackedWaitingMax)
        kind.waiting.push_back({request, std::move(answers)});
    else
        kind.waiting.back().answered.Merge(std::move(answers));
}

int UnstackedCounted(const QString& sKind)
{
    const auto found = Kinds().find(sKind);
    return found == Kinds().end() ? 0 : found->second.iCounted;
}

int UnstackedAnswersKept(const QString& sKind)
{
    const auto found = Kinds().find(sKind);
    if (found == Kinds().end())
        return 0;
    int iKept = found->second.openAnswered.Size();
    for (const TWaiting& waiting : found->second.waiting)
        iKept += waiting.answered.Size();
    return iKept;
}

void SetAnswerer(Answerer answerer)
{
    CurrentAnswerer() = std::move(answerer);
}

} // namespace MessageBox
