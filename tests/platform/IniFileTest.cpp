#include "IniFile.h"

#include "AnsiCodePage.h"
#include "SmallDisk.h"
#include "TestNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class IniFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

    QString Path() const { return FDir.filePath(QStringLiteral("Parvane2.INI")); }

    void Store(const QByteArray& bytes) const
    {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray Stored() const
    {
        QFile file(Path());
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }

    QTemporaryDir FDir;
};

struct ReadCase {
    const char* stored; // the value as it stands after "Key="
    int asInteger;      // read with the default 7
    bool asBool;        // read with the default True
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << "stored \"" << c.stored << '"';
}

class IniIntegerRead : public IniFileTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(IniIntegerRead, ConvertsOrFallsBackToTheDefault)
{
    Store(QByteArray("[Option]\r\nKey=") + GetParam().stored + "\r\n");
    const IniFile ini(Path());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Option"), QStringLiteral("Key"), 7), GetParam().asInteger);
    EXPECT_EQ(ini.ReadBool(QStringLiteral("Option"), QStringLiteral("Key"), true), GetParam().asBool);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IniIntegerRead,
    testing::Values(ReadCase{"51000", 51000, true}, ReadCase{"  51000", 51000, true},
                    ReadCase{"$C738", 51000, true}, ReadCase{"0xC738", 51000, true},
                    ReadCase{"xc738", 51000, true}, ReadCase{"-12", -12, true}, ReadCase{"+12", 12, true},
                    ReadCase{"-$10", -16, true}, ReadCase{"$FFFFFFFF", -1, true},
                    ReadCase{"2147483647", 2147483647, true}, ReadCase{"-2147483648", -2147483647 - 1, true},
                    ReadCase{"2147483648", 7, true}, ReadCase{"$100000000", 7, true}, ReadCase{"0", 0, false},
                    ReadCase{"2", 2, true}, ReadCase{"1", 1, true}, ReadCase{"yes", 7, true},
                    ReadCase{"12abc", 7, true}, ReadCase{"", 7, true}, ReadCase{"$", 7, true},
                    ReadCase{"0x", 7, true}, ReadCase{"-", 7, true}, ReadCase{"1 2", 7, true},
                    ReadCase{"\"42\"", 42, true}),
    [](const testing::TestParamInfo<ReadCase>& info) {
        return "Stored" + TestSupport::ReadableName(QString::fromUtf8(info.param.stored));
    });

TEST_F(IniFileTest, BoolWithFalseDefaultStaysFalseForUnconvertibleText)
{
    Store("[Option]\r\nKey=yes\r\n");
    const IniFile ini(Path());
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("Option"), QStringLiteral("Key"), false));
}

