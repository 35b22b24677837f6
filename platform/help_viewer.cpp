#include "platform/help_viewer.h"

#include "platform/modal_runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
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

QPointer<QTextBrowser>& Window()
{
    static QPointer<QTextBrowser> window;
    return window;
}

void DefaultViewer(QWidget* owner, const QString& helpFile)
{
    const QString path = ResolveHelpFile(helpFile, HelpSearchFolders());
    if (path.isEmpty()) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Help"),
                        QStringLiteral("Cannot find the help file %1 (looked for %2 in: %3).")
                            .arg(helpFile, QFileInfo(helpFile).completeBaseName() + ".html",
                                 HelpSearchFolders().join(QStringLiteral(", "))),
                        QMessageBox::Ok, owner);
        RunModal(box);
        return;
    }
    QTextBrowser* browser = Window();
    if (!browser) {
        browser = new QTextBrowser;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->setOpenExternalLinks(true);
        browser->resize(640, 560);
        Window() = browser;
    }
    browser->setSource(QUrl::fromLocalFile(path));
    browser->setWindowTitle(browser->documentTitle().isEmpty() ? QStringLiteral("Help")
                                                               : browser->documentTitle());
    browser->show();
    browser->raise();
    browser->activateWindow();
}

} // namespace

QStringList HelpSearchFolders()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    return {exeDir, QDir(exeDir).absoluteFilePath(QStringLiteral("../share/tsx4410-sfp")),
            QStringLiteral(SFP_DATA_DIR), QDir::currentPath()};
}

QString ResolveHelpFile(const QString& helpFile, const QStringList& folders)
{
    const QString base = QFileInfo(helpFile).completeBaseName();
    const QStringList names{base + QStringLiteral(".html"), helpFile};
    for (const QString& folder : folders) {
        for (const QString& name : names) {
            const QFileInfo candidate(QDir(folder), name);
            if (candidate.isFile())
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
