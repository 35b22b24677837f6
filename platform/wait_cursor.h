#pragma once

// The hourglass for long operations. Begin/End nest; the guard pairs them.
void BeginWaitCursor();
void EndWaitCursor();
int WaitCursorDepth();

class CWaitCursor {
public:
    CWaitCursor() { BeginWaitCursor(); }
    ~CWaitCursor() { EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
