#include "LogFile.h"

#include "AnsiCodePage.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

const QDateTime kWhen(QDate(2011, 8, 29), QTime(7, 5, 9));
const QString kDashes(80, u'-');

QByteArray Cp932(const char* utf8)
{
    return AnsiCodePage::Encode(QString::fromUtf8(utf8));
}

QByteArray Record(int kind, const char* from, const char* to, const char* text)
{
    return LogRecordBytes(kind, QString::fromUtf8(from), QString::fromUtf8(to), QString::fromUtf8(text),
                          kWhen);
}

TEST(LogRecordBytes, IsTheRecordLayoutInCodePage932WithCrLf)
{
    const QByteArray expected = Cp932("【メッセージ受信】\r\n"
                                      "\r\n"
                                      "≪日時≫ 2011年08月29日 07時05分09秒\r\n"
                                      "≪送信者≫ 花子\r\n"
                                      "≪受信者≫ 太郎\r\n"
                                      "\r\n"
                                      "こんにちは\r\n"
                                      "\r\n"
                                      "二行目\r\n") +
                                QByteArray(80, '-') + "\r\n";
    EXPECT_EQ(Record(LogKindMessageRecv, "花子", "太郎", "こんにちは\r\n\r\n二行目"), expected);
    // The brackets and labels a Windows copy writes, byte for byte.
    EXPECT_TRUE(expected.startsWith("\x81\x79"));
    EXPECT_TRUE(expected.contains("\x81\x7a\r\n\r\n\x81\xe1"));
}

TEST(LogRecordBytes, KindHeaders)
{
    const struct {
        int kind;
        const char* header;
    } cases[] = {{0, "【メッセージ送信】"}, {1, "【メッセージ受信】"}, {2, "【チャット送信】"},
                 {3, "【チャット受信】"},   {4, "【チャット受信】"},   {255, "【チャット受信】"}};
    for (const auto& c : cases)
        EXPECT_TRUE(Record(c.kind, "a", "b", "t").startsWith(Cp932(c.header) + "\r\n\r\n")) << c.kind;
}

TEST(LogRecordBytes, EveryKindOfLineBreakInTheTextIsWrittenAsCrLf)
{
    const QByteArray tail = QByteArray("\r\n") + QByteArray(80, '-') + "\r\n";
    const struct {
        const char* text;
        QByteArray written;
    } cases[] = {{"a\nb", "\r\na\r\nb" + tail},
                 {"a\rb", "\r\na\r\nb" + tail},
                 {"a\r\nb", "\r\na\r\nb" + tail},
                 {"a\n\n", "\r\na\r\n\r\n" + tail},
                 {"", "\r\n" + tail}};
    for (const auto& c : cases)
        EXPECT_TRUE(Record(0, "a", "b", c.text).endsWith(c.written)) << c.text;
}

TEST(LogRecordBytes, ANameWithALineBreakStaysOnItsLine)
{
    const QList<TLogRecord> records = LogRecordsRead(Record(1, "悪い\r\n【名前】", "x\ny", "本文"));
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].sFrom, QStringLiteral("悪い  【名前】"));
    EXPECT_EQ(records[0].sTo, QStringLiteral("x y"));
    EXPECT_EQ(records[0].sText, QStringLiteral("本文"));
}

TEST(LogRecordsRead, ReadsWhatTheWriterWroteNewestFirst)
{
    const QByteArray file = Record(3, "花子", "(チャット全体)", "&lt;b&gt;") +
                            Record(0, "太郎", "花子, 次郎", "\r\n\r\n一行目\r\n\r\n三行目") +
                            Record(1, "花子", "太郎", "");
    const QList<TLogRecord> records = LogRecordsRead(file);
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].sKind, QStringLiteral("チャット受信"));
    EXPECT_EQ(records[0].sDate, QStringLiteral("2011年08月29日 07時05分09秒"));
    EXPECT_EQ(records[0].sFrom, QStringLiteral("花子"));
    EXPECT_EQ(records[0].sTo, QStringLiteral("(チャット全体)"));
    EXPECT_EQ(records[0].sText, QStringLiteral("&lt;b&gt;"));
    EXPECT_EQ(records[1].sKind, QStringLiteral("メッセージ送信"));
    EXPECT_EQ(records[1].sTo, QStringLiteral("花子, 次郎"));
    // Empty lines before the text are dropped, those inside it stay.
    EXPECT_EQ(records[1].sText, QStringLiteral("一行目\r\n\r\n三行目"));
    EXPECT_EQ(records[2].sText, QString());
    // Lines ended by LF alone read the same.
    QByteArray lfOnly = file;
    lfOnly.replace("\r\n", "\n");
    const QList<TLogRecord> fromLf = LogRecordsRead(lfOnly);
    ASSERT_EQ(fromLf.size(), 3);
    EXPECT_EQ(fromLf[1].sText, records[1].sText);
    EXPECT_EQ(fromLf[2].sFrom, QStringLiteral("花子"));
}

