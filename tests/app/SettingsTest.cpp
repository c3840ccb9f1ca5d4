#include "Settings.h"

#include "../platform/FileSaves.h"
#include "../platform/SmallDisk.h"
#include "AnsiCodePage.h"
#include "OwnProcess.h"
#include "ParvaneNetwork.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class SettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        ProgramDirectory = ProgramDirectoryOf(FDir.path());
        WindowsUserName.clear();
        FileBaseName = ProgramDirectory + QStringLiteral("Parvane2");
    }

    void Store(const QString& text) const
    {
        QFile file(SettingsFileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(AnsiCodePage::Encode(text));
    }

    QString Stored(const QString& fileName = SettingsFileName()) const
    {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return AnsiCodePage::Decode(file.readAll());
    }

    // Every key name of the file, in file order.
    QStringList StoredKeys() const
    {
        QStringList keys;
        for (const QString& line : Stored().split(QStringLiteral("\r\n"))) {
            const qsizetype equal = line.indexOf(u'=');
            if (equal > 0)
                keys.append(line.left(equal));
        }
        return keys;
    }

    QTemporaryDir FDir;
};

// Values that differ from every default, so a read that skips a key shows.
void SetEveryOptionAwayFromItsDefault()
{
    HandleName = QStringLiteral("junk");
    CustomizeTaskTray = CustomizeTaskBar = CustomizeAutoRecv = CustomizeLetter = true;
    CustomizeLog = CustomizeReloginMessage = CustomizeEnd = false;
    CustomizeSecurityData = true;
    CustomizeHotKey1 = CustomizeHotKey2 = CustomizeHotKey3 = CustomizeHotKey4 = CustomizeHotKey5 = 0;
    CustomizeStartLogin = CustomizeStartVersionCheck = CustomizeAlphaBar = false;
    CustomizeShowTopMost = true;
    CustomizeFileSave = 2;
    CustomizeFileSaveSetPath = QStringLiteral("/elsewhere/");
    SecurityLetter = true;
    SecurityLetterPassword = SecurityOptionPassword = SecurityLogPassword = QStringLiteral("x");
    CustomizeSoundKind = 2;
    CustomizeSoundFile.fill(QStringLiteral("x.wav"));
    AnimationMouse = AnimationTaskTrayIcon = 0;
    NoticeLogin = NoticeAbsenceHide = NoticeAutoClose = false;
    NoticeAutoCloseAbsenceCancel = true;
    NoticePosition = 0;
}

TEST_F(SettingsTest, WithoutAFileEveryKeyTakesItsDefaultAndNothingIsCreated)
{
    SetEveryOptionAwayFromItsDefault();
    SendWindowShowHeader = LogWindowShowStatus = false;
    CustomizeMenuBarHide = true;
    const IniFile ini(SettingsFileName());
    SettingsReadPorts(ini);
    SettingsReadBars(ini);
    SettingsReadViewFlags(ini);
    SettingsReadOption(ini, QStringLiteral("PVHOST1"));

    EXPECT_FALSE(CustomizeSecurityData);
    EXPECT_EQ(HandleName, QStringLiteral("PVHOST1"));
    EXPECT_FALSE(CustomizeTaskTray);
    EXPECT_FALSE(CustomizeLetter);
    EXPECT_TRUE(CustomizeLog);
    EXPECT_TRUE(CustomizeReloginMessage);
    EXPECT_TRUE(CustomizeEnd);
    EXPECT_EQ(CustomizeHotKey1, 49229);
    EXPECT_EQ(CustomizeHotKey2, 49235);
    EXPECT_EQ(CustomizeHotKey3, 49234);
    EXPECT_EQ(CustomizeHotKey4, 49222);
    EXPECT_EQ(CustomizeHotKey5, 49228);
    EXPECT_TRUE(CustomizeStartLogin);
    EXPECT_TRUE(CustomizeStartVersionCheck);
    EXPECT_FALSE(CustomizeShowTopMost);
    EXPECT_TRUE(CustomizeAlphaBar);
    EXPECT_EQ(CustomizeFileSave, 0);
    EXPECT_EQ(CustomizeFileSaveSetPath, ProgramDirectory);
    EXPECT_TRUE(SecurityLetterPassword.isEmpty());
    EXPECT_TRUE(SecurityOptionPassword.isEmpty());
    EXPECT_TRUE(SecurityLogPassword.isEmpty());
    EXPECT_EQ(CustomizeSoundKind, 0);
    for (const QString& file : CustomizeSoundFile)
        EXPECT_TRUE(file.isEmpty());
    EXPECT_EQ(AnimationMouse, 1);
    EXPECT_EQ(AnimationTaskTrayIcon, 1);
    EXPECT_TRUE(NoticeLogin);
    EXPECT_TRUE(NoticeAbsenceHide);
    EXPECT_TRUE(NoticeAutoClose);
    EXPECT_FALSE(NoticeAutoCloseAbsenceCancel);
    EXPECT_EQ(NoticePosition, 6);
    EXPECT_FALSE(NetworkPort);
    EXPECT_EQ(NetworkPortNo, 51000);
    EXPECT_EQ(NetworkFTPPortNo, 52000);
    EXPECT_FALSE(CustomizeMenuBarHide);
    EXPECT_TRUE(SendWindowShowHeader);
    EXPECT_TRUE(LogWindowShowStatus);
    EXPECT_TRUE(SettingsReadBroadcastIP(ini).isEmpty());
    EXPECT_TRUE(SettingsReadLastCheck(ini).isEmpty());
    EXPECT_FALSE(QFile::exists(SettingsFileName()));
}

