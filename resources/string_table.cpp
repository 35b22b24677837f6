#include "platform/string_table.h"
#include "resources/resource_ids.h"

#include <map>

namespace {
const std::map<int, const char*>& Table()
{
    static const std::map<int, const char*> table = {
        {IDS_STATUS_PANEL, "Status Panel"},
        {IDS_MAIN_PANEL, "Main Panel"},
        {IDS_TIMEOUT, "Time Out !"},
        {IDS_INSTRUMENT_ERROR, "Instrument reports error:  %s"},
        {IDS_API_FAILURE, "API failure."},
        {IDS_IDN_PREFIX, "VORNHOLT-ARGENT,T4410"},
        {IDS_NONLIVE_SELFTEST, "Non live selftest passed!"},
        {IDS_NONLIVE_RESET, "Non live reset OK!"},
        {IDS_OPC_DONE, "Operation Completed!"},
        {IDS_OPC_NOT_DONE, "Operation Not Completed!"},
        {IDS_SETTING_PANEL, "Setting Panel"},
        {IDS_RESET_OK, "Reset OK!"},
        {IDS_CHANNEL_OPEN_ERROR, "Error occurs when opening channel."},
        {IDS_RESET_ADVICE, "You need reset this M-Module or restart this soft front panel."},
        {IDS_FRAME_TITLE, "TSX4410 SFP"},
        {IDS_NO_DRIVER_DLL, "Could not find the instrument driver dll.  Creating non live panel."},
        {IDS_NO_VISA_DLL, "Could not find VISA.DLL.  Creating non live panel."},
        {IDS_OPEN_RM_FAILED, "Open of default RM failed, creating non live panel."},
        {IDS_NO_INSTRUMENT, "Did not find instrument.  Creating non live panel."},
        {IDS_SELECT_CANCELLED, "Cancel will create non live panel."},
        {IDS_INIT_FAILED, "Instrument  _init failed!  Creating non live panel."},
        {IDS_APP_TITLE, "Sfp Windows Application"},
    };
    return table;
}
} // namespace

QString LoadString(int id)
{
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? QString() : QString::fromLatin1(it->second);
}