TEST(LogRecordsRead, FilesThatDoNotFollowTheLayoutAreReadByPosition)
{
    EXPECT_TRUE(LogRecordsRead(QByteArray()).isEmpty());

    // Ends inside a record: the record shows without its last line.
    const QList<TLogRecord> cut = LogRecordsRead(Record(1, "花子", "太郎", "一\r\n二\r\n三").chopped(82));
    ASSERT_EQ(cut.size(), 1);
    EXPECT_EQ(cut[0].sText, QStringLiteral("一\r\n二"));

    // A line of the text that is the closing line ends the record there; the rest
    // is read as a further record, out of step.
    const QByteArray dashed =
        Record(1, "花子", "太郎", ("上\r\n" + kDashes.toStdString() + "\r\n【下】").c_str());
    const QList<TLogRecord> outOfStep = LogRecordsRead(dashed);
    ASSERT_EQ(outOfStep.size(), 2);
    EXPECT_EQ(outOfStep[0].sText, QStringLiteral("上"));
    EXPECT_EQ(outOfStep[1].sKind, QStringLiteral("下"));

    // Lines too short for what is cut give empty fields.
    const QList<TLogRecord> shortLines = LogRecordsRead(QByteArray("\x81\r\n\r\nab\r\nabc\r\n\r\n\r\nx\r\n"));
    ASSERT_EQ(shortLines.size(), 1);
    EXPECT_EQ(shortLines[0].sKind, QString());
    EXPECT_EQ(shortLines[0].sDate, QString());
    EXPECT_EQ(shortLines[0].sFrom, QString());
    EXPECT_EQ(shortLines[0].sText, QString()); // the file's last line belongs to no record
}

TEST(LogLinesNormalised, EndsEveryLineWithCrLfAndKeepsTheBytesBetween)
{
    const struct {
        QByteArray in;
        QByteArray out;
    } cases[] = {{"", ""},
                 {"a", "a\r\n"},
                 {"a\r\n", "a\r\n"},
                 {"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd\r\n"},
                 {"\n\r\r\n", "\r\n\r\n\r\n"},
                 {"\xff\x80\x81\r\n", "\xff\x80\x81\r\n"}};
    for (const auto& c : cases)
        EXPECT_EQ(LogLinesNormalised(c.in), c.out) << c.in.toHex().constData();
}

