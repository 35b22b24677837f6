// The help viewer: which file it finds, the one help window it shows, and the
// help document the build puts beside the program, checked against the texts
// the program really shows.
#include "app/main_frame.h"
#include "common/test_support.h"
#include "platform/help_viewer.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

const QString kHelp = QStringLiteral("tsx4410.hlp");

QList<QTextBrowser*> HelpWindows()
{
    QList<QTextBrowser*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* browser = qobject_cast<QTextBrowser*>(w);
        if (browser && browser->objectName() == QLatin1String(kHelpWindowName))
            found << browser;
    }
    return found;
}

QString BuiltDocument() { return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tsx4410.html")); }

// --- which file the viewer finds -------------------------------------------

struct ResolveCase {
    const char* name;
    QStringList files;        // created under the scratch folder; a trailing '/' makes a folder
    QStringList folders;      // searched, relative to the scratch folder
    QString asked;
    QString expected;         // relative to the scratch folder; empty: nothing found
};

class ResolveHelp : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveHelp, FindsTheDocumentForTheAskedName)
{
    const ResolveCase& c = GetParam();
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QDir root(scratch.path());
    for (const QString& file : c.files) {
        if (file.endsWith(QLatin1Char('/'))) {
            ASSERT_TRUE(root.mkpath(file));
            continue;
        }
        ASSERT_TRUE(root.mkpath(QFileInfo(file).path()));
        QFile f(root.filePath(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<html></html>");
    }
    QStringList folders;
    for (const QString& folder : c.folders)
        folders << root.filePath(folder);

    const QString found = ResolveHelpFile(c.asked, folders);
    EXPECT_EQ(found, c.expected.isEmpty() ? QString() : QDir::cleanPath(root.filePath(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolveHelp,
    ::testing::Values(
        ResolveCase{"HtmlOfTheSameBaseName", {"bin/tsx4410.html"}, {"bin"}, kHelp, "bin/tsx4410.html"},
        ResolveCase{"HtmlPreferredOverTheAskedName", {"bin/tsx4410.hlp", "bin/tsx4410.html"}, {"bin"}, kHelp,
                    "bin/tsx4410.html"},
        ResolveCase{"AskedNameWhenThereIsNoHtml", {"bin/tsx4410.hlp"}, {"bin"}, kHelp, "bin/tsx4410.hlp"},
        ResolveCase{"EarlierFolderWins", {"bin/tsx4410.html", "share/tsx4410.html"}, {"bin", "share"}, kHelp,
                    "bin/tsx4410.html"},
        ResolveCase{"FolderWithoutItIsPassed", {"share/tsx4410.html"}, {"bin", "share"}, kHelp,
                    "share/tsx4410.html"},
        ResolveCase{"InstalledLayoutFromTheBinFolder", {"bin/", "share/tsx4410-sfp/tsx4410.html"},
                    {"bin", "bin/../share/tsx4410-sfp"}, kHelp, "share/tsx4410-sfp/tsx4410.html"},
        ResolveCase{"AFolderOfThatNameIsNoDocument", {"bin/tsx4410.html/", "share/tsx4410.html"},
                    {"bin", "share"}, kHelp, "share/tsx4410.html"},
        ResolveCase{"OtherDocumentsAreNotTaken", {"bin/other.html", "bin/tsx4410.htm"}, {"bin"}, kHelp, ""},
        ResolveCase{"NothingAnywhere", {"bin/"}, {"bin", "missing"}, kHelp, ""},
        ResolveCase{"AFolderPartOfTheNameReachesNoFurther", {"outside/tsx4410.html", "bin/"}, {"bin"},
                    "../outside/tsx4410.hlp", ""}),
    [](const ::testing::TestParamInfo<ResolveCase>& info) { return std::string(info.param.name); });

// --- the help window ------------------------------------------------------

class HelpWindow : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (QTextBrowser* w : HelpWindows())
            delete w;
    }
    ModalRecorder recorder;
};

TEST_F(HelpWindow, OpensTheDocumentBesideTheProgramTitledFromIt)
{
    ASSERT_TRUE(QFileInfo(BuiltDocument()).isFile()) << "the build copies the help beside the program";
    ShowHelpContents(nullptr, kHelp);

    EXPECT_TRUE(recorder.messages.isEmpty());
    const QList<QTextBrowser*> windows = HelpWindows();
    ASSERT_EQ(windows.size(), 1);
    QTextBrowser* help = windows.first();
    EXPECT_TRUE(help->isWindow());
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), QStringLiteral("TSX4410 Soft Front Panel Help"));
    EXPECT_EQ(QFileInfo(help->source().toLocalFile()).canonicalFilePath(),
              QFileInfo(BuiltDocument()).canonicalFilePath());
}

TEST_F(HelpWindow, AskingAgainReusesTheWindowAndGoesBackToTheContents)
{
    ShowHelpContents(nullptr, kHelp);
    ASSERT_EQ(HelpWindows().size(), 1);
    QTextBrowser* help = HelpWindows().first();
    help->resize(500, 300);
    help->setSource(help->source().resolved(QUrl(QStringLiteral("#messages"))));
    QCoreApplication::processEvents();
    ASSERT_GT(help->verticalScrollBar()->value(), 0) << "the link to the messages moves within the document";

    ShowHelpContents(nullptr, kHelp);
    ASSERT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(HelpWindows().first(), help);
    EXPECT_EQ(help->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(help->source().fragment().isEmpty());
}

TEST_F(HelpWindow, AClosedWindowIsMadeAnewNextTime)
{
    ShowHelpContents(nullptr, kHelp);
    QPointer<QTextBrowser> first = HelpWindows().value(0);
    ASSERT_TRUE(first);
    first->close();
    ProcessEvents();
    EXPECT_TRUE(first.isNull());

    ShowHelpContents(nullptr, kHelp);
    ASSERT_EQ(HelpWindows().size(), 1);
    EXPECT_TRUE(HelpWindows().first()->isVisible());
}

// Help Contents asks for the program's help file, and the window goes with
// the main window.
TEST_F(HelpWindow, GoesWithTheMainWindow)
{
    auto app = StartApp();
    recorder.messages.clear(); // start-up's own
    app->MainFrame()->OnHelpContents();
    QPointer<QTextBrowser> help = HelpWindows().value(0);
    ASSERT_TRUE(help) << recorder.messages.join('|').toStdString();
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(help->parentWidget(), app->MainFrame());
    app->MainFrame()->OnExit();
    ProcessEvents();
    EXPECT_TRUE(help.isNull());
}

TEST_F(HelpWindow, AMissingDocumentIsReportedByTheViewerAlone)
{
    ShowHelpContents(nullptr, QStringLiteral("no-such-help.hlp"));
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_TRUE(recorder.messages[0].contains(QStringLiteral("no-such-help.hlp")));
    EXPECT_TRUE(recorder.messages[0].contains(QStringLiteral("no-such-help.html")));
    EXPECT_TRUE(recorder.messages[0].contains(QCoreApplication::applicationDirPath()));
    EXPECT_NE(recorder.captions.value(0), LoadString(IDS_APP_TITLE)) << "the viewer's own box, not the program's";
    EXPECT_TRUE(HelpWindows().isEmpty());
}

// --- the document itself --------------------------------------------------

class HelpDocument : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile file(BuiltDocument());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << BuiltDocument().toStdString();
        doc.setHtml(QString::fromUtf8(file.readAll()));
    }
    QTextDocument doc;
};

