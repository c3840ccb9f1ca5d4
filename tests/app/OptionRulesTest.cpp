// The options window's rules without its widgets: the apply's checks, the input
// dialogs' checks and the move of the files between the shared and per-user modes.
#include "OptionRules.h"

#include "../platform/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(OptionApplyCheckTest, OnlyTheFirstFailingCheckIsReportedInItsOrder)
{
    TAbsenceMessage kinds;
    kinds[1].sMessage = QStringLiteral("ok");
    kinds[3].sMessage = QStringLiteral("a\\|b&:c");
    TAbsenceMessage clean;
    const QString port = QStringLiteral("edNetworkPortNo");
    const struct {
        const char* sName;
        TOptionEntries entries;
        std::optional<TOptionRefusal> refusal;
    } cases[] = {
        {"all well", {QStringLiteral("太郎"), &clean, true, "51000", "52000"}, std::nullopt},
        {"blanks are a name", {QStringLiteral("  "), &clean, false, "", ""}, std::nullopt},
        {"empty before ports",
         {QString(), &kinds, true, "80", "80"},
         TOptionRefusal{TOptionPage::Profile, "edHandleName", -1, "ハンドル名を入力してください。"}},
        {"separator and port 80",
         {QStringLiteral("a&|b"), &clean, true, "80", "52000"},
         TOptionRefusal{TOptionPage::Profile, "edHandleName", -1,
                        "ハンドル名に「&|」を含めることはできません。"}},
        {"&: in the name",
         {QStringLiteral("a&:b"), &clean, false, "", ""},
         TOptionRefusal{TOptionPage::Profile, "edHandleName", -1,
                        "ハンドル名に「&:」を含めることはできません。"}},
        {"\\| in the name",
         {QStringLiteral("a\\|b"), &clean, false, "", ""},
         TOptionRefusal{TOptionPage::Profile, "edHandleName", -1,
                        "ハンドル名に「\\|」を含めることはできません。"}},
        {"kind 3: &| is tested before \\|",
         {QStringLiteral("太郎"), &kinds, true, "1", "1"},
         TOptionRefusal{TOptionPage::Absence, "mmAbsenceMessage", 3,
                        "不在メッセージに「&:」を含めることはできません。"}},
        {"1023",
         {QStringLiteral("太郎"), &clean, true, "1023", "52000"},
         TOptionRefusal{TOptionPage::Network, port, -1,
                        "メッセージポートは1024～65535までの数値で設定してください。"}},
        {"65536",
         {QStringLiteral("太郎"), &clean, true, "65536", "52000"},
         TOptionRefusal{TOptionPage::Network, port, -1,
                        "メッセージポートは1024～65535までの数値で設定してください。"}},
        {"letters count as 0",
         {QStringLiteral("太郎"), &clean, true, "abc", "52000"},
         TOptionRefusal{TOptionPage::Network, port, -1,
                        "メッセージポートは1024～65535までの数値で設定してください。"}},
        {"file port",
         {QStringLiteral("太郎"), &clean, true, "51000", "x"},
         TOptionRefusal{TOptionPage::Network, "edNetworkFTPPortNo", -1,
                        "ファイル転送ポートは1024～65535までの数値で設定してください。"}},
        {"the same port twice",
         {QStringLiteral("太郎"), &clean, true, "52000", "52000"},
         TOptionRefusal{TOptionPage::Network, port, -1,
                        "メッセージポートとファイル転送ポートを同じ値に設定することはできません。"}},
        {"ports not checked with the box clear",
         {QStringLiteral("太郎"), &clean, false, "abc", "1"},
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sName);
        EXPECT_EQ(OptionApplyCheck(c.entries), c.refusal);
    }
}

TEST(OptionApplyCheckTest, PortTextKeepsThePreviousValueWhenItIsNoNumber)
{
    EXPECT_EQ(OptionPortValue(QStringLiteral("51001"), 51000), 51001);
    EXPECT_EQ(OptionPortValue(QStringLiteral("5x"), 51000), 51000);
    EXPECT_EQ(OptionPortValue(QString(), 7), 7);
}

