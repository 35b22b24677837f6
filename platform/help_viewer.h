#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The help viewer: opens a help file at its contents page. The program asks
// for "tsx4410.hlp"; on this platform the help is an HTML document of the same
// base name. A missing document is reported by the viewer itself.
using HelpViewer = std::function<void(QWidget* owner, const QString& helpFile)>;

void ShowHelpContents(QWidget* owner, const QString& helpFile);
void SetHelpViewer(HelpViewer viewer);   // tests replace the viewer; null restores it

// Where the viewer looks, in order: beside the executable, the installed data
// folder, the working folder.
QStringList HelpSearchFolders();
QString ResolveHelpFile(const QString& helpFile, const QStringList& folders);
