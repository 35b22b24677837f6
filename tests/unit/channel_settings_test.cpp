// Channel settings: the code tables and the configuration record.
#include "panels/channel_settings.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

using LookupFn = int (*)(const QString&);

TEST(ChannelCodes, EachTextGivesItsCodeAndAnythingElseMinusOne)
{
    const struct {
        LookupFn lookup;
        std::map<QString, int> codes;
    } tables[] = {
        {LookupMode, {{"NORMAL", 0}, {"AUTO-ECHO", 1}, {"LOCAL-LOOP", 2}, {"REMOTE-LOOP", 3},
                      {"normal", -1}, {"NORMAL ", -1}, {"", -1}}},
        {LookupBaudRate, {{"75", 75}, {"110", 110}, {"150", 150}, {"300", 300}, {"600", 600},
                          {"1200", 1200}, {"1800", 1800}, {"2000", 2000}, {"2400", 2400},
                          {"4800", 4800}, {"9600", 9600}, {"19.2k", 19200}, {"38.4k", 38400},
                          {" 9600", -1}, {"19.2K", -1}, {"19200", -1}}},
        {LookupDataBits, {{"5", 5}, {"6", 6}, {"7", 7}, {"8", 8}, {"8 ", -1}, {"1", -1}}},
        {LookupParity, {{"Even", 0}, {"Odd", 1}, {"Force 0", 2}, {"Force 1", 3}, {"None", 4},
                        {"none", -1}, {"Force  1", -1}}},
        {LookupStopBits, {{"1", 7}, {"1.5", 8}, {"2", 15}, {"1.50", -1}, {"8", -1}}},
    };
    for (const auto& table : tables) {
        for (const auto& [text, code] : table.codes)
            EXPECT_EQ(table.lookup(text), code) << '"' << text.toStdString() << '"';
    }
}

// The lists the Setting Panel offers are the template's, every item has a
// code, and the defaults are items.
TEST(ChannelCodes, TemplateListsAreTheItemListsAndEveryItemHasACode)
{
    const ChannelSettings d = DefaultChannelSettings();
    const struct {
        int id;
        const QStringList& items;
        LookupFn lookup;
        QString defaultText;
    } lists[] = {{IDC_MODE, ModeItems(), LookupMode, d.mode},
                 {IDC_BAUD, BaudRateItems(), LookupBaudRate, d.baudRate},
                 {IDC_DATA_BITS, DataBitsItems(), LookupDataBits, d.dataBits},
                 {IDC_PARITY, ParityItems(), LookupParity, d.parity},
                 {IDC_STOP_BITS, StopBitsItems(), LookupStopBits, d.stopBits},
                 {IDC_FLOW_CONTROL, FlowControlItems(), nullptr, d.flowControl}};
    for (const auto& list : lists) {
        for (const ControlTemplate& c : SettingPanelTemplate().controls) {
            if (c.id == list.id) {
                EXPECT_EQ(QStringList(c.items.begin(), c.items.end()), list.items) << list.id;
            }
        }
        EXPECT_TRUE(list.items.contains(list.defaultText)) << list.id;
        for (const QString& item : list.items)
            EXPECT_TRUE(!list.lookup || list.lookup(item) >= 0) << item.toStdString();
    }
}

// A record as the driver might report it: every byte different, so a word
// written where it should not be, or a byte lost, shows.
ConfigRecord PatternRecord()
{
    ConfigRecord r;
    for (int i = 0; i < kConfigRecordSize; ++i)
        r[static_cast<std::size_t>(i)] = static_cast<unsigned char>(0xA5 ^ (i * 7));
    return r;
}

TEST(ConfigRecord, SetsItsWordsForEachFlowControlAndKeepsEveryOtherByte)
{
    const std::map<int, std::int32_t> common{{0, 0},  {3, 9600}, {4, 9600}, {5, 1},  {6, 4}, {7, 8},
                                             {8, 7}, {18, -1},  {19, -1},  {21, 5}, {22, 1}};
    const struct {
        const char* flow;
        std::map<int, std::int32_t> own;
    } cases[] = {{"None", {}},
                 {"Xon/Xoff", {{9, 1}, {10, 1}}},
                 {"RTS/CTS", {{11, 3}}},
                 {"DTR/DSR", {{13, 3}}},
                 {"xon/xoff", {}}};
    const ConfigRecord asRead = PatternRecord();
    for (const auto& c : cases) {
        ChannelSettings s = DefaultChannelSettings();
        s.flowControl = c.flow;
        const ConfigRecord built = BuildConfigRecord(asRead, s);
        std::map<int, std::int32_t> words = common;
        words.insert(c.own.begin(), c.own.end());
        for (int word = 0; word < kConfigRecordSize / 4; ++word) {
            if (words.count(word)) {
                EXPECT_EQ(RecordWord(built, word), words[word]) << c.flow << " word " << word;
                continue;
            }
            for (int b = 4 * word; b < 4 * word + 4; ++b)
                EXPECT_EQ(built[b], asRead[b]) << c.flow << " byte " << b;
        }
    }
    // Native byte order: the bytes of word 3 are the bytes of the int.
    std::int32_t baud = 9600;
    EXPECT_EQ(std::memcmp(BuildConfigRecord(asRead, DefaultChannelSettings()).data() + 12, &baud, 4), 0);
}

TEST(ConfigRecord, ParityCheckTravelsAsItsLowSixteenBitsSignExtended)
{
    const std::pair<int, std::int32_t> cases[] = {{1, 1}, {0, 0}, {0x10001, 1}, {0x8000, -32768}, {-1, -1}};
    for (const auto& [flag, word] : cases) {
        ChannelSettings s = DefaultChannelSettings();
        s.parityCheck = flag;
        EXPECT_EQ(RecordWord(BuildConfigRecord(ConfigRecord{}, s), 5), word) << flag;
    }
}

} // namespace
