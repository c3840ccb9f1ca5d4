#include "FileWindowRules.h"

#include "FileErrorWarnings.h"
#include "FileWindowRoute.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace {

TEST(FileRecvProposedPath, UsesTheChosenFolderAndOnlyASafeLastComponent)
{
    struct Case {
        int iSetting;
        const char* sLast;
        const char* sOffered;
        const char* sExpected;
    } const cases[] = {
        {0, "/last/", "a.txt", "/prog/a.txt"},
        {1, "/last/", "a.txt", "/last/a.txt"},
        {1, "/last", "a.txt", "/last/a.txt"},
        {2, "/last/", "a.txt", "/set/a.txt"},
        // No folder: the name alone, which is no full path.
        {3, "/last/", "a.txt", "a.txt"},
        {-1, "/last/", "a.txt", "a.txt"},
        // Hostile names keep only what follows the last separator of either kind.
        {0, "", "../../etc/passwd", "/prog/passwd"},
        {0, "", "..\\..\\boot.ini", "/prog/boot.ini"},
        {0, "", "/etc/shadow", "/prog/shadow"},
        {0, "", "sub/", "/prog/"},
        {0, "", "..", "/prog/.."},
        {0, "", "a\tb\x01\x1f\x7f.txt", "/prog/ab.txt"},
        {0, "", "日本語の名前.txt", "/prog/日本語の名前.txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileRecvProposedPath(c.iSetting, QStringLiteral("/prog/"), QString::fromUtf8(c.sLast),
                                       QStringLiteral("/set"), QString::fromUtf8(c.sOffered)),
                  QString::fromUtf8(c.sExpected))
            << c.iSetting << " " << c.sOffered;
    }
}

