#include "instrument/report_error.h"

#include "instrument/instrument_driver.h"
#include "instrument/instrument_host.h"
#include "platform/modal_runner.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"

void ReportInstrumentError(ViStatus status)
{
    const QString format = LoadString(IDS_INSTRUMENT_ERROR);
    CInstrumentHost* host = CInstrumentHost::Get();
    if (host)
        host->StopPollTimer();

    CInstrumentDriver* driver = CInstrumentHost::CurrentDriver();
    if (status == VI_ERROR_TMO) {
        SfpMessageBox(LoadString(IDS_TIMEOUT));
    } else if (driver) {
        QString message;
        driver->ErrorMessage(status, message);
        if (driver->LastStatus() != VI_SUCCESS) {
            SfpMessageBox(LoadString(IDS_API_FAILURE));
        } else {
            QString text = format;
            text.replace(QStringLiteral("%s"), message);
            MessageBeep();
            SfpMessageBox(text);
        }
    } else {
        SfpMessageBox(LoadString(IDS_API_FAILURE));
    }
    SfpMessageBox(LoadString(IDS_RESET_ADVICE));
}