TEST_F(SettingsTest, OptionsWrittenReadBackUnchanged)
{
    SetEveryOptionAwayFromItsDefault();
    HandleName = QStringLiteral("山田 太郎");
    SecurityLetterPassword = QStringLiteral("秘密");
    SecurityOptionPassword = QString();
    SecurityLogPassword = QStringLiteral("log pass");
    CustomizeSoundFile[7] = QStringLiteral("/音/chat.wav");
    NetworkPort = true;
    NetworkPortNo = 51001;
    NetworkFTPPortNo = 52001;
    AbsenceMessage = {};
    AbsenceMessage[0] = {QStringLiteral("会議"), QStringLiteral("会議中です。\r\n14時に戻ります。")};
    IniFile writer(SettingsFileName());
    ASSERT_TRUE(writer.WriteBool(SectionOption, QStringLiteral("CustomizeMenuBarHide"), true));
    ASSERT_TRUE(SettingsWriteOption(writer, {QStringLiteral("198.18.0.9")}, true));

    const TAbsenceMessage written = AbsenceMessage;
    const auto soundFiles = CustomizeSoundFile;
    SetEveryOptionAwayFromItsDefault();
    AbsenceMessage = {};
    NetworkPort = false;
    NetworkPortNo = NetworkFTPPortNo = 0;
    CustomizeSecurityData = false;
    const IniFile reader(SettingsFileName());
    SettingsReadPorts(reader);
    SettingsReadOption(reader, QStringLiteral("PVHOST1"));
    EXPECT_TRUE(CustomizeSecurityData);
    SettingsReadAbsence(reader);
    EXPECT_EQ(HandleName, QStringLiteral("山田 太郎"));
    EXPECT_TRUE(CustomizeTaskTray);
    EXPECT_FALSE(CustomizeEnd);
    EXPECT_EQ(CustomizeHotKey3, 0);
    EXPECT_EQ(CustomizeFileSave, 2);
    EXPECT_EQ(CustomizeFileSaveSetPath, QStringLiteral("/elsewhere/"));
    EXPECT_EQ(SecurityLetterPassword, QStringLiteral("秘密"));
    EXPECT_TRUE(SecurityOptionPassword.isEmpty());
    EXPECT_EQ(SecurityLogPassword, QStringLiteral("log pass"));
    EXPECT_EQ(CustomizeSoundFile, soundFiles);
    EXPECT_EQ(NoticePosition, 0);
    EXPECT_TRUE(NoticeAutoCloseAbsenceCancel);
    EXPECT_TRUE(NetworkPort);
    EXPECT_EQ(NetworkPortNo, 51001);
    EXPECT_EQ(NetworkFTPPortNo, 52001);
    EXPECT_EQ(AbsenceMessage[0].sTitle, written[0].sTitle);
    EXPECT_EQ(AbsenceMessage[0].sMessage, written[0].sMessage);
    EXPECT_EQ(SettingsReadBroadcastIP(reader), QStringLiteral("198.18.0.9"));
    // The bar key is the main window's; the options leave it as it stood.
    EXPECT_TRUE(reader.ReadBool(SectionOption, QStringLiteral("CustomizeMenuBarHide"), false));
}