TEST(OptionDialogCheckTest, AwayKindTitles)
{
    const QStringList titles = {QStringLiteral("離席中"), QStringLiteral("外出中"), QStringLiteral("電話中")};
    const QString kExists = QStringLiteral("指定された種類名は既に存在しています。");
    const struct {
        QString sTitle;
        std::optional<QString> add;
        std::optional<QString> renameKind0;
    } cases[] = {
        {QStringLiteral("離席中"), kExists, std::nullopt},
        {QStringLiteral("離席中 "), std::nullopt, std::nullopt},
        {QStringLiteral("外出中"), kExists, kExists},
        {QStringLiteral("   "), std::nullopt, std::nullopt},
        {QString(), QStringLiteral("追加する種類名を入力してください。"),
         QStringLiteral("新しい種類名を入力してください。")},
        {QStringLiteral("会議&|中"), QStringLiteral("種類名に「&|」を含めることはできません。"),
         QStringLiteral("種類名に「&|」を含めることはできません。")},
        {QStringLiteral("会議&:"), QStringLiteral("種類名に「&:」を含めることはできません。"),
         QStringLiteral("種類名に「&:」を含めることはできません。")},
        {QStringLiteral("\\|"), QStringLiteral("種類名に「\\|」を含めることはできません。"),
         QStringLiteral("種類名に「\\|」を含めることはできません。")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sTitle.toStdString());
        EXPECT_EQ(AbsenceAddCheck(c.sTitle, titles), c.add);
        EXPECT_EQ(AbsenceNameCheck(c.sTitle, titles, 0), c.renameKind0);
    }
}

TEST(OptionDialogCheckTest, ExtraAddresses)
{
    const QStringList listed = {QStringLiteral("192.168.1.20"), QStringLiteral("10.0.0.1"),
                                QStringLiteral("known.lan")};
    const auto resolve = [](const QString& sName) {
        return sName == QStringLiteral("resolves.lan") ? QStringLiteral("198.18.0.9") : QString();
    };
    const QString kExists = QStringLiteral("指定されたアドレスは既に存在しています。");
    const struct {
        QString sText;
        TNetworkAddCheck::TResult result;
        QString sAddressOrText;
    } cases[] = {
        {QStringLiteral(" 192.168.1.21 "), TNetworkAddCheck::Accept, QStringLiteral("192.168.1.21")},
        {QStringLiteral("\t192.168.1.20 "), TNetworkAddCheck::Refuse, kExists},
        {QStringLiteral("10.2"), TNetworkAddCheck::Accept, QStringLiteral("10.0.0.2")},
        // Listed in its canonical form: found once the short form has been made canonical.
        {QStringLiteral("10.1"), TNetworkAddCheck::Refuse, kExists},
        {QStringLiteral("resolves.lan"), TNetworkAddCheck::Accept, QStringLiteral("resolves.lan")},
        {QStringLiteral("known.lan"), TNetworkAddCheck::Refuse, kExists},
        {QStringLiteral("nowhere.lan"), TNetworkAddCheck::Ask, QStringLiteral("nowhere.lan")},
        {QStringLiteral("   "), TNetworkAddCheck::Refuse,
         QStringLiteral("追加するアドレスを入力してください。")},
        {QStringLiteral("a&|b"), TNetworkAddCheck::Refuse,
         QStringLiteral("アドレスに「&|」を含めることはできません。")},
        {QStringLiteral("a\\|b"), TNetworkAddCheck::Refuse,
         QStringLiteral("アドレスに「\\|」を含めることはできません。")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sText.toStdString());
        const TNetworkAddCheck check = NetworkAddCheck(c.sText, listed, resolve);
        EXPECT_EQ(check.Result, c.result);
        EXPECT_EQ(c.result == TNetworkAddCheck::Refuse ? check.sText : check.sAddress, c.sAddressOrText);
        if (c.result == TNetworkAddCheck::Ask) {
            EXPECT_TRUE(
                check.sText.startsWith(QStringLiteral("指定されたドメイン名からIPアドレスを取得することが")));
        }
    }
}

class MultiUserMoveTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    QString Path(const char* sName) const { return FDir.filePath(QString::fromUtf8(sName)); }
    void Write(const char* sName, const QByteArray& bytes) const
    {
        QFile file(Path(sName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray Read(const char* sName) const
    {
        QFile file(Path(sName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void ReadOnly(const char* sName) const { ::chmod(Path(sName).toLocal8Bit().constData(), 0444); }
    TFilePair Pair(const char* sSource, const char* sTarget) const { return {Path(sSource), Path(sTarget)}; }

    QTemporaryDir FDir;
};

TEST_F(MultiUserMoveTest, SwitchingOnCopiesBothSharedFilesOverTheUsersOwn)
{
    Write("Parvane2.INI", "[Option]\r\nHandleName=A\r\n");
    Write("Parvane2.LOG", "log A");
    Write("Parvane2 -u1-.INI", "old");
    EXPECT_EQ(MultiUserFilesMove(Pair("Parvane2.INI", "Parvane2 -u1-.INI"),
                                 Pair("Parvane2.LOG", "Parvane2 -u1-.LOG")),
              TFilesMove::Done);
    EXPECT_EQ(Read("Parvane2 -u1-.INI"), "[Option]\r\nHandleName=A\r\n");
    EXPECT_EQ(Read("Parvane2 -u1-.LOG"), "log A");
    // Sources are never deleted.
    EXPECT_EQ(Read("Parvane2.INI"), "[Option]\r\nHandleName=A\r\n");
}

TEST_F(MultiUserMoveTest, AMissingSourceDeletesItsTarget)
{
    Write("Parvane2 -u1-.INI", "user ini");
    Write("Parvane2.LOG", "shared log");
    // Switching off: the user's files are the sources; the user's log is missing.
    EXPECT_EQ(MultiUserFilesMove(Pair("Parvane2 -u1-.INI", "Parvane2.INI"),
                                 Pair("Parvane2 -u1-.LOG", "Parvane2.LOG")),
              TFilesMove::Done);
    EXPECT_EQ(Read("Parvane2.INI"), "user ini");
    EXPECT_EQ(Read("Parvane2.LOG"), "<missing>");
}

TEST_F(MultiUserMoveTest, AnEmptyFolderInTheTargetsPlaceGoesAsAFolder)
{
    ASSERT_TRUE(QDir(FDir.path()).mkdir(QStringLiteral("Parvane2 -u1-.LOG")));
    EXPECT_EQ(MultiUserFilesMove(Pair("Parvane2.INI", "Parvane2 -u1-.INI"),
                                 Pair("Parvane2.LOG", "Parvane2 -u1-.LOG")),
              TFilesMove::Done);
    EXPECT_FALSE(QFileInfo::exists(Path("Parvane2 -u1-.LOG")));
}

TEST_F(MultiUserMoveTest, AReadOnlyTargetStopsTheMoveBeforeAnythingIsCopied)
{
    Write("Parvane2.INI", "shared ini");
    Write("Parvane2.LOG", "shared log");
    Write("Parvane2 -u1-.INI", "user ini");
    Write("Parvane2 -u1-.LOG", "user log");
    ReadOnly("Parvane2 -u1-.LOG");
    EXPECT_EQ(MultiUserFilesMove(Pair("Parvane2.INI", "Parvane2 -u1-.INI"),
                                 Pair("Parvane2.LOG", "Parvane2 -u1-.LOG")),
              TFilesMove::LogFailed);
    // The settings file, whose target could be written, was not copied either.
    EXPECT_EQ(Read("Parvane2 -u1-.INI"), "user ini");
    EXPECT_EQ(Read("Parvane2 -u1-.LOG"), "user log");

    ReadOnly("Parvane2 -u1-.INI");
    EXPECT_EQ(MultiUserFilesMove(Pair("Parvane2.INI", "Parvane2 -u1-.INI"),
                                 Pair("Parvane2.LOG", "Parvane2 -u1-.LOG")),
              TFilesMove::SettingsFailed);
    EXPECT_EQ(Read("Parvane2 -u1-.INI"), "user ini");
}

// A copy that the disk has no room for fails and leaves the target as it was.
TEST_F(MultiUserMoveTest, ACopyOntoAFullDiskFailsAndKeepsTheTargetWhole)
{
    SmallDisk disk;
    ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
    const QString sTarget = disk.FilePath(QStringLiteral("Parvane2 -u1-.INI"));
    {
        QFile file(sTarget);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write("old"), 3);
    }
    Write("Parvane2.INI", QByteArray(8192, 'k'));
    ASSERT_TRUE(disk.Fill());
    EXPECT_FALSE(FileReplace(Path("Parvane2.INI"), sTarget));
    QFile file(sTarget);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old");
}

// The switch as a rule: on and off again, the files go along and the names follow;
// a move that cannot be made leaves mode, names and files as they were.
TEST_F(MultiUserMoveTest, TheSwitchMovesTheFilesAndPointsTheNamesAtThem)
{
    struct Restore {
        QString sProgramDirectory = ProgramDirectory, sUser = WindowsUserName, sBase = FileBaseName;
        ~Restore()
        {
            ProgramDirectory = sProgramDirectory;
            WindowsUserName = sUser;
            FileBaseName = sBase;
        }
    } restore;
    ProgramDirectory = ProgramDirectoryOf(FDir.path());
    WindowsUserName.clear();
    FileBaseName = FileBaseNameFor(false, QString());
    Write("Parvane2.INI", "shared ini");
    Write("Parvane2.LOG", "shared log");

    EXPECT_EQ(MultiUserSwitch(false, QStringLiteral("u1")), std::nullopt); // already shared: nothing
    EXPECT_EQ(MultiUserSwitch(true, QStringLiteral("u1")), std::nullopt);
    EXPECT_EQ(WindowsUserName, QStringLiteral("u1"));
    EXPECT_EQ(FileBaseName, Path("Parvane2 -u1-"));
    EXPECT_EQ(Read("Parvane2 -u1-.INI"), "shared ini");
    EXPECT_EQ(Read("Parvane2 -u1-.LOG"), "shared log");

    Write("Parvane2 -u1-.INI", "user ini");
    ReadOnly("Parvane2.INI");
    const std::optional<QString> refused = MultiUserSwitch(false, QStringLiteral("u1"));
    EXPECT_EQ(refused, MultiUserMoveErrorText(TFilesMove::SettingsFailed, false));
    EXPECT_EQ(WindowsUserName, QStringLiteral("u1"));
    EXPECT_EQ(Read("Parvane2.INI"), "shared ini");

    ::chmod(Path("Parvane2.INI").toLocal8Bit().constData(), 0644);
    EXPECT_EQ(MultiUserSwitch(false, QStringLiteral("u1")), std::nullopt);
    EXPECT_TRUE(WindowsUserName.isEmpty());
    EXPECT_EQ(FileBaseName, Path("Parvane2"));
    EXPECT_EQ(Read("Parvane2.INI"), "user ini");
}

TEST_F(MultiUserMoveTest, MessagesNameTheFileAndTheDirection)
{
    EXPECT_TRUE(MultiUserMoveErrorText(TFilesMove::SettingsFailed, true)
                    .startsWith(QStringLiteral("設定ファイルの移行")));
    EXPECT_TRUE(MultiUserMoveErrorText(TFilesMove::SettingsFailed, true)
                    .endsWith(QStringLiteral("マルチユーザ機能を有効にすることができませんでした。")));
    EXPECT_TRUE(MultiUserMoveErrorText(TFilesMove::LogFailed, false)
                    .startsWith(QStringLiteral("ログファイルの移行")));
    EXPECT_TRUE(MultiUserMoveErrorText(TFilesMove::LogFailed, false)
                    .endsWith(QStringLiteral("マルチユーザ機能を解除することができませんでした。")));
    EXPECT_TRUE(MultiUserMoveErrorText(TFilesMove::Done, true).isEmpty());
}

} // namespace