TEST_F(IniFileTest, NamesCompareWithoutCaseAndTheFirstKeyWins)
{
    Store("[option]\r\n  HANDLENAME = Taro \r\nhandlename=Second\r\n[Other]\r\nHandleName=Wrong\r\n");
    const IniFile ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("HandleName"), QString()),
              QStringLiteral("Taro"));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("OPTION"), QStringLiteral("handleName")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Option"), QStringLiteral("Wrong")));
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefaultAndCreatesNothing)
{
    const IniFile missing(Path());
    EXPECT_EQ(missing.ReadString(QStringLiteral("Option"), QStringLiteral("Key"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(missing.ReadInteger(QStringLiteral("Option"), QStringLiteral("Key"), 5), 5);
    EXPECT_FALSE(missing.ValueExists(QStringLiteral("Option"), QStringLiteral("Key")));
    EXPECT_FALSE(QFile::exists(Path()));

    Store("Key=outside\r\n[Option]\r\nOther=1\r\n");
    const IniFile present(Path());
    EXPECT_EQ(present.ReadString(QStringLiteral("Option"), QStringLiteral("Key"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(present.ReadString(QStringLiteral("None"), QStringLiteral("Other"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(IniFileTest, EmptyValueExistsAndReadsEmpty)
{
    Store("[Option]\r\nAbsence-Title0=\r\n");
    const IniFile ini(Path());
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("Option"), QStringLiteral("Absence-Title0")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("Absence-Title0"), QStringLiteral("d")),
              QString());
}

TEST_F(IniFileTest, LongValueIsCutAt2047Characters)
{
    const QString longText(3000, u'あ');
    IniFile ini(Path());
    ASSERT_TRUE(ini.WriteString(QStringLiteral("Option"), QStringLiteral("Long"), longText));
    const QString read = ini.ReadString(QStringLiteral("Option"), QStringLiteral("Long"), QString());
    EXPECT_EQ(read.size(), 2047);
    EXPECT_EQ(read, longText.left(2047));
    // The file holds the whole value; only reading cuts it.
    EXPECT_TRUE(Stored().contains(AnsiCodePage::Encode(longText)));
}

TEST_F(IniFileTest, TextIsCodePage932WithCrLfAndLfAloneAlsoReads)
{
    Store(AnsiCodePage::Encode(QStringLiteral("[Option]\nHandleName=山田\n")));
    IniFile ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("HandleName"), QString()),
              QStringLiteral("山田"));
    ASSERT_TRUE(
        ini.WriteString(QStringLiteral("Option"), QStringLiteral("HandleName"), QStringLiteral("鈴木")));
    EXPECT_EQ(Stored(), AnsiCodePage::Encode(QStringLiteral("[Option]\r\nHandleName=鈴木\r\n")));
}

TEST_F(IniFileTest, RewriteChangesOneLineInPlaceAndKeepsEverythingElse)
{
    const QByteArray before = "; kept comment\r\n"
                              "[MainWindow]\r\n"
                              "Left=10\r\n"
                              "stray line without a key\r\n"
                              "Top=20\r\n"
                              "\r\n"
                              "[OPTION]\r\n"
                              "handlename=Old\r\n"
                              "Raw=\x82\xa0\xff\xfe\r\n"
                              "\r\n"
                              "[Last]\r\n"
                              "X=1\r\n";
    Store(before);
    IniFile ini(Path());
    ASSERT_TRUE(
        ini.WriteString(QStringLiteral("Option"), QStringLiteral("HandleName"), QStringLiteral("New")));
    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("MainWindow"), QStringLiteral("Width"), 300));
    ASSERT_TRUE(ini.WriteBool(QStringLiteral("Option"), QStringLiteral("CustomizeLog"), false));
    ASSERT_TRUE(ini.WriteBool(QStringLiteral("NewSection"), QStringLiteral("Flag"), true));
    EXPECT_EQ(Stored(), QByteArray("; kept comment\r\n"
                                   "[MainWindow]\r\n"
                                   "Left=10\r\n"
                                   "stray line without a key\r\n"
                                   "Top=20\r\n"
                                   "Width=300\r\n"
                                   "\r\n"
                                   "[OPTION]\r\n"
                                   "handlename=New\r\n"
                                   "Raw=\x82\xa0\xff\xfe\r\n"
                                   "CustomizeLog=0\r\n"
                                   "\r\n"
                                   "[Last]\r\n"
                                   "X=1\r\n"
                                   "[NewSection]\r\n"
                                   "Flag=1\r\n"));
}

TEST_F(IniFileTest, FirstWriteCreatesTheFile)
{
    IniFile ini(Path());
    ASSERT_TRUE(ini.WriteInteger(QStringLiteral("UpdateWindow"), QStringLiteral("Left"), -5));
    EXPECT_EQ(Stored(), QByteArray("[UpdateWindow]\r\nLeft=-5\r\n"));
}

TEST_F(IniFileTest, DeleteKeyRemovesOnlyThatLineAndNeverCreatesTheFile)
{
    IniFile none(Path());
    EXPECT_TRUE(none.DeleteKey(QStringLiteral("Option"), QStringLiteral("NetworkBroadcast")));
    EXPECT_FALSE(QFile::exists(Path()));

    Store("[Option]\r\nNetworkBroadcast0=a\r\nnetworkbroadcast=b\r\n[Other]\r\nNetworkBroadcast=c\r\n");
    IniFile ini(Path());
    EXPECT_TRUE(ini.DeleteKey(QStringLiteral("Option"), QStringLiteral("NetworkBroadcast")));
    EXPECT_TRUE(ini.DeleteKey(QStringLiteral("Option"), QStringLiteral("NetworkBroadcast7")));
    EXPECT_EQ(Stored(), QByteArray("[Option]\r\nNetworkBroadcast0=a\r\n[Other]\r\nNetworkBroadcast=c\r\n"));
}

// Blanks at the ends, quotes and line breaks would not survive the profile format
// as they are; each value must read back as it was written, or at least never
// spill into a line of its own.
TEST_F(IniFileTest, AwkwardValuesReadBackAndStayOnOneLine)
{
    struct Case {
        QString written;
        QString read;
    };
    const Case cases[] = {
        {QStringLiteral("  padded  "), QStringLiteral("  padded  ")},
        {QStringLiteral("\"quoted\""), QStringLiteral("\"quoted\"")},
        {QStringLiteral("'single'"), QStringLiteral("'single'")},
        {QStringLiteral("a=b=c"), QStringLiteral("a=b=c")},
        {QStringLiteral("one\r\n[Option]\r\nHandleName=x"), QStringLiteral("one [Option] HandleName=x")},
        {QStringLiteral("lf\nalone"), QStringLiteral("lf alone")},
    };
    IniFile ini(Path());
    ASSERT_TRUE(
        ini.WriteString(QStringLiteral("Option"), QStringLiteral("HandleName"), QStringLiteral("Me")));
    for (const Case& c : cases) {
        ASSERT_TRUE(ini.WriteString(QStringLiteral("Option"), QStringLiteral("Value"), c.written));
        EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("Value"), QString()), c.read);
        EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("HandleName"), QString()),
                  QStringLiteral("Me"));
    }
}