TEST_F(SettingsTest, OptionKeysAreWrittenInTheirOrderWithPortsLast)
{
    IniFile ini(SettingsFileName());
    ASSERT_TRUE(SettingsWriteOption(ini, {QStringLiteral("a"), QStringLiteral("b")}, true));
    const QStringList keys = StoredKeys();
    const QStringList anchors = {"HandleName",
                                 "CustomizeTaskTray",
                                 "CustomizeEnd",
                                 "CustomizeSecurityData",
                                 "CustomizeHotKey1",
                                 "CustomizeHotKey5",
                                 "CustomizeFileSaveSetPath",
                                 "SecurityLogPassword",
                                 "CustomizeSoundKind",
                                 "CustomizeSoundFile0",
                                 "CustomizeSoundFile7",
                                 "AnimationTaskTrayIcon",
                                 "Absence-Title0",
                                 "Absence-Message0",
                                 "Absence-Title1",
                                 "Absence-Message99",
                                 "NoticeLogin",
                                 "NoticeAbsenceHide",
                                 "NetworkBroadcast0",
                                 "NetworkBroadcast1",
                                 "NetworkPort",
                                 "NetworkPortNo",
                                 "NetworkFTPPortNo"};
    qsizetype previous = -1;
    for (const QString& anchor : anchors) {
        const qsizetype at = keys.indexOf(anchor);
        ASSERT_GE(at, 0) << anchor.toStdString();
        EXPECT_GT(at, previous) << anchor.toStdString();
        previous = at;
    }
    EXPECT_EQ(keys.last(), QStringLiteral("NetworkFTPPortNo"));
    EXPECT_FALSE(keys.contains(QStringLiteral("CustomizeToolBarHide")));
    EXPECT_FALSE(keys.contains(QStringLiteral("NetworkBroadcast")));

    // With ports from the command line the port keys stay as they were.
    QFile::remove(SettingsFileName());
    IniFile again(SettingsFileName());
    ASSERT_TRUE(SettingsWriteOption(again, {}, false));
    EXPECT_FALSE(StoredKeys().contains(QStringLiteral("NetworkPort")));
    EXPECT_FALSE(StoredKeys().contains(QStringLiteral("NetworkPortNo")));
}

TEST_F(SettingsTest, PasswordsAreStoredScrambledTwice)
{
    const struct {
        QString plain;
        int digits;
    } cases[] = {{QString(), 6}, {QStringLiteral("a"), 10}, {QStringLiteral("秘密"), 6 + 4 * 4}};
    const QRegularExpression upperHex(QStringLiteral("^[0-9A-F]+$"));
    for (const auto& c : cases) {
        const QString stored = PasswordStoredForm(c.plain);
        EXPECT_EQ(stored.size(), c.digits) << stored.toStdString();
        EXPECT_TRUE(upperHex.match(stored).hasMatch()) << stored.toStdString();
        EXPECT_EQ(PasswordFromStoredForm(stored), c.plain);
        EXPECT_EQ(TParvaneNetwork::PasswordToString(TParvaneNetwork::PasswordToString(stored)), c.plain);
    }
}

TEST_F(SettingsTest, StoredPasswordThatDoesNotUnscrambleReadsEmpty)
{
    const QString cases[] = {
        QStringLiteral("ABC"),                                      // three characters or fewer
        QStringLiteral("8A8B8C8D8"),                                // odd length
        QStringLiteral("8AZZ8C8D8E"),                               // a pair that is not hexadecimal
        TParvaneNetwork::StringToPassword(QStringLiteral("plain")), // scrambled only once
        QStringLiteral("password"),
    };
    for (const QString& stored : cases) {
        Store(QStringLiteral("[Option]\r\nSecurityLogPassword=") + stored + QStringLiteral("\r\n"));
        SecurityLogPassword = QStringLiteral("left over");
        SettingsReadOption(IniFile(SettingsFileName()), QStringLiteral("PVHOST1"));
        EXPECT_TRUE(SecurityLogPassword.isEmpty()) << stored.toStdString();
    }
}

