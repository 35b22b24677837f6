// Channel settings: the codes the Setting Panel's list items travel as, the
// configuration record, and the store of the four channels' settings.
#include "panels/setting_panel.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

std::int32_t Word(const ChannelSettings& s, int word) { return RecordWord(BuildConfigRecord({}, s), word); }

// Every item the operator can pick reaches its word as its code; the same text
// in another case or with a trailing blank is no item and travels as -1.
TEST(ChannelSettings, EachListItemTravelsAsItsCode)
{
    const struct { int id, word; QString ChannelSettings::*field; std::vector<int> codes; } lists[] = {
        {IDC_MODE, 0, &ChannelSettings::mode, {0, 1, 2, 3}},
        {IDC_BAUD, 3, &ChannelSettings::baudRate, {75, 110, 150, 300, 600, 1200, 1800, 2000, 2400, 4800, 9600, 19200, 38400}},
        {IDC_DATA_BITS, 7, &ChannelSettings::dataBits, {5, 6, 7, 8}},
        {IDC_PARITY, 6, &ChannelSettings::parity, {4, 1, 0, 3, 2}},
        {IDC_STOP_BITS, 8, &ChannelSettings::stopBits, {7, 8, 15}}};
    for (const auto& list : lists) {
        for (const ControlTemplate& c : SettingPanelTemplate().controls) {
            for (std::size_t i = 0; c.id == list.id && i < std::max(c.items.size(), list.codes.size()); ++i) {
                ChannelSettings s = DefaultChannelSettings();
                for (const QString& text : {c.items.at(i), c.items[i] + " ", c.items[i].toUpper(), c.items[i].toLower()}) {
                    s.*list.field = text;
                    EXPECT_EQ(Word(s, list.word), text == c.items[i] ? list.codes.at(i) : -1) << text.toStdString();
                }
            }
        }
    }
}

TEST(ChannelSettings, RecordSetsItsWordsForEachFlowControlAndKeepsEveryOtherByte)
{
    const std::map<int, std::int32_t> common{{0, 0},  {3, 9600}, {4, 9600}, {5, 1},  {6, 4}, {7, 8},
                                             {8, 7}, {18, -1},  {19, -1},  {21, 5}, {22, 1}};
    const std::pair<const char*, std::map<int, std::int32_t>> flows[] = {
        {"None", {}}, {"Xon/Xoff", {{9, 1}, {10, 1}}}, {"RTS/CTS", {{11, 3}}}, {"DTR/DSR", {{13, 3}}}, {"xon/xoff", {}}};
    ConfigRecord asRead; // every byte different, so a word written astray or a byte lost shows
    for (int i = 0; i < kConfigRecordSize; ++i)
        asRead[i] = static_cast<unsigned char>(0xA5 ^ (i * 7));
    for (auto [flow, words] : flows) {
        ChannelSettings s = DefaultChannelSettings();
        s.flowControl = flow;
        const ConfigRecord built = BuildConfigRecord(asRead, s);
        words.insert(common.begin(), common.end());
        for (int w = 0; w < kConfigRecordSize / 4; ++w)
            EXPECT_EQ(RecordWord(built, w), words.count(w) ? words[w] : RecordWord(asRead, w)) << flow << " word " << w;
    }
    // Native byte order: the bytes of word 3 are the bytes of the int.
    const std::int32_t baud = 9600;
    EXPECT_EQ(std::memcmp(BuildConfigRecord(asRead, DefaultChannelSettings()).data() + 12, &baud, 4), 0);
    // The parity check travels as its low sixteen bits, sign-extended.
    for (const auto& [flag, word] : {std::pair{1, 1}, {0, 0}, {0x10001, 1}, {0x8000, -32768}, {-1, -1}}) {
        ChannelSettings s = DefaultChannelSettings();
        s.parityCheck = flag;
        EXPECT_EQ(Word(s, 5), word) << flag;
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
    const QString fresh = "9600 8 None 1 None NORMAL 1 0";
    const ChannelSettings edits[] = {
        {"19.2k", "8", "None", "1", "None", 1, "NORMAL"}, {"9600", "7", "None", "1", "None", 1, "NORMAL"},
        {"9600", "8", "none", "1", "None", 1, "NORMAL"},  {"9600", "8", "None", "2", "None", 1, "NORMAL"},
        {"9600", "8", "None", "1", "RTS/CTS", 1, "NORMAL"}, {"9600", "8", "None", "1", "None", 2, "NORMAL"},
        {"9600", "8", "None", "1", "None", 1, "NORMAL "}};
    for (const ChannelSettings& s : edits) {
        CSettingObj store;
        store.SetChannelSettings(2, s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.parityCheck, s.mode);
        EXPECT_EQ(QStringList({Text(store, 0), Text(store, 1), Text(store, 3)}), QStringList({fresh, fresh, fresh}));
        EXPECT_EQ(Text(store, 2), QStringList({s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.mode,
                                               QString::number(s.parityCheck), "1"}).join(' '));
    }
    const struct { char op; const char* parity; const char* shown; int changed; } steps[] = { // Set, Restore, Commit
        {'S', "Odd", "Odd", 1}, {'S', "None", "None", 0}, {'S', "Even", "Even", 1}, {'R', "", "None", 0},
        {'S', "Odd", "Odd", 1}, {'C', "", "Odd", 0},       {'S', "None", "None", 1}, {'R', "", "Odd", 0}};
    CSettingObj store;
    for (const auto& step : steps) {
        ChannelSettings s = DefaultChannelSettings();
        s.parity = step.parity;
        if (step.op == 'S')
            store.SetChannelSettings(0, s);
        else
            step.op == 'R' ? store.RestoreChannelSettings(0) : store.CommitChannelSettings(0);
        EXPECT_EQ(Text(store, 0), QString("9600 8 %1 1 None NORMAL 1 %2").arg(step.shown).arg(step.changed));
    }
    for (int bad : {-1, 4, -100000}) {
        store.SetChannelSettings(bad, "75", "5", "Even", "2", "DTR/DSR", 0, "LOCAL-LOOP");
        store.RestoreChannelSettings(bad);
        store.CommitChannelSettings(bad);
        store.SetCurrentChannel(bad);
        EXPECT_EQ(Text(store, bad) + " " + Text(store, 1), "      42 0 " + fresh);
        EXPECT_EQ(store.GetChannelSettings(bad).mode + QString::number(store.CurrentChannel()), "NORMAL0");
    }
    store.SetCurrentChannel(3);
    EXPECT_EQ(store.CurrentChannel(), 3);
}

} // namespace
