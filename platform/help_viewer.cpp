#include "platform/help_viewer.h"

#include "platform/modal_runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>

#ifndef SFP_DATA_DIR
#define SFP_DATA_DIR "/usr/local/share/tsx4410-sfp"
#endif

namespace {

HelpViewer& Override()
{
    static HelpViewer viewer;
    return viewer;
}

// The one help window; asking for help again brings it back instead of
// opening another.
QPointer<QTextBrowser>& Window()
{
    static QPointer<QTextBrowser> window;
    return window;
}

void ReportMissing(QWidget* owner, const QString& helpFile, const QStringList& folders)
{
    const QString wanted = QFileInfo(helpFile).completeBaseName() + QStringLiteral(".html");
    QMessageBox box(QMessageBox::Information, QStringLiteral("Help"),
                    QStringLiteral("Cannot find the help file %1 (looked for %2 in: %3).")
                        .arg(helpFile, wanted, folders.join(QStringLiteral(", "))),
                    QMessageBox::Ok, owner);
    RunModal(box);
}

void UpdateTitle(QTextBrowser* browser)
{
    const QString title = browser->documentTitle().trimmed();
    browser->setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
}

QTextBrowser* MakeWindow(QWidget* owner)
{
    // A window of its own, but owned by the main window, so that it goes when
    // the program's window goes.
    auto* browser = new QTextBrowser(owner ? owner->window() : nullptr);
    browser->setWindowFlags(Qt::Window);
    browser->setObjectName(QString::fromLatin1(kHelpWindowName));
    browser->setAttribute(Qt::WA_DeleteOnClose);
    browser->setWindowIcon(QIcon(QStringLiteral(":/resources/icons/app_icon.png")));
    // Links inside the document move within it; links to the web go to the
    // desktop's browser.
    browser->setOpenLinks(true);
    browser->setOpenExternalLinks(true);
    browser->resize(680, 620);
    QObject::connect(browser, &QTextBrowser::sourceChanged, browser,
                     [browser](const QUrl&) { UpdateTitle(browser); });
    return browser;
}

void DefaultViewer(QWidget* owner, const QString& helpFile)
{
    const QStringList folders = HelpSearchFolders();
    const QString path = ResolveHelpFile(helpFile, folders);
    if (path.isEmpty()) {
        ReportMissing(owner, helpFile, folders);
        return;
    }
    QTextBrowser* browser = Window();
    if (!browser) {
        browser = MakeWindow(owner);
        Window() = browser;
    }
    // Pictures the document shows lie beside it.
    browser->setSearchPaths({QFileInfo(path).absolutePath()});
    // The contents page is the top of the document, whatever was read last.
    browser->setSource(QUrl::fromLocalFile(path));
    browser->horizontalScrollBar()->setValue(0);
    browser->verticalScrollBar()->setValue(0);
    UpdateTitle(browser);
    if (browser->isMinimized())
        browser->showNormal();
    else
        browser->show();
    browser->raise();
    browser->activateWindow();
}

} // namespace

QStringList HelpSearchFolders()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    return {exeDir, QDir::cleanPath(QDir(exeDir).absoluteFilePath(QStringLiteral("../share/tsx4410-sfp"))),
            QStringLiteral(SFP_DATA_DIR), QDir::currentPath()};
}

QString ResolveHelpFile(const QString& helpFile, const QStringList& folders)
{
    // Only a plain name is looked up in the folders: the program asks for one,
    // and a name with a folder part would reach outside them.
    const QString name = QFileInfo(helpFile).fileName();
    if (name.isEmpty())
        return QString();
    const QString base = QFileInfo(name).completeBaseName();
    QStringList names{base + QStringLiteral(".html")};
    if (!names.contains(name))
        names << name;
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        for (const QString& candidateName : names) {
            const QFileInfo candidate(QDir(folder), candidateName);
            if (candidate.isFile() && candidate.isReadable())
                return QDir::cleanPath(candidate.absoluteFilePath());
        }
    }
    return QString();
}

void ShowHelpContents(QWidget* owner, const QString& helpFile)
{
    if (Override())
        Override()(owner, helpFile);
    else
        DefaultViewer(owner, helpFile);
}

void SetHelpViewer(HelpViewer viewer) { Override() = std::move(viewer); }