TEST(FileRecvFullPathOk, RefusesRelativeDottedDoubledAndTrailingPaths)
{
    struct Case {
        const char* sPath;
        bool bOk;
    } const cases[] = {
        {"/home/u/a.txt", true},
        {"/a", true},
        {"/home/u/.hidden", true},
        {"/home/u/a..b", true},
        {"a.txt", false},
        {"", false},
        {"/", false},
        {"/home/u/", false},
        {"/home//u/a.txt", false},
        {"/home/u/../a.txt", false},
        {"/home/u/./a.txt", false},
        {"/home/u/..", false},
        {"\\a.txt", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileRecvFullPathOk(QString::fromUtf8(c.sPath)), c.bOk) << c.sPath;
}

TEST(FileRecvFolder, IsThePathUpToItsLastSeparator)
{
    EXPECT_EQ(FileRecvFolder(QStringLiteral("/home/u/a.txt")), QStringLiteral("/home/u/"));
    EXPECT_EQ(FileRecvFolder(QStringLiteral("/a.txt")), QStringLiteral("/"));
}

TEST(FileSizeText, GroupsDigitsWithTheLocaleSeparatorBeyondTwoGigabytes)
{
    QLocale locale;
    const QString sep = locale.groupSeparator().isEmpty() ? QStringLiteral(",") : locale.groupSeparator();
    EXPECT_EQ(FileSizeText(0), QStringLiteral("0 Byte"));
    EXPECT_EQ(FileSizeText(999), QStringLiteral("999 Byte"));
    EXPECT_EQ(FileSizeText(1234567), QStringLiteral("1") + sep + "234" + sep + "567 Byte");
    EXPECT_EQ(FileSizeText(5368709120LL), QStringLiteral("5") + sep + "368" + sep + "709" + sep + "120 Byte");
}

TEST(Percent, TruncatesInSixtyFourBitsAndCountsAnEmptyFileComplete)
{
    const qint64 k3GiB = 3LL * 1024 * 1024 * 1024;
    struct Case {
        qint64 iDone, iTotal;
        LPARAM lExpected;
    } const cases[] = {
        {0, 0, 100},
        {5, 0, 100},
        {1, 3, 33},
        {2, 3, 66},
        {999, 1000, 99},
        {1000, 1000, 100},
        {0, k3GiB, 0},
        {k3GiB / 2, k3GiB, 50},
        {k3GiB - 1, k3GiB, 99},
        {k3GiB, k3GiB, 100},
        {k3GiB * 2, k3GiB, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Percent(c.iDone, c.iTotal), c.lExpected) << c.iDone << "/" << c.iTotal;
}

TEST(FileSendRefusal, ChecksInOrderAndRefusesWhatIsNoRegularFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString sFile = dir.filePath(QStringLiteral("a.txt"));
    {
        QFile file(sFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    const QString sFifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(sFifo).constData(), 0600), 0);
    const QString sOffline = QStringLiteral("オフライン状態でのファイル送信はできません。\r"
                                            "ParvaneNetworkにログインしてからファイルを送信してください。");
    const QString sNoFile = QStringLiteral("指定されたファイルは存在しません。");
    struct Case {
        bool bLoggedIn;
        QString sPath;
        QString sComment;
        QString sText; // empty: accepted
        TFileSendFocus Focus;
    } const cases[] = {
        {false, dir.filePath("missing"), QStringLiteral("&|"), sOffline, TFileSendFocus::None},
        {true, dir.filePath("missing"), QStringLiteral("&|"), sNoFile, TFileSendFocus::File},
        {true, QString(), QString(), sNoFile, TFileSendFocus::File},
        {true, sFile, QStringLiteral("a&|b"), QStringLiteral("コメント内に「&|」を含めることはできません。"),
         TFileSendFocus::Comment},
        {true, sFile, QStringLiteral("a&:b\\|"),
         QStringLiteral("コメント内に「&:」を含めることはできません。"), TFileSendFocus::Comment},
        {true, sFile, QStringLiteral("a\\|b"),
         QStringLiteral("コメント内に「\\|」を含めることはできません。"), TFileSendFocus::Comment},
        {true, sFile, QStringLiteral("line 1\r\nline 2 & | \\ :"), QString(), TFileSendFocus::None},
    };
    for (const Case& c : cases) {
        const TFileSendRefusal refusal = FileSendRefusal(c.bLoggedIn, c.sPath, c.sComment);
        EXPECT_EQ(refusal.sText, c.sText) << qPrintable(c.sPath) << " " << qPrintable(c.sComment);
        EXPECT_EQ(refusal.Focus, c.Focus) << qPrintable(c.sPath);
    }
    // A folder, a device and a pipe are refused with a text of their own, before the comment is looked at.
    for (const QString& sPath : {dir.path(), QStringLiteral("/dev/null"), sFifo}) {
        const TFileSendRefusal refusal = FileSendRefusal(true, sPath, QStringLiteral("&|"));
        EXPECT_TRUE(refusal.sText.contains(QStringLiteral("通常のファイル"))) << qPrintable(sPath);
        EXPECT_EQ(refusal.Focus, TFileSendFocus::File) << qPrintable(sPath);
    }
}

// Each code against its warning as the user reads it, every line of it; the
// cancels and the receive window's unknown codes have none.
TEST(FileErrorTexts, EachCodeHasItsWarningAndTheCancelsNone)
{
    for (int iCode : {-1, 0, 1, 2, 3, 4, 5, 99})
        EXPECT_EQ(FileSendErrorText(iCode), FileErrorWarnings::Send(iCode)) << iCode;
    EXPECT_EQ(FileSendFailedText(), FileErrorWarnings::SendNoAddress);
    EXPECT_TRUE(FileSendErrorText(2).isEmpty());
    for (int iCode : {-1, 0, 1, 2, 3, 7})
        EXPECT_EQ(FileRecvErrorText(iCode), FileErrorWarnings::Recv(iCode)) << iCode;
    EXPECT_TRUE(FileRecvErrorText(1).isEmpty());
}

struct TPercentProbe : QObject {
    std::vector<std::pair<unsigned, LPARAM>> got;
    bool event(QEvent* e) override
    {
        if (e->type() != WindowMessage::Event::EventType())
            return QObject::event(e);
        auto* m = static_cast<WindowMessage::Event*>(e);
        got.emplace_back(m->Msg, m->lParam);
        return true;
    }
};

// A large file reports a piece at a time; the window hears only of each new percentage.
TEST(TFileWindowRoute, PassesOnOnlyAChangedPercentageAndForgetsAnEndedTransfer)
{
    QStringList list;
    TPercentProbe probe;
    list << FileWindowListEntry(WindowMessage::HandleOf(&probe), 7);
    TFileWindowRoute route(list, WM_FILERECVING);
    const qint64 total = 5LL * 1024 * 1024 * 1024;
    const qint64 piece = 8192;
    for (qint64 done = piece; done <= total; done += piece * 97)
        route.Progress(7, done, total);
    route.Progress(7, total, total);
    route.Progress(8, 1, 2); // no window holds socket 8
    ASSERT_EQ(probe.got.size(), 101u);
    for (size_t i = 0; i < probe.got.size(); ++i)
        EXPECT_EQ(probe.got[i], std::make_pair(WM_FILERECVING, LPARAM(i))) << i;
    EXPECT_EQ(route.Tracked(), 2u);
    route.Route(7, WM_FILERECVEND, 0, 0, true);
    route.Route(8, WM_ERRORFILERECV, 0, 0, true);
    EXPECT_EQ(route.Tracked(), 0u);
    EXPECT_EQ(probe.got.back(), std::make_pair(WM_FILERECVEND, LPARAM(0)));
    // A new report of the same percentage after an end is passed on again.
    route.Progress(7, 1, 1);
    EXPECT_EQ(probe.got.back(), std::make_pair(WM_FILERECVING, LPARAM(100)));
}

} // namespace
