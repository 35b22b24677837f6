#pragma once
// The texts the operator reads, written out as they appear on screen. Tests
// compare message boxes with these rather than with the string table, so a
// wrong string id in the program shows up as a wrong text.
#include <QString>

namespace msg {
inline const QString kNoVisa = QStringLiteral("Could not find VISA.DLL.  Creating non live panel.");
inline const QString kNoDriver = "Could not find the instrument driver dll.  Creating non live panel.";
inline const QString kOpenRmFailed = QStringLiteral("Open of default RM failed, creating non live panel.");
inline const QString kNoInstrument = QStringLiteral("Did not find instrument.  Creating non live panel.");
inline const QString kSelectCancelled = QStringLiteral("Cancel will create non live panel.");
inline const QString kInitFailed = QStringLiteral("Instrument  _init failed!  Creating non live panel.");
inline const QString kTimeout = QStringLiteral("Time Out !");
inline const QString kApiFailure = QStringLiteral("API failure.");
inline const QString kResetAdvice = "You need reset this M-Module or restart this soft front panel.";
inline const QString kResetOk = QStringLiteral("Reset OK!");
inline const QString kChannelOpenError = QStringLiteral("Error occurs when opening channel.");
inline const QString kNonLiveSelfTest = QStringLiteral("Non live selftest passed!");
inline const QString kNonLiveReset = QStringLiteral("Non live reset OK!");
inline const QString kAppTitle = QStringLiteral("Sfp Windows Application");
// The instrument's own error text inside the report box.
inline QString InstrumentError(const QString& text) { return "Instrument reports error:  " + text; }
} // namespace msg
