// The Setting Panel's store: working settings, restore point and the
// changed flag of each channel.
#include "panels/setting_panel.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

namespace {

// Any one of the seven settings differing, compared exactly, is a change;
// only the edited channel is touched.
TEST(SettingStore, AnyOneOfTheSevenDifferingMarksOnlyThatChannelChanged)
{
    const std::function<void(ChannelSettings&)> edits[] = {
        [](auto& s) { s.baudRate = "19.2k"; },   [](auto& s) { s.dataBits = "7"; },
        [](auto& s) { s.parity = "none"; },      [](auto& s) { s.stopBits = "2"; },
        [](auto& s) { s.flowControl = "RTS/CTS"; }, [](auto& s) { s.parityCheck = 2; },
        [](auto& s) { s.mode = "NORMAL "; },
    };
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        CSettingObj store;
        ChannelSettings s = DefaultChannelSettings();
        edits[i](s);
        store.SetChannelSettings(2, s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl,
                                 s.parityCheck, s.mode);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(store.IsChanged(k), k == 2 ? 1 : 0) << "edit " << i << " channel " << k;
        QString baud, data, parity, stop, flow, mode;
        int check = -1;
        store.GetChannelSettings(2, baud, data, parity, stop, flow, check, mode);
        EXPECT_EQ(QStringList({baud, data, parity, stop, flow, mode, QString::number(check)}),
                  QStringList({s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.mode,
                               QString::number(s.parityCheck)}))
            << "edit " << i;
    }
}

// Edit, edit back, restore, commit, and edits against the new restore point.
TEST(SettingStore, ChangedFlagFollowsEditsRestoreAndCommit)
{
    enum Op { Set, Restore, Commit };
    ChannelSettings odd = DefaultChannelSettings();
    odd.parity = "Odd";
    ChannelSettings fast = DefaultChannelSettings();
    fast.baudRate = "38.4k";
    const ChannelSettings none = DefaultChannelSettings();
    const struct {
        Op op;
        ChannelSettings value;
        int changed;
        QString parity, baud; // working settings after the step
    } steps[] = {
        {Set, odd, 1, "Odd", "9600"},       {Set, none, 0, "None", "9600"},
        {Set, fast, 1, "None", "38.4k"},    {Restore, {}, 0, "None", "9600"},
        {Set, odd, 1, "Odd", "9600"},       {Commit, {}, 0, "Odd", "9600"},
        {Set, none, 1, "None", "9600"},     {Restore, {}, 0, "Odd", "9600"},
    };
    CSettingObj store;
    int n = 0;
    for (const auto& step : steps) {
        ++n;
        if (step.op == Set)
            store.SetChannelSettings(1, step.value);
        else if (step.op == Restore)
            store.RestoreChannelSettings(1);
        else
            store.CommitChannelSettings(1);
        EXPECT_EQ(store.IsChanged(1), step.changed) << "step " << n;
        EXPECT_EQ(store.GetChannelSettings(1).parity, step.parity) << "step " << n;
        EXPECT_EQ(store.GetChannelSettings(1).baudRate, step.baud) << "step " << n;
    }
}

TEST(SettingStore, IndexesOutsideTheFourChannelsChangeNothing)
{
    CSettingObj store;
    for (int bad : {-1, 4, -100000}) {
        store.SetChannelSettings(bad, "75", "5", "Even", "2", "DTR/DSR", 0, "LOCAL-LOOP");
        store.RestoreChannelSettings(bad);
        store.CommitChannelSettings(bad);
        store.SetCurrentChannel(bad);
        EXPECT_EQ(store.IsChanged(bad), 0);
        QString baud = "x", data = "x", parity = "x", stop = "x", flow = "x", mode = "x";
        int check = 42;
        store.GetChannelSettings(bad, baud, data, parity, stop, flow, check, mode);
        EXPECT_EQ(baud + data + parity + stop + flow + mode + QString::number(check), "xxxxxx42");
    }
    EXPECT_EQ(store.CurrentChannel(), 0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(store.GetChannelSettings(k).mode, "NORMAL");
        EXPECT_EQ(store.IsChanged(k), 0);
    }
}

} // namespace