TEST_F(SettingsTest, AwayKindsDefaultOnlyWhenTheFirstTitleIsMissing)
{
    AbsenceMessage[5] = {QStringLiteral("left"), QStringLiteral("over")};
    SettingsReadAbsence(IniFile(SettingsFileName()));
    EXPECT_EQ(AbsenceMessage[0].sTitle, QStringLiteral("離席中"));
    EXPECT_EQ(AbsenceMessage[0].sMessage, QStringLiteral("席を外しています。"));
    EXPECT_EQ(AbsenceMessage[1].sTitle, QStringLiteral("外出中"));
    EXPECT_EQ(AbsenceMessage[1].sMessage, QStringLiteral("外出しています。"));
    EXPECT_EQ(AbsenceMessage[2].sTitle, QStringLiteral("電話中"));
    EXPECT_EQ(AbsenceMessage[2].sMessage, QStringLiteral("電話応対中です。"));
    EXPECT_TRUE(AbsenceMessage[3].sTitle.isEmpty());
    EXPECT_TRUE(AbsenceMessage[5].sTitle.isEmpty());
    EXPECT_FALSE(QFile::exists(SettingsFileName()));

    Store(QStringLiteral("[Option]\r\nAbsence-Title0=\r\nAbsence-Title1=Hidden\r\n"));
    SettingsReadAbsence(IniFile(SettingsFileName()));
    EXPECT_TRUE(AbsenceMessage[0].sTitle.isEmpty());
    EXPECT_TRUE(AbsenceMessage[2].sTitle.isEmpty());

    Store(QStringLiteral("[Option]\r\nAbsence-Title0=Out\r\nAbsence-Message0=Gone&|Back soon\r\n"));
    SettingsReadAbsence(IniFile(SettingsFileName()));
    EXPECT_EQ(AbsenceMessage[0].sTitle, QStringLiteral("Out"));
    EXPECT_EQ(AbsenceMessage[0].sMessage, QStringLiteral("Gone\r\nBack soon"));
    EXPECT_TRUE(AbsenceMessage[1].sTitle.isEmpty());
}