TEST_F(IniFileTest, ReadOnlyFileRefusesWritesEvenForRootAndEndsThePass)
{
    Store("[Option]\r\nHandleName=Old\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0444), 0);
    IniFile ini(Path());
    EXPECT_FALSE(
        ini.WriteString(QStringLiteral("Option"), QStringLiteral("HandleName"), QStringLiteral("New")));
    EXPECT_TRUE(ini.Failed());
    EXPECT_FALSE(ini.DeleteKey(QStringLiteral("Option"), QStringLiteral("HandleName")));
    EXPECT_EQ(Stored(), QByteArray("[Option]\r\nHandleName=Old\r\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("HandleName"), QString()),
              QStringLiteral("Old"));

    // Once the file is writable again, a pass that already failed stays failed.
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0644), 0);
    EXPECT_FALSE(ini.WriteString(QStringLiteral("Option"), QStringLiteral("Later"), QStringLiteral("x")));
    IniFile next(Path());
    EXPECT_TRUE(next.WriteString(QStringLiteral("Option"), QStringLiteral("Later"), QStringLiteral("x")));
}

TEST_F(IniFileTest, WriteIntoAMissingFolderFails)
{
    IniFile ini(FDir.filePath(QStringLiteral("no such folder/Parvane2.INI")));
    EXPECT_FALSE(ini.WriteBool(QStringLiteral("Option"), QStringLiteral("Flag"), true));
    EXPECT_TRUE(ini.Failed());
}

