#include "platform/wait_cursor.h"

#include <QApplication>
#include <QCursor>

namespace {
int g_depth = 0;
}

void BeginWaitCursor()
{
    ++g_depth;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void EndWaitCursor()
{
    // An unmatched end is harmless: discovery ends the cursor on every road,
    // and some roads have already ended it.
    if (g_depth == 0)
        return;
    --g_depth;
    QApplication::restoreOverrideCursor();
}

int WaitCursorDepth() { return g_depth; }