TEST_F(SettingsTest, AwayMessageLineBreaksOfEveryFormAreStoredAsTheSeparator)
{
    AbsenceMessage = {};
    AbsenceMessage[0] = {QStringLiteral("T"), QStringLiteral("one\r\ntwo\nthree\rfour")};
    IniFile ini(SettingsFileName());
    ASSERT_TRUE(SettingsWriteAbsence(ini));
    EXPECT_TRUE(Stored().contains(QStringLiteral("\r\nAbsence-Message0=one&|two&|three&|four\r\n")));
    EXPECT_TRUE(Stored().contains(QStringLiteral("\r\nAbsence-Title99=\r\nAbsence-Message99=\r\n")));
    SettingsReadAbsence(ini);
    EXPECT_EQ(AbsenceMessage[0].sMessage, QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
}

TEST_F(SettingsTest, ExtraAddressesSingleKeyWinsAndNumberedKeysStopAtTheFirstGap)
{
    const struct {
        const char* file;
        const char* expected;
    } cases[] = {
        {"NetworkBroadcast=198.18.0.5&|198.18.0.6\r\nNetworkBroadcast0=10.0.0.1\r\n",
         "198.18.0.5&|198.18.0.6"},
        {"NetworkBroadcast=\r\nNetworkBroadcast0=10.0.0.1\r\n", "10.0.0.1"},
        {"NetworkBroadcast0=a\r\nNetworkBroadcast1=b\r\nNetworkBroadcast3=d\r\n", "a&|b"},
        {"NetworkBroadcast0=\r\nNetworkBroadcast1=b\r\n", ""},
    };
    for (const auto& c : cases) {
        Store(QStringLiteral("[Option]\r\n") + QString::fromLatin1(c.file));
        EXPECT_EQ(SettingsReadBroadcastIP(IniFile(SettingsFileName())), QString::fromLatin1(c.expected))
            << c.file;
    }
}

TEST_F(SettingsTest, ShorterAddressListEndsAtItsOwnLengthAndDropsTheSingleKey)
{
    Store(QStringLiteral("[Option]\r\nNetworkBroadcast=old\r\n"));
    IniFile ini(SettingsFileName());
    ASSERT_TRUE(SettingsWriteBroadcastIP(ini, {"a0", "a1", "a2", "a3", "a4"}));
    EXPECT_EQ(SettingsReadBroadcastIP(ini), QStringLiteral("a0&|a1&|a2&|a3&|a4"));
    ASSERT_TRUE(SettingsWriteBroadcastIP(ini, {"b0", "b1"}));
    EXPECT_EQ(SettingsReadBroadcastIP(ini), QStringLiteral("b0&|b1"));
    EXPECT_EQ(StoredKeys(), QStringList({"NetworkBroadcast0", "NetworkBroadcast1", "NetworkBroadcast3",
                                         "NetworkBroadcast4"}));

    // An empty item must not end the list early for the reader.
    ASSERT_TRUE(SettingsWriteBroadcastIP(ini, {"c0", "", "c2"}));
    EXPECT_EQ(SettingsReadBroadcastIP(ini), QStringLiteral("c0&|c2"));
}

TEST_F(SettingsTest, MultiUserFilesAreNamedAfterTheUserAndTheModeStaysInTheSharedFile)
{
    SettingsLocate(QStringLiteral("user1"));
    EXPECT_TRUE(WindowsUserName.isEmpty());
    EXPECT_EQ(FileBaseName, ProgramDirectory + QStringLiteral("Parvane2"));
    EXPECT_EQ(SettingsFileName(), ProgramDirectory + QStringLiteral("Parvane2.INI"));

    ASSERT_TRUE(SettingsWriteMultiUser(true));
    SettingsLocate(QStringLiteral("user1"));
    EXPECT_EQ(WindowsUserName, QStringLiteral("user1"));
    EXPECT_EQ(FileBaseName, ProgramDirectory + QStringLiteral("Parvane2 -user1-"));
    EXPECT_EQ(SettingsFileName(), ProgramDirectory + QStringLiteral("Parvane2 -user1-.INI"));

    IniFile own(SettingsFileName());
    ASSERT_TRUE(own.WriteString(SectionOption, QStringLiteral("HandleName"), QStringLiteral("u1")));
    ASSERT_TRUE(SettingsWriteMultiUser(true));
    EXPECT_EQ(Stored(SharedSettingsFileName()), QStringLiteral("[AllUsers]\r\nMultiUser=1\r\n"));
    EXPECT_EQ(Stored(), QStringLiteral("[Option]\r\nHandleName=u1\r\n"));

    // A name that cannot be read leaves the base name with nothing between the dashes.
    SettingsLocate(QString());
    EXPECT_EQ(FileBaseName, ProgramDirectory + QStringLiteral("Parvane2 --"));
}

TEST_F(SettingsTest, HandleNameThatTheOptionsWouldRefuseFallsBackToTheComputerName)
{
    const struct {
        const char* stored;
        const char* expected;
    } cases[] = {
        {"Taro", "Taro"}, {"", "PVHOST1"}, {"a&|b", "PVHOST1"}, {"a&:b", "PVHOST1"}, {"a\\|b", "PVHOST1"}};
    for (const auto& c : cases) {
        Store(QStringLiteral("[Option]\r\nHandleName=") + QString::fromLatin1(c.stored) +
              QStringLiteral("\r\n"));
        SettingsReadOption(IniFile(SettingsFileName()), QStringLiteral("PVHOST1"));
        EXPECT_EQ(HandleName, QString::fromLatin1(c.expected)) << c.stored;
    }
}

TEST_F(SettingsTest, PortOutsideTheAllowedRangeReadsAsItsDefault)
{
    const struct {
        const char* stored;
        int expected;
    } cases[] = {{"$C739", 51001}, {"1024", 1024}, {"65535", 65535}, {"1023", 51000},
                 {"65536", 51000}, {"0", 51000},   {"-1", 51000}};
    for (const auto& c : cases) {
        Store(QStringLiteral("[Option]\r\nNetworkPort=1\r\nNetworkPortNo=") + QString::fromLatin1(c.stored) +
              QStringLiteral("\r\n"));
        SettingsReadPorts(IniFile(SettingsFileName()));
        EXPECT_EQ(NetworkPortNo, c.expected) << c.stored;
        EXPECT_EQ(NetworkFTPPortNo, 52000);
    }
}

TEST_F(SettingsTest, ChoiceOutsideItsSetReadsAsItsDefault)
{
    const struct {
        const char* stored;
        int position, mouse, tray;
    } cases[] = {{"0", 0, 0, 0}, {"2", 2, 2, 2}, {"3", 3, 3, 0},
                 {"6", 6, 1, 0}, {"7", 6, 1, 0}, {"-1", 6, 1, 0}};
    for (const auto& c : cases) {
        const QString value = QString::fromLatin1(c.stored);
        Store(QStringLiteral(
                  "[Option]\r\nNoticePosition=%1\r\nAnimationMouse=%1\r\nAnimationTaskTrayIcon=%1\r\n")
                  .arg(value));
        SettingsReadOption(IniFile(SettingsFileName()), QStringLiteral("PVHOST1"));
        EXPECT_EQ(NoticePosition, c.position) << c.stored;
        EXPECT_EQ(AnimationMouse, c.mouse) << c.stored;
        EXPECT_EQ(AnimationTaskTrayIcon, c.tray) << c.stored;
    }
}

TEST_F(SettingsTest, ViewFlagsComeFromEachWindowsSection)
{
    Store(QStringLiteral(
        "[sendwindow]\r\nShowHeader=0\r\n[FileRecvWindow]\r\nShowStatus=0\r\nShowSend=yes\r\n"));
    SendWindowShowStatus = FileRecvWindowShowSend = RecvWindowShowHeader = false;
    SettingsReadViewFlags(IniFile(SettingsFileName()));
    EXPECT_FALSE(SendWindowShowHeader);
    EXPECT_TRUE(SendWindowShowStatus);
    EXPECT_FALSE(FileRecvWindowShowStatus);
    EXPECT_TRUE(FileRecvWindowShowSend);
    EXPECT_TRUE(RecvWindowShowHeader);
    EXPECT_TRUE(FileSendWindowShowStatus);
}

TEST_F(SettingsTest, LastCheckIsTheDateWithSlashes)
{
    IniFile ini(SettingsFileName());
    ASSERT_TRUE(SettingsWriteLastCheck(ini, QDate(2011, 8, 29)));
    EXPECT_EQ(SettingsReadLastCheck(ini), QStringLiteral("2011/08/29"));
    EXPECT_EQ(Stored(), QStringLiteral("[UpdateWindow]\r\nLastCheck=2011/08/29\r\n"));
}

TEST_F(SettingsTest, ReadOnlyFileMakesTheOptionsWriteFailAndStaysUnchanged)
{
    Store(QStringLiteral("[Option]\r\nHandleName=Old\r\n"));
    ASSERT_EQ(::chmod(QFile::encodeName(SettingsFileName()).constData(), 0444), 0);
    HandleName = QStringLiteral("New");
    IniFile ini(SettingsFileName());
    EXPECT_FALSE(SettingsWriteOption(ini, {}, true));
    EXPECT_EQ(Stored(), QStringLiteral("[Option]\r\nHandleName=Old\r\n"));
    // Outside multi-user mode the shared file is this same file.
    EXPECT_FALSE(SettingsWriteMultiUser(true));
    EXPECT_EQ(Stored(), QStringLiteral("[Option]\r\nHandleName=Old\r\n"));
}

QByteArray FileBytes(const QString& sFileName)
{
    QFile file(sFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

TEST_F(SettingsTest, TheOptionsAreSavedInOneAtomicSave)
{
    Store(QStringLiteral("[MainWindow]\r\nLeft=5\r\n"));
    FileSaves saves(FDir.path(), QStringLiteral("Parvane2.INI"));
    ASSERT_TRUE(saves.IsReady());
    IniFile ini(SettingsFileName());
    ASSERT_TRUE(SettingsWriteOption(ini, {QStringLiteral("a"), QStringLiteral("b")}, true));
    EXPECT_EQ(saves.Count(), 1);
    EXPECT_TRUE(StoredKeys().contains(QStringLiteral("Absence-Message99")));
    EXPECT_TRUE(Stored().startsWith(QStringLiteral("[MainWindow]\r\nLeft=5\r\n[Option]\r\n")));
}

TEST_F(SettingsTest, SettingsFileThatCannotBeReadIsNeitherWrittenNorEmptied)
{
    Store(QStringLiteral("[AllUsers]\r\nMultiUser=0\r\n[Option]\r\nHandleName=Old\r\n"
                         "SecurityLogPassword=stored\r\nAbsence-Title0=会議\r\n"));
    const QByteArray before = FileBytes(SettingsFileName());
    const QString unreadable = SettingsFileName();
    const IniFile::ContentReader previous = IniFile::SetContentReader([unreadable](const QString& sFileName) {
        if (sFileName == unreadable)
            return IniFile::Content{IniFile::Content::Unreadable, QByteArray()};
        return IniFile::ReadContent(sFileName);
    });
    HandleName = QStringLiteral("New");
    IniFile ini(SettingsFileName());
    const bool optionsWritten = SettingsWriteOption(ini, {}, true);
    IniFile other(SettingsFileName());
    const bool dateWritten = SettingsWriteLastCheck(other, QDate(2011, 8, 29));
    const bool modeWritten = SettingsWriteMultiUser(true);
    IniFile::SetContentReader(previous);
    EXPECT_FALSE(optionsWritten);
    EXPECT_FALSE(dateWritten);
    EXPECT_FALSE(modeWritten);
    EXPECT_EQ(FileBytes(SettingsFileName()), before);
}

TEST_F(SettingsTest, FullDiskOrFailedRenameDuringTheOptionsSaveLeavesTheOldFileWhole)
{
    enum Trouble { FullDisk, RenameFails };
    for (const Trouble trouble : {FullDisk, RenameFails}) {
        SCOPED_TRACE(trouble == FullDisk ? "full disk" : "rename fails");
        SmallDisk disk;
        ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
        ProgramDirectory = ProgramDirectoryOf(disk.Path());
        FileBaseName = ProgramDirectory + QStringLiteral("Parvane2");
        Store(QStringLiteral("[Option]\r\nHandleName=Old\r\nSecurityLogPassword=stored\r\n"));
        const QByteArray before = FileBytes(SettingsFileName());
        ASSERT_TRUE(trouble == FullDisk ? disk.Fill() : disk.PinFile(SettingsFileName()));
        HandleName = QStringLiteral("New");
        IniFile ini(SettingsFileName());
        EXPECT_FALSE(SettingsWriteOption(ini, {QStringLiteral("198.18.0.9")}, true));
        EXPECT_EQ(FileBytes(SettingsFileName()), before);
    }
}

// A fresh process holds every option at its default before anything reads the
// file: the windows made before the read see what a start without a file gives.
TEST(SettingsStart, AFreshProcessHoldsTheDefaultsBeforeTheFileIsRead)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcess());
        return;
    }
    const auto options = [] {
        return std::tuple{
            CustomizeTaskTray, CustomizeLog,          CustomizeReloginMessage, CustomizeEnd,
            CustomizeHotKey1,  CustomizeHotKey5,      CustomizeStartLogin,     CustomizeAlphaBar,
            CustomizeFileSave, CustomizeSoundKind,    AnimationMouse,          AnimationTaskTrayIcon,
            NoticeLogin,       NoticePosition,        NoticeAutoClose,         NoticeAutoCloseAbsenceCancel,
            NoticeAbsenceHide, SecurityLetterPassword};
    };
    const auto atStart = options();
    EXPECT_TRUE(CustomizeLog);
    EXPECT_EQ(CustomizeHotKey1, 49229);
    EXPECT_EQ(NoticePosition, 6);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsReadOption(IniFile(dir.filePath(QStringLiteral("none.INI"))), QStringLiteral("PC1"));
    EXPECT_EQ(options(), atStart);
}

} // namespace
