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

// Where the viewer looks, in order: beside the executable, the data folder of
// an installed tree (../share/tsx4410-sfp from the executable), the data
// folder the program was built for, the working folder.
QStringList HelpSearchFolders();

// The first file in `folders` that is the document for `helpFile`: its base
// name with ".html" first, then the name as given. Empty when none exists.
QString ResolveHelpFile(const QString& helpFile, const QStringList& folders);

// The name the one help window carries, so it can be found among the
// top-level windows.
inline constexpr const char* kHelpWindowName = "helpWindow";