class LogFilePrependTest : public testing::Test {
protected:
    QString Path() const { return FDir.filePath(QStringLiteral("Parvane2.LOG")); }
    QByteArray Contents() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void Store(const QByteArray& bytes) const
    {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir FDir;
};

TEST_F(LogFilePrependTest, NewRecordsGoOnTopOfWhatTheFileHeld)
{
    const QByteArray first = Record(1, "花子", "太郎", "一");
    const QByteArray second = Record(0, "太郎", "花子", "二");
    ASSERT_TRUE(LogFilePrepend(Path(), first));
    EXPECT_EQ(Contents(), first);
    ASSERT_TRUE(LogFilePrepend(Path(), second));
    EXPECT_EQ(Contents(), second + first);
}

TEST_F(LogFilePrependTest, OldLinesGetCrLfAndKeepTheirBytes)
{
    // Bytes that are no text of the code page must come back as they were.
    Store("old\nlines\r\xff\x80 kept");
    const QByteArray record = Record(1, "a", "b", "c");
    ASSERT_TRUE(LogFilePrepend(Path(), record));
    EXPECT_EQ(Contents(), record + "old\r\nlines\r\n\xff\x80 kept\r\n");
}

TEST_F(LogFilePrependTest, AReadOnlyLogOrAFolderInItsPlaceIsLeftAlone)
{
    Store("old\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0444), 0);
    EXPECT_FALSE(LogFilePrepend(Path(), Record(1, "a", "b", "c")));
    EXPECT_EQ(Contents(), QByteArray("old\r\n"));

    const QString folder = FDir.filePath(QStringLiteral("Folder.LOG"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(LogFilePrepend(folder, Record(1, "a", "b", "c")));
}

// Copies of the program that share one log each rewrite the whole file; none may
// drop what another has just written.
TEST_F(LogFilePrependTest, WritersAtTheSameTimeLoseNoRecord)
{
    constexpr int kWriters = 4;
    constexpr int kRecordsEach = 40;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([this, w] {
            for (int i = 0; i < kRecordsEach; ++i)
                LogFilePrepend(Path(), LogRecordBytes(1, QString::number(w), QStringLiteral("me"),
                                                      QStringLiteral("%1-%2").arg(w).arg(i), kWhen));
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    const QList<TLogRecord> records = LogRecordsRead(Contents());
    ASSERT_EQ(records.size(), kWriters * kRecordsEach);
    QSet<QString> texts;
    for (const TLogRecord& record : records)
        texts.insert(record.sText);
    EXPECT_EQ(texts.size(), kWriters * kRecordsEach);
}

TEST(LogTableHtml, RowsAreTintedInTurnAndShowEveryFieldAsTyped)
{
    const QList<TLogRecord> records = {
        {QStringLiteral("チャット受信"), QStringLiteral("d"), QStringLiteral("&lt;名前&gt;"),
         QStringLiteral("(チャット全体)"), QStringLiteral("a &lt;b&gt; &amp;lt;")},
        {QStringLiteral("メッセージ受信"), QStringLiteral("d"), QStringLiteral("x"), QStringLiteral("y"),
         QStringLiteral("<b>太字</b> &amp;\r\n二行目")},
        {QStringLiteral("メッセージ送信"), QString(), QString(), QString(), QString()}};
    const QString html = LogTableHtml(records);
    EXPECT_TRUE(
        html.startsWith(QStringLiteral("<table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" "
                                       "style=\"width:100%; word-break:break-all;\"><tr><td nowrap "
                                       "style=\"width:80px; color:#884444; font-weight:bold; "
                                       "font-size:12px; border-bottom:3px double #884444;\">種別</td>")));
    EXPECT_TRUE(html.endsWith(QStringLiteral("</tr></table>")));
    EXPECT_EQ(html.count(QStringLiteral("<tr style=\"background-color:#eeeeff;\">")), 2);
    EXPECT_EQ(html.count(QStringLiteral("<tr>")), 2); // the header row and the second record
    EXPECT_LT(html.indexOf(QStringLiteral("<tr style")), html.indexOf(QStringLiteral("</tr><tr>")));
    // A chat record is stored escaped and shows as typed; so does a message record.
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;名前&gt;</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral(">a &lt;b&gt; &amp;lt;</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral(">&lt;b&gt;太字&lt;/b&gt; &amp;amp;<br>二行目</td>")));
    EXPECT_FALSE(html.contains(QStringLiteral("<b>")));
}

TEST(LogStatusTexts, CountAndTime)
{
    const QDateTime afternoon(QDate(2011, 8, 29), QTime(13, 5, 9));
    EXPECT_EQ(LogCountText(0, afternoon),
              QStringLiteral("ログはありません（2011年08月29日 午後 1時05分09秒 現在）"));
    EXPECT_EQ(LogCountText(12, afternoon),
              QStringLiteral("12 件のログ（2011年08月29日 午後 1時05分09秒 現在）"));
    EXPECT_EQ(LogDeletedText(afternoon),
              QStringLiteral("ログはありません（2011年08月29日 午後 1時05分09秒現在）"));
}

} // namespace