// Reading the file as the system gives it: only a file that is not there counts as
// missing; anything else that cannot be read whole is unreadable, and nothing blocks.
TEST_F(IniFileTest, ContentIsWholeMissingOrUnreadable)
{
    Store("[Option]\r\nKey=1\r\n");
    ASSERT_TRUE(QDir(FDir.path()).mkdir(QStringLiteral("folder")));
    const QByteArray fifo = QFile::encodeName(FDir.filePath(QStringLiteral("fifo")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
    struct Case {
        QString name;
        IniFile::Content::Result result;
    };
    const Case cases[] = {
        {QStringLiteral("Parvane2.INI"), IniFile::Content::Whole},
        {QStringLiteral("none.INI"), IniFile::Content::Missing},
        {QStringLiteral("folder"), IniFile::Content::Unreadable},
        {QStringLiteral("fifo"), IniFile::Content::Unreadable},
        {QStringLiteral("Parvane2.INI/below.INI"), IniFile::Content::Unreadable},
    };
    for (const Case& c : cases) {
        const IniFile::Content content = IniFile::ReadContent(FDir.filePath(c.name));
        EXPECT_EQ(content.result, c.result) << c.name.toStdString();
        EXPECT_EQ(content.bytes, c.result == IniFile::Content::Whole ? Stored() : QByteArray())
            << c.name.toStdString();
    }
}

// A reader that fails for one file, as an I/O error or a denied read would.
class IniUnreadableTest : public IniFileTest {
protected:
    void SetUp() override
    {
        IniFileTest::SetUp();
        FBefore = IniFile::SetContentReader([this](const QString& sFileName) {
            if (sFileName == Path())
                return IniFile::Content{IniFile::Content::Unreadable, QByteArray()};
            return IniFile::ReadContent(sFileName);
        });
    }
    void TearDown() override { IniFile::SetContentReader(FBefore); }

    IniFile::ContentReader FBefore;
};

TEST_F(IniUnreadableTest, WritesToAFileThatCannotBeReadFailAndLeaveItAsItWas)
{
    const QByteArray before = "[Option]\r\nHandleName=Old\r\nSecurityLogPassword=x\r\n";
    Store(before);
    IniFile ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("HandleName"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_FALSE(
        ini.WriteString(QStringLiteral("Option"), QStringLiteral("HandleName"), QStringLiteral("New")));
    EXPECT_TRUE(ini.Failed());
    IniFile other(Path());
    EXPECT_FALSE(other.DeleteKey(QStringLiteral("Option"), QStringLiteral("HandleName")));
    EXPECT_EQ(Stored(), before);

    // In a pass the first write fails and its caller reports it; the pass adds no report.
    int reports = 0;
    {
        IniFileWritingPass pass(Path(), [&reports] { ++reports; });
        IniFile inPass(Path());
        EXPECT_FALSE(inPass.WriteInteger(QStringLiteral("MainWindow"), QStringLiteral("Left"), 1));
        EXPECT_FALSE(pass.Commit());
    }
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(Stored(), before);
}

TEST_F(IniFileTest, APassSavesOnceAtItsEndAndItsReadsSeeItsWrites)
{
    const QByteArray before = "; kept\r\n[Option]\r\nHandleName=Old\r\nGone=1\r\n";
    Store(before);
    int reports = 0;
    {
        const IniFileWritingPass pass(Path(), [&reports] { ++reports; });
        IniFile ini(Path());
        // Another spelling of the same path joins the same pass.
        IniFile other(FDir.path() + QStringLiteral("/./") + QStringLiteral("Parvane2.INI"));
        for (int i = 0; i < 50; ++i)
            ASSERT_TRUE(ini.WriteInteger(QStringLiteral("Option"), QStringLiteral("Key%1").arg(i), i));
        ASSERT_TRUE(
            other.WriteString(QStringLiteral("Option"), QStringLiteral("HandleName"), QStringLiteral("New")));
        ASSERT_TRUE(ini.DeleteKey(QStringLiteral("Option"), QStringLiteral("Gone")));
        ASSERT_TRUE(other.WriteBool(QStringLiteral("MainWindow"), QStringLiteral("Flag"), true));
        EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("HandleName"), QString()),
                  QStringLiteral("New"));
        EXPECT_EQ(other.ReadInteger(QStringLiteral("Option"), QStringLiteral("Key49"), -1), 49);
        EXPECT_FALSE(other.ValueExists(QStringLiteral("Option"), QStringLiteral("Gone")));
        EXPECT_EQ(Stored(), before);
    }
    EXPECT_EQ(reports, 0);
    QByteArray expected = "; kept\r\n[Option]\r\nHandleName=New\r\n";
    for (int i = 0; i < 50; ++i)
        expected += "Key" + QByteArray::number(i) + '=' + QByteArray::number(i) + "\r\n";
    expected += "[MainWindow]\r\nFlag=1\r\n";
    EXPECT_EQ(Stored(), expected);

    // After the pass each write is saved at once again.
    IniFile after(Path());
    ASSERT_TRUE(after.WriteInteger(QStringLiteral("MainWindow"), QStringLiteral("Flag"), 0));
    EXPECT_TRUE(Stored().endsWith("Flag=0\r\n"));
}

TEST_F(IniFileTest, APassThatChangesNothingCreatesNoFileAndAnInnerPassJoinsTheOuter)
{
    {
        const IniFileWritingPass pass(Path());
        IniFile ini(Path());
        EXPECT_TRUE(ini.DeleteKey(QStringLiteral("Option"), QStringLiteral("Key")));
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Option"), QStringLiteral("Key"), 3), 3);
    }
    EXPECT_FALSE(QFile::exists(Path()));

    IniFileWritingPass outer(Path());
    {
        IniFileWritingPass inner(Path());
        ASSERT_TRUE(IniFile(Path()).WriteInteger(QStringLiteral("Option"), QStringLiteral("Key"), 1));
        EXPECT_TRUE(inner.Commit());
    }
    EXPECT_FALSE(QFile::exists(Path()));
    EXPECT_TRUE(outer.Commit());
    EXPECT_EQ(Stored(), QByteArray("[Option]\r\nKey=1\r\n"));
}

TEST_F(IniFileTest, ReadOnlyFileFailsThePassAtItsFirstWrite)
{
    Store("[Option]\r\nHandleName=Old\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0444), 0);
    int reports = 0;
    {
        IniFileWritingPass pass(Path(), [&reports] { ++reports; });
        IniFile ini(Path());
        EXPECT_FALSE(ini.WriteInteger(QStringLiteral("Option"), QStringLiteral("Key"), 1));
        EXPECT_FALSE(IniFile(Path()).WriteInteger(QStringLiteral("Option"), QStringLiteral("Other"), 1));
        EXPECT_FALSE(pass.Commit());
    }
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(Stored(), QByteArray("[Option]\r\nHandleName=Old\r\n"));
}

// A disk that fills up, or a rename that fails, during the one save of a pass or
// of a single write: the old file stays whole and the failure is reported once.
TEST(IniFileDisk, FullDiskOrFailedRenameLeavesTheOldFileWholeAndIsReportedOnce)
{
    enum Trouble { FullDisk, RenameFails };
    for (const Trouble trouble : {FullDisk, RenameFails}) {
        SCOPED_TRACE(trouble == FullDisk ? "full disk" : "rename fails");
        SmallDisk disk;
        ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
        const QString path = disk.FilePath(QStringLiteral("Parvane2.INI"));
        QByteArray before = "[Option]\r\n";
        for (int i = 0; i < 100; ++i)
            before += "Absence-Title" + QByteArray::number(i) + "=away\r\n";
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(before), before.size());
        }
        ASSERT_TRUE(trouble == FullDisk ? disk.Fill() : disk.PinFile(path));
        const auto stored = [&path] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
        };

        int reports = 0;
        {
            const IniFileWritingPass pass(path, [&reports] { ++reports; });
            IniFile ini(path);
            for (int i = 0; i < 100; ++i)
                EXPECT_TRUE(ini.WriteString(QStringLiteral("Option"),
                                            QStringLiteral("Absence-Title%1").arg(i),
                                            QStringLiteral("a longer title than before")));
        }
        EXPECT_EQ(reports, 1);
        EXPECT_EQ(stored(), before);

        IniFile single(path);
        EXPECT_FALSE(single.WriteString(QStringLiteral("Option"), QStringLiteral("Absence-Title0"),
                                        QStringLiteral("a longer title than before")));
        EXPECT_EQ(stored(), before);
        // No temporary file is left behind to take the disk's last room.
        EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files).size(), trouble == FullDisk ? 2 : 1);
    }
}

} // namespace
