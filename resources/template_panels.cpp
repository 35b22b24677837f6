// The three panel templates: child dialogs of 260 x 214 units in Arial 10,
// without caption, placed at the top-left of the main window's client area.
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

namespace {

const QString kPanelFont = QStringLiteral("Arial");
constexpr int kPanelWidth = 260;
constexpr int kPanelHeight = 214;
constexpr int kNoId = -1;

void AddChannelBlock(std::vector<ControlTemplate>& c, int channelIndex, int ox, int oy)
{
    const int i = channelIndex;
    const int transCaptionDy = channelIndex == 3 ? 53 : 52;
    c.push_back({IDC_BAUD_LABEL + i, ControlKind::Static, QStringLiteral("Baud:9600"), ox + 4, oy + 8, 37, 8, CS_LEFT, {}});
    c.push_back({IDC_PARITY_LABEL + i, ControlKind::Static, QStringLiteral("Parity: Yes    None"), ox + 46, oy + 8, 72, 8, CS_LEFT, {}});
    c.push_back({IDC_DATA_LABEL + i, ControlKind::Static, QStringLiteral("Data:  8"), ox + 4, oy + 16, 27, 8, CS_LEFT, {}});
    c.push_back({IDC_FLOW_LABEL + i, ControlKind::Static, QStringLiteral("Flow Control:  None"), ox + 46, oy + 16, 68, 8, CS_LEFT, {}});
    c.push_back({IDC_RX_LAMP + i, ControlKind::OwnerDrawButton, QString(), ox + 16, oy + 28, 8, 8, CS_NONE, {}});
    c.push_back({kNoId, ControlKind::Static, QStringLiteral("Rx"), ox + 4, oy + 28, 12, 8, CS_LEFT, {}});
    c.push_back({IDC_TX_LAMP + i, ControlKind::OwnerDrawButton, QString(), ox + 16, oy + 44, 8, 8, CS_NONE, {}});
    c.push_back({kNoId, ControlKind::Static, QStringLiteral("Tx"), ox + 4, oy + 44, 12, 8, CS_LEFT, {}});
    c.push_back({IDC_ERR_LAMP + i, ControlKind::OwnerDrawButton, QString(), ox + 16, oy + 60, 8, 8, CS_NONE, {}});
    c.push_back({kNoId, ControlKind::Static, QStringLiteral("Err"), ox + 4, oy + 60, 12, 8, CS_LEFT, {}});
    c.push_back({kNoId, ControlKind::Static, QStringLiteral("Recv"), ox + 32, oy + 28, 17, 8, CS_LEFT, {}});
    c.push_back({kNoId, ControlKind::Static, QStringLiteral("Trans"), ox + 32, oy + transCaptionDy, 19, 8, CS_LEFT, {}});
    c.push_back({IDC_TRANS + i, ControlKind::Edit, QString(), ox + 52, oy + 52, 64, 12, CS_TABSTOP | CS_MULTILINE | CS_AUTOHSCROLL, {}});
    c.push_back({IDC_RECV + i, ControlKind::Edit, QString(), ox + 52, oy + 28, 64, 12, CS_MULTILINE, {}});
}

DialogTemplate MakeMainPanel()
{
    DialogTemplate t{IDD_MAIN_PANEL, kPanelWidth, kPanelHeight, kPanelFont, 10, QString(), {}};
    auto& c = t.controls;
    c = {
        {IDC_BODY_FRAME, ControlKind::FrameStatic, QString(), 2, 26, 255, 185, CS_NONE, {}},
        {kNoId, ControlKind::GroupBox, QString(), 8, 24, 68, 22, CS_NONE, {}},
        {IDC_START_STOP, ControlKind::PushButton, QStringLiteral("Start Test"), 18, 31, 50, 12, CS_TABSTOP, {}},
        {IDC_BANNER, ControlKind::FrameStatic, QString(), 2, 0, 255, 24, CS_NONE, {}},
        {IDC_ADDRESS_FRAME, ControlKind::FrameStatic, QString(), 78, 28, 175, 17, CS_NONE, {}},
        {IDC_LOGO, ControlKind::FrameStatic, QString(), 20, 4, 56, 12, CS_NONE, {}},
        {IDC_STANDARDS_LOGO, ControlKind::FrameStatic, QString(), 206, 2, 40, 20, CS_NONE, {}},
        {IDC_SLOT_LABEL, ControlKind::Static, QStringLiteral("Slot:"), 158, 32, 16, 8, CS_LEFT, {}},
        {IDC_SLOT, ControlKind::FrameStatic, QString(), 180, 31, 16, 12, CS_NONE, {}},
        {IDC_RESOURCE, ControlKind::FrameStatic, QString(), 86, 32, 66, 10, CS_NONE, {}},
        {IDC_ACTIVE_LAMP, ControlKind::OwnerDrawButton, QString(), 230, 31, 12, 12, CS_NONE, {}},
        {kNoId, ControlKind::Static, QStringLiteral("Active"), 202, 33, 24, 8, CS_CENTER, {}},
        {IDC_CHANNEL1_GROUP, ControlKind::GroupBox, QStringLiteral("Channel1"), 8, 48, 120, 76, CS_CENTER, {}},
        {IDC_CHANNEL2_GROUP, ControlKind::GroupBox, QStringLiteral("Channel2"), 132, 48, 120, 76, CS_CENTER, {}},
        {IDC_CHANNEL3_GROUP, ControlKind::GroupBox, QStringLiteral("Channel3"), 8, 128, 120, 76, CS_CENTER, {}},
        {IDC_CHANNEL4_GROUP, ControlKind::GroupBox, QStringLiteral("Channel4"), 132, 128, 120, 76, CS_CENTER, {}},
    };
    const int origins[4][2] = {{8, 48}, {132, 48}, {8, 128}, {132, 128}};
    for (int i = 0; i < 4; ++i)
        AddChannelBlock(c, i, origins[i][0], origins[i][1]);
    return t;
}

DialogTemplate MakeStatusPanel()
{
    return DialogTemplate{
        IDD_STATUS_PANEL, kPanelWidth, kPanelHeight, kPanelFont, 10, QString(),
        {
            {IDC_STATUS_TITLE, ControlKind::FrameStatic, QString(), 4, 4, 252, 12, CS_NONE, {}},
            {IDC_ERROR_FRAME, ControlKind::FrameStatic, QString(), 4, 20, 252, 36, CS_NONE, {}},
            {IDC_STATUS_FRAME, ControlKind::FrameStatic, QString(), 4, 59, 252, 151, CS_NONE, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Error"), 7, 32, 28, 8, CS_CENTER, {}},
            {IDC_READ_ERROR_QUEUE, ControlKind::PushButton, QStringLiteral("Read Error Queue"), 40, 24, 64, 12, CS_TABSTOP, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Number"), 189, 26, 28, 8, CS_LEFT, {}},
            {IDC_ERROR_NUMBER, ControlKind::FrameStatic, QString(), 217, 24, 32, 12, CS_NONE, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Message"), 7, 42, 30, 8, CS_LEFT, {}},
            {IDC_ERROR_MESSAGE, ControlKind::FrameStatic, QString(), 40, 40, 209, 12, CS_NONE, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Status Byte"), 16, 183, 28, 19, CS_LEFT, {}},
            {IDC_STATUS_BYTE, ControlKind::FrameStatic, QString(), 56, 181, 48, 12, CS_GROUP, {}},
            {IDC_OPC, ControlKind::PushButton, QStringLiteral("OPC?"), 193, 181, 34, 12, CS_TABSTOP, {}},
        }};
}

DialogTemplate MakeSettingPanel()
{
    auto list = [](std::initializer_list<const char*> texts) {
        std::vector<QString> items;
        for (const char* t : texts)
            items.push_back(QString::fromLatin1(t));
        return items;
    };
    return DialogTemplate{
        IDD_SETTING_PANEL, kPanelWidth, kPanelHeight, kPanelFont, 10, QString(),
        {
            {kNoId, ControlKind::Static, QStringLiteral("Channel mode:"), 20, 38, 68, 8, CS_RIGHT, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Bits per second:"), 30, 57, 58, 8, CS_RIGHT, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Data bits:"), 29, 76, 58, 8, CS_RIGHT, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Parity:"), 29, 95, 58, 8, CS_RIGHT, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Stop bits:"), 30, 114, 58, 8, CS_RIGHT, {}},
            {kNoId, ControlKind::Static, QStringLiteral("Flow control:"), 30, 133, 58, 8, CS_RIGHT, {}},
            {IDC_MODE, ControlKind::DropList, QString(), 112, 38, 94, 84, CS_TABSTOP | CS_HSCROLL,
             list({"NORMAL", "AUTO-ECHO", "LOCAL-LOOP", "REMOTE-LOOP"})},
            {IDC_BAUD, ControlKind::DropList, QString(), 112, 57, 94, 84, CS_TABSTOP,
             list({"75", "110", "150", "300", "600", "1200", "1800", "2000", "2400", "4800", "9600", "19.2k", "38.4k"})},
            {IDC_DATA_BITS, ControlKind::DropList, QString(), 112, 76, 94, 84, CS_TABSTOP, list({"5", "6", "7", "8"})},
            {IDC_PARITY, ControlKind::DropList, QString(), 112, 95, 94, 84, CS_TABSTOP,
             list({"None", "Odd", "Even", "Force 1", "Force 0"})},
            {IDC_STOP_BITS, ControlKind::DropList, QString(), 112, 114, 94, 84, CS_TABSTOP, list({"1", "1.5", "2"})},
            {IDC_FLOW_CONTROL, ControlKind::DropList, QString(), 112, 133, 94, 84, CS_TABSTOP,
             list({"None", "Xon/Xoff", "RTS/CTS", "DTR/DSR"})},
            {IDC_PARITY_CHECK, ControlKind::CheckBox, QStringLiteral("Parity Check"), 46, 152, 73, 10, CS_TABSTOP | CS_TEXT_LEFT, {}},
            {IDC_RESTORE, ControlKind::PushButton, QStringLiteral("Restore"), 157, 152, 50, 14, CS_TABSTOP, {}},
            {IDC_CHANNEL_TABS, ControlKind::TabControl, QStringLiteral("Tab2"), 12, 8, 232, 182, CS_NOFOCUS, {}},
            {IDC_APPLY, ControlKind::PushButton, QStringLiteral("Apply"), 156, 190, 50, 14, CS_TABSTOP | CS_HIDDEN, {}},
            {IDC_SETTING_FRAME, ControlKind::FrameStatic, QString(), 6, 5, 247, 202, CS_HIDDEN, {}},
        }};
}

} // namespace

const DialogTemplate& MainPanelTemplate()
{
    static const DialogTemplate t = MakeMainPanel();
    return t;
}

const DialogTemplate& StatusPanelTemplate()
{
    static const DialogTemplate t = MakeStatusPanel();
    return t;
}

const DialogTemplate& SettingPanelTemplate()
{
    static const DialogTemplate t = MakeSettingPanel();
    return t;
}
