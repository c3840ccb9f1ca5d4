// Qt's own texts in Japanese once the program's translation is installed, and its
// boxes still answered from the keyboard.
#include "QtTranslation.h"

#include "MessageBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The translation for one test, taken off again so that other tests see Qt as it comes.
class QtTranslationTest : public testing::Test {
protected:
    void SetUp() override
    {
        FLocale = QLocale();
        FTranslator = QtTranslation::InstallJapanese();
        ASSERT_NE(FTranslator, nullptr);
    }
    void TearDown() override
    {
        QCoreApplication::removeTranslator(FTranslator);
        delete FTranslator;
        QLocale::setDefault(FLocale);
    }
    QTranslator* FTranslator = nullptr;
    QLocale FLocale;
};

TEST_F(QtTranslationTest, BoxButtonsCarryTheJapaneseTexts)
{
    EXPECT_EQ(QtTranslation::InstallJapanese(), FTranslator);
    const struct {
        QMessageBox::StandardButton button;
        const char* sText;
    } cases[] = {{QMessageBox::Yes, "はい(&Y)"},
                 {QMessageBox::No, "いいえ(&N)"},
                 {QMessageBox::Cancel, "キャンセル"},
                 {QMessageBox::Ok, "OK"}};
    QMessageBox box(QMessageBox::Question, QStringLiteral("Parvane 2"), QStringLiteral("問い"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    for (const auto& c : cases) {
        ASSERT_NE(box.button(c.button), nullptr);
        EXPECT_EQ(box.button(c.button)->text(), QString::fromUtf8(c.sText));
    }
}

bool HasJapanese(const QString& s)
{
    for (const QChar c : s)
        if (c.unicode() >= 0x3000)
            return true;
    return false;
}

// The file dialogs' type column.
TEST_F(QtTranslationTest, KindsOfFilesAreNamedInJapanese)
{
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);
    for (const char* sType : {"text/plain", "application/x-zerosize", "inode/directory"}) {
        const QString sComment = QMimeDatabase().mimeTypeForName(QString::fromLatin1(sType)).comment();
        EXPECT_TRUE(HasJapanese(sComment)) << sType << ": " << qPrintable(sComment);
    }
}

// Every item of a menu and its sub-menus, separators left out.
QStringList ItemTexts(const QMenu* menu)
{
    QStringList sl;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        sl << action->text();
        if (action->menu())
            sl << ItemTexts(action->menu());
    }
    return sl;
}

TEST_F(QtTranslationTest, EditContextMenusHaveNoEnglishItem)
{
    QLineEdit line(QStringLiteral("文字 text"));
    QPlainTextEdit plain(QStringLiteral("文字 text"));
    QTextEdit rich(QStringLiteral("文字 text"));
    QLineEdit readOnly(QStringLiteral("文字"));
    readOnly.setReadOnly(true);
    line.selectAll();
    plain.selectAll();
    rich.selectAll();
    const struct {
        const char* sEdit;
        std::unique_ptr<QMenu> menu;
    } cases[] = {{"line", std::unique_ptr<QMenu>(line.createStandardContextMenu())},
                 {"plain text", std::unique_ptr<QMenu>(plain.createStandardContextMenu())},
                 {"rich text", std::unique_ptr<QMenu>(rich.createStandardContextMenu())},
                 {"read-only line", std::unique_ptr<QMenu>(readOnly.createStandardContextMenu())}};
    for (const auto& c : cases) {
        const QStringList slItems = ItemTexts(c.menu.get());
        EXPECT_GE(slItems.size(), 2) << c.sEdit;
        for (const QString& sItem : slItems)
            EXPECT_TRUE(HasJapanese(sItem)) << c.sEdit << ": " << qPrintable(sItem);
    }
}

// Real boxes, each answered by one key sent where the keyboard's keys go.
TEST_F(QtTranslationTest, BoxButtonsStillAnswerToTheirKeys)
{
    using namespace MessageBox;
    const struct {
        const char* sCase;
        int iFlags;
        int key;
        int iExpected;
    } cases[] = {
        {"Y", MB_YESNO, Qt::Key_Y, IDYES},
        {"N", MB_YESNO, Qt::Key_N, IDNO},
        {"Return on the first", MB_YESNO, Qt::Key_Return, IDYES},
        {"Return on the second", MB_YESNO | MB_DEFBUTTON2, Qt::Key_Return, IDNO},
        {"Escape on Yes/No", MB_YESNO, Qt::Key_Escape, IDNO},
        {"Escape on Yes/No/Cancel", MB_YESNOCANCEL, Qt::Key_Escape, IDCANCEL},
        {"Escape on OK/Cancel", MB_OKCANCEL, Qt::Key_Escape, IDCANCEL},
        {"Return on OK", MB_OK, Qt::Key_Return, IDOK},
        {"R on Retry/Cancel", MB_RETRYCANCEL, Qt::Key_R, IDRETRY},
    };
    for (const auto& c : cases) {
        bool bSeen = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (box == nullptr)
                return;
            bSeen = true;
            QWidget* target = box->focusWidget() != nullptr ? box->focusWidget() : box;
            QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            // A key that answers nothing must not leave the test waiting; a mnemonic
            // presses its button a moment later, as a click would.
            QTimer::singleShot(3000, box, &QWidget::close);
        });
        EXPECT_EQ(Show(QStringLiteral("問い"), QStringLiteral("Parvane 2"), c.iFlags), c.iExpected)
            << c.sCase;
        EXPECT_TRUE(bSeen) << c.sCase;
    }
}

} // namespace
