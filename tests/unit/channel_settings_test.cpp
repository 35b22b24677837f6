// Channel settings: codes of the list items, the configuration record, the four channels' store.
#include "panels/setting_panel.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::int32_t Word(const ChannelSettings& s, int word) { return RecordWord(BuildConfigRecord({}, s), word); }

// Every item the operator can pick reaches its word as its code.
TEST(ChannelSettings, EachListItemTravelsAsItsCode)
{
    const struct { int id, word; QString ChannelSettings::*field; std::vector<int> codes; } lists[] = {
        {IDC_MODE, 0, &ChannelSettings::mode, {0, 1, 2, 3}},
        {IDC_BAUD, 3, &ChannelSettings::baudRate,
         {75, 110, 150, 300, 600, 1200, 1800, 2000, 2400, 4800, 9600, 19200, 38400}},
        {IDC_DATA_BITS, 7, &ChannelSettings::dataBits, {5, 6, 7, 8}},
        {IDC_PARITY, 6, &ChannelSettings::parity, {4, 1, 0, 3, 2}},
        {IDC_STOP_BITS, 8, &ChannelSettings::stopBits, {7, 8, 15}}};
    for (const auto& list : lists) {
        for (const ControlTemplate& c : SettingPanelTemplate().controls) {
            for (std::size_t i = 0; c.id == list.id && i < std::max(c.items.size(), list.codes.size()); ++i) {
                ChannelSettings s = DefaultChannelSettings();
                s.*list.field = c.items.at(i);
                EXPECT_EQ(Word(s, list.word), list.codes.at(i)) << c.items[i].toStdString();
            }
        }
    }
}

TEST(ChannelSettings, RecordSetsItsWordsForEachFlowControlAndKeepsEveryOtherByte)
{
    const std::map<int, std::int32_t> common{{0, 0}, {3, 9600}, {4, 9600}, {5, 1},   {6, 4}, {7, 8},
                                             {8, 7}, {18, -1},  {19, -1},  {21, 5}, {22, 1}};
    const std::pair<const char*, std::map<int, std::int32_t>> flows[] = {{"None", {}}, {"Xon/Xoff", {{9, 1}, {10, 1}}},
        {"RTS/CTS", {{11, 3}}}, {"DTR/DSR", {{13, 3}}}, {"xon/xoff", {}}};
    ConfigRecord asRead; // every byte different, so a word written astray or a byte lost shows
    for (int i = 0; i < kConfigRecordSize; ++i)
        asRead[i] = static_cast<unsigned char>(0xA5 ^ (i * 7));
    for (auto [flow, words] : flows) {
        ChannelSettings s = DefaultChannelSettings();
        s.flowControl = flow;
        const ConfigRecord built = BuildConfigRecord(asRead, s);
        words.insert(common.begin(), common.end());
        for (int w = 0; w < kConfigRecordSize / 4; ++w)
            EXPECT_EQ(RecordWord(built, w), words.count(w) ? words[w] : RecordWord(asRead, w)) << flow << " " << w;
    }
}

QString Text(const CSettingObj& store, int k) // the settings and changed flag of channel k
{
    QString t[6];
    int check = 42;
    store.GetChannelSettings(k, t[0], t[1], t[2], t[3], t[4], check, t[5]);
    return QStringList(t, t + 6).join(' ') + QString(" %1 %2").arg(check).arg(store.IsChanged(k));
}

// Any one of the seven differing from the restore point, compared exactly, is a
// change of that channel only; restore and commit end it; other indexes are ignored.
TEST(SettingStore, ChangedFlagFollowsEditsRestoreAndCommit)
{
    const ChannelSettings d{"9600", "8", "None", "1", "None", 1, "NORMAL"};
    const ChannelSettings m{"9600", "8", "None", "1", "None", 1, "NORMAL "};
    const struct { char op; ChannelSettings s; int changed; } steps[] = { // Set, Restore, Commit
        {'S', {"19.2k", "8", "None", "1", "None", 1, "NORMAL"}, 1}, {'S', d, 0},
        {'S', {"9600", "7", "None", "1", "None", 1, "NORMAL"}, 1},  {'R', d, 0},
        {'S', {"9600", "8", "none", "1", "None", 1, "NORMAL"}, 1},  {'S', d, 0},
        {'S', {"9600", "8", "None", "2", "None", 1, "NORMAL"}, 1},  {'S', d, 0},
        {'S', {"9600", "8", "None", "1", "RTS/CTS", 1, "NORMAL"}, 1}, {'S', d, 0},
        {'S', {"9600", "8", "None", "1", "None", 2, "NORMAL"}, 1},  {'S', d, 0},
        {'S', m, 1}, {'C', m, 0}, {'S', d, 1}, {'R', m, 0}};
    for (int k = 0; k < 4; ++k) {
        CSettingObj store;
        for (const auto& [op, s, changed] : steps) {
            if (op == 'S')
                store.SetChannelSettings(k, s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.parityCheck,
                                         s.mode);
            else
                op == 'R' ? store.RestoreChannelSettings(k) : store.CommitChannelSettings(k);
            const QString text = QString("%1 %2 %3 %4 %5 %6 %7 %8").arg(s.baudRate, s.dataBits, s.parity, s.stopBits);
            EXPECT_EQ(Text(store, k), text.arg(s.flowControl, s.mode).arg(s.parityCheck).arg(changed));
            EXPECT_EQ(Text(store, k ^ 1), "9600 8 None 1 None NORMAL 1 0") << "another channel";
        }
    }
    CSettingObj store;
    for (int bad : {-1, 4, -100000}) {
        store.SetChannelSettings(bad, "75", "5", "Even", "2", "DTR/DSR", 0, "LOCAL-LOOP");
        store.RestoreChannelSettings(bad);
        store.CommitChannelSettings(bad);
        store.SetCurrentChannel(bad);
        EXPECT_EQ(Text(store, bad) + "|" + Text(store, 3), "      42 0|9600 8 None 1 None NORMAL 1 0");
        EXPECT_EQ(store.GetChannelSettings(bad).mode + QString::number(store.CurrentChannel()), "NORMAL0");
    }
    store.SetCurrentChannel(3);
    EXPECT_EQ(store.CurrentChannel(), 3);
}

} // namespace
