#include "MemoEx.h"

#include "Keyboard.h"

#include <QInputMethodEvent>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace {

using TestSupport::KeyPress;

enum class TInput { Type, Paste, Return, Commit };

// What one input does to a memo of at most 10 characters.
struct MemoCase {
    const char* sName;
    const char* sBefore;
    int iFrom; // the selection, or the caret when both are equal
    int iTo;
    TInput input;
    const char* sInput;
    const char* sAfter;
};

const MemoCase kMemoCases[] = {
    {"KeyIntoRoomIsTaken", "abc", 3, 3, TInput::Type, "d", "abcd"},
    {"KeyIntoAFullMemoIsRefused", "0123456789", 0, 0, TInput::Type, "x", "0123456789"},
    {"KeyOverASelectionOfAFullMemoReplacesIt", "0123456789", 2, 5, TInput::Type, "x", "01x56789"},
    {"ReturnIntoAFullMemoIsRefused", "0123456789", 5, 5, TInput::Return, "", "0123456789"},
    {"PasteAtTheStartKeepsTheEnd", "012345", 0, 0, TInput::Paste, "abcdefgh", "abcd012345"},
    {"PasteIntoAFullMemoIsRefused", "0123456789", 4, 4, TInput::Paste, "ab", "0123456789"},
    {"PasteOverASelectionHasItsRoom", "0123456789", 0, 3, TInput::Paste, "abcdef", "abc3456789"},
    {"PastedLineBreaksCountOneEach", "0123456", 7, 7, TInput::Paste, "a\r\nb\rc", "0123456a\nb"},
    {"CommittedInputIsCutToTheRoom", "01234567", 8, 8, TInput::Commit, "あいう", "01234567あい"},
    {"SurrogatePairIsNotSplit", "012345678", 9, 9, TInput::Paste, "😀", "012345678"},
};

class MemoExLimit : public testing::TestWithParam<MemoCase> {};

TEST_P(MemoExLimit, TakesOnlyWhatFits)
{
    const MemoCase& c = GetParam();
    TMemoEx memo;
    memo.SetMaxLength(10);
    memo.setPlainText(QString::fromUtf8(c.sBefore));
    QTextCursor cursor = memo.textCursor();
    cursor.setPosition(c.iFrom);
    cursor.setPosition(c.iTo, QTextCursor::KeepAnchor);
    memo.setTextCursor(cursor);
    const QString sInput = QString::fromUtf8(c.sInput);
    switch (c.input) {
    case TInput::Type:
        TestSupport::TypeText(&memo, sInput);
        break;
    case TInput::Paste:
        TestSupport::PasteText(&memo, sInput);
        break;
    case TInput::Return:
        KeyPress(&memo, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        break;
    case TInput::Commit: {
        QInputMethodEvent commit;
        commit.setCommitString(sInput);
        QApplication::sendEvent(&memo, &commit);
        break;
    }
    }
    EXPECT_EQ(memo.toPlainText(), QString::fromUtf8(c.sAfter));
}

INSTANTIATE_TEST_SUITE_P(MemoEx, MemoExLimit, testing::ValuesIn(kMemoCases),
                         [](const testing::TestParamInfo<MemoCase>& info) { return info.param.sName; });

TEST(MemoEx, ACutPasteIsUndoneAsOneStep)
{
    TMemoEx memo;
    memo.SetMaxLength(10);
    memo.setPlainText(QStringLiteral("012345"));
    memo.moveCursor(QTextCursor::Start);
    TestSupport::PasteText(&memo, QStringLiteral("abcdefgh"));
    ASSERT_EQ(memo.toPlainText(), QStringLiteral("abcd012345"));
    KeyPress(&memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("012345"));
}

TEST(MemoEx, WithoutALimitEverythingIsTaken)
{
    TMemoEx memo;
    memo.setPlainText(QString(20, u'a'));
    memo.moveCursor(QTextCursor::End);
    TestSupport::PasteText(&memo, QString(30, u'b'));
    TestSupport::TypeText(&memo, QStringLiteral("c"));
    EXPECT_EQ(memo.toPlainText(), QString(20, u'a') + QString(30, u'b') + u'c');
}

} // namespace
