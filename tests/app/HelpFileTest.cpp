// The help page: where it is opened and that it is installed beside the program.
#include "HelpFile.h"

#include "MessageBox.h"
#include "Settings.h"
#include "SubUnit.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(HelpFile, OpenedBesideTheProgramNotInTheCurrentFolder)
{
    const QString saved = ProgramDirectory;
    ProgramDirectory = QStringLiteral("/opt/pv 2/");
    EXPECT_EQ(HelpFileUrl(0), QUrl::fromLocalFile(QStringLiteral("/opt/pv 2/Parvane2.html")));
    EXPECT_EQ(HelpFileUrl(173).fragment(), QStringLiteral("topic173"));
    EXPECT_EQ(HelpFileUrl(173).toLocalFile(), QStringLiteral("/opt/pv 2/Parvane2.html"));
    ProgramDirectory = saved;
}

TEST(HelpFile, InstalledPageHasAnAnchorForEveryTopicOfTheOptionsWindow)
{
    QFile page(QFileInfo(QStringLiteral(PARVANE2_PATH)).absolutePath() + u'/' + HelpFileName);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << qPrintable(page.fileName());
    const QString sText = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(sText.contains(QStringLiteral("<html lang=\"ja\">")));
    // The help numbers of the options window's controls.
    const int topics[] = {6,   8,   11,  12,  29,  38,  45,  52,  56,  60,  66,  72,  73,  74,  75,  76,  77,
                          78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90,  91,  97,  98,  99,
                          100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 113, 114, 115, 116, 117, 118, 119,
                          120, 121, 122, 131, 135, 136, 137, 143, 144, 148, 150, 151, 152, 153, 154, 155, 158,
                          159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 172, 173};
    for (int i : topics)
        EXPECT_EQ(sText.count(QStringLiteral("id=\"topic%1\"").arg(i)), 1) << i;
    EXPECT_EQ(sText.count(QRegularExpression(QStringLiteral("id=\"topic\\d+\""))), int(std::size(topics)));
}

// Where nothing on the desktop opens the page (as under the test platform, which
// has no launcher), the user is told so rather than left with a command that did nothing.
TEST(HelpFile, APageThatCannotBeOpenedIsToldInABox)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    QTemporaryDir dir;
    const QString saved = ProgramDirectory;
    ProgramDirectory = dir.path() + u'/';
    std::vector<MessageBox::Request> boxes;
    MessageBox::SetAnswerer([&](const MessageBox::Request& box) {
        boxes.push_back(box);
        return MessageBox::IDOK;
    });
    EXPECT_FALSE(HelpShow(12));
    MessageBox::SetAnswerer({});
    ProgramDirectory = saved;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].sText, QStringLiteral("ヘルプファイルを開けませんでした。\r\n") + dir.path() +
                                  QStringLiteral("/Parvane2.html"));
    EXPECT_EQ(boxes[0].sCaption, ApplicationTitle);
    EXPECT_EQ(boxes[0].iFlags, MessageBox::MB_ICONWARNING);
}

} // namespace
