// The help viewer: which file it finds and the one help window it shows.
#include "platform/help_viewer.h"
#include "widget_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>

namespace {

const QString kHelp = QStringLiteral("tsx4410.hlp");

QTextBrowser* HelpWindow()
{
    QList<QTextBrowser*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(kHelpWindowName))
            found << qobject_cast<QTextBrowser*>(w);
    EXPECT_LE(found.size(), 1);
    return found.value(0);
}

QString BuiltDocument() { return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tsx4410.html")); }

TEST(HelpFile, FoundAsTheHtmlOfTheSameBaseNameInTheFirstFolderThatHasIt)
{
    const struct {
        QStringList files;   // made under a scratch folder; a trailing '/' makes a folder
        QStringList folders; // searched
        QString asked, expected;
    } rows[] = {
        {{"bin/tsx4410.hlp", "bin/tsx4410.html"}, {"bin"}, kHelp, "bin/tsx4410.html"},
        {{"bin/tsx4410.html", "share/tsx4410.html"}, {"bin", "share"}, kHelp, "bin/tsx4410.html"},
        {{"bin/tsx4410.html/", "share/tsx4410.html"}, {"bin", "share"}, kHelp, "share/tsx4410.html"},
        {{"outside/tsx4410.html", "bin/"}, {"bin"}, "../outside/tsx4410.hlp", ""}, // plain names only
    };
    for (const auto& r : rows) {
        QTemporaryDir scratch;
        const QDir root(scratch.path());
        for (const QString& file : r.files) {
            ASSERT_TRUE(root.mkpath(file.endsWith('/') ? file : QFileInfo(file).path()));
            QFile f(root.filePath(file));
            ASSERT_TRUE(file.endsWith('/') || (f.open(QIODevice::WriteOnly) && f.write("<html></html>") > 0));
        }
        QStringList folders;
        for (const QString& folder : r.folders)
            folders << root.filePath(folder);
        EXPECT_EQ(ResolveHelpFile(r.asked, folders), r.expected.isEmpty() ? QString() : root.filePath(r.expected)) << r.files.join(' ').toStdString();
    }
}

TEST(HelpWindow, ShowsTheBuiltDocumentInOneWindowBackAtItsContentsEachTime)
{
    ModalRecorder recorder;
    ShowHelpContents(nullptr, kHelp);
    QPointer<QTextBrowser> help = HelpWindow();
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isWindow() && help->isVisible());
    EXPECT_EQ(help->windowTitle(), QStringLiteral("TSX4410 Soft Front Panel Help"));
    EXPECT_EQ(QFileInfo(help->source().toLocalFile()).canonicalFilePath(), QFileInfo(BuiltDocument()).canonicalFilePath());
    help->resize(500, 300);
    help->setSource(help->source().resolved(QUrl(QStringLiteral("#messages"))));
    QCoreApplication::processEvents();
    ASSERT_GT(help->verticalScrollBar()->value(), 0);
    ShowHelpContents(nullptr, kHelp);
    EXPECT_EQ(HelpWindow(), help.data());
    EXPECT_EQ(help->verticalScrollBar()->value(), 0);
    help->close(); // a closed window is made anew next time
    ProcessEvents();
    ShowHelpContents(nullptr, kHelp);
    EXPECT_TRUE(help.isNull() && HelpWindow() && HelpWindow()->isVisible());
    EXPECT_TRUE(recorder.messages.isEmpty());
    delete HelpWindow();

    ShowHelpContents(nullptr, QStringLiteral("no-such-help.hlp"));
    ASSERT_EQ(recorder.messages.size(), 1);
    for (const QString& part : {QStringLiteral("no-such-help.hlp"), QStringLiteral("no-such-help.html"), QCoreApplication::applicationDirPath()})
        EXPECT_TRUE(recorder.messages[0].contains(part)) << part.toStdString();
    EXPECT_NE(recorder.captions.value(0), msg::kAppTitle) << "the viewer's own box";
    EXPECT_FALSE(HelpWindow());
}

} // namespace