TEST_F(HelpDocument, EveryLinkInsideItHasItsTargetAndEveryPictureIsThere)
{
    QSet<QString> names;
    QStringList links, pictures;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            for (const QString& name : format.anchorNames())
                names.insert(name);
            if (format.isAnchor() && format.anchorHref().startsWith(QLatin1Char('#')))
                links << format.anchorHref().mid(1);
            if (format.isImageFormat())
                pictures << format.toImageFormat().name();
        }
    }
    ASSERT_FALSE(links.isEmpty());
    for (const QString& link : links)
        EXPECT_TRUE(names.contains(link)) << "no target for #" << link.toStdString();
    const QDir beside = QFileInfo(BuiltDocument()).dir();
    for (const QString& picture : pictures)
        EXPECT_TRUE(QFileInfo(beside.filePath(picture)).isFile()) << picture.toStdString();
}

TEST_F(HelpDocument, ShowsEveryMessageOfTheProgramWordForWord)
{
    // Blanks count: several of these texts hold two in a row.
    const int shown[] = {IDS_NO_VISA_DLL,       IDS_NO_DRIVER_DLL,     IDS_OPEN_RM_FAILED,
                         IDS_NO_INSTRUMENT,     IDS_SELECT_CANCELLED,  IDS_INIT_FAILED,
                         IDS_NONLIVE_SELFTEST,  IDS_NONLIVE_RESET,     IDS_RESET_OK,
                         IDS_CHANNEL_OPEN_ERROR, IDS_TIMEOUT,          IDS_INSTRUMENT_ERROR,
                         IDS_API_FAILURE,       IDS_RESET_ADVICE,      IDS_APP_TITLE,
                         IDS_FRAME_TITLE};
    const QString text = doc.toPlainText();
    for (int id : shown) {
        const QString message = LoadString(id);
        ASSERT_FALSE(message.isEmpty()) << id;
        EXPECT_TRUE(text.contains(message)) << "missing: \"" << message.toStdString() << '"';
    }
}

} // namespace
