#pragma once
#include <QString>
#include <functional>

class QDialog;

// Every modal dialog and message box of the program runs through RunModal.
// Tests install a responder that sees the dialog, may act on it, and returns
// its result instead of entering a modal loop.
using ModalResponder = std::function<int(QDialog&)>;

int RunModal(QDialog& dialog);
void SetModalResponder(ModalResponder responder);
// How many modal loops are running now, one inside another.
int ModalDepth();
// Whether a dialog or message box is on show now (a test's responder's too).
bool ModalUp();
// While set, RunModal rejects every dialog at once (the program is leaving).
void SetModalsRefused(bool refused);

class ScopedModalResponder {
public:
    explicit ScopedModalResponder(ModalResponder responder);
    ~ScopedModalResponder();
    ScopedModalResponder(const ScopedModalResponder&) = delete;
    ScopedModalResponder& operator=(const ScopedModalResponder&) = delete;
};

// The program's one message box: caption "Sfp Windows Application", an OK
// button only and the exclamation icon; waits for the operator.
void SfpMessageBox(const QString& text);

// The default beep that precedes an instrument error message.
void MessageBeep();

// The main window that modal dialogs and message boxes are owned by.
void SetModalOwner(class QWidget* owner);
class QWidget* ModalOwner();
