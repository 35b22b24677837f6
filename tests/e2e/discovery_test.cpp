// Start-up discovery end to end, one road per row: the messages and dialog the
// operator sees, the panel it ends on and what the driver's init was given. The
// decisions themselves are checked against a fake VISA table in tests/unit.
#include "common/messages.h"
#include "common/test_support.h"
#include "controls/led_button.h"
#include "controls/text_static.h"
#include "instrument/instrument_driver.h"
#include "panels/main_panel.h"
#include "platform/wait_cursor.h"

#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

constexpr int kNoDialog = -2, kCancel = -1; // else the entry picked before OK

struct Road {
    const char* name;
    QString bench;
    QString commandLine;
    QStringList messages;
    bool live;
    QString resource; // on the Main Panel
    int slot;         // m_nSlot; the panel shows it only when live
    int logicalAddress;
    QString init; // what tsx4410_init got: "rsrc id_query reset"; empty: never called
    int pick = kNoDialog;
    QStringList listed = {};
    QStringList variants = {};
    Libraries libraries = Libraries::StandIns;
};
void PrintTo(const Road& r, std::ostream* os) { *os << r.name; }

class Discovery : public ::testing::TestWithParam<Road> {};

TEST_P(Discovery, EndsOnTheRightPanelAfterTheRightMessages)
{
    const Road& r = GetParam();
    QStringList listed; // the selected entry marked with '*'
    SimPanel p(r.bench, r.commandLine, r.variants, r.libraries, [&](QDialog& dialog) {
        EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint); // Cancel or Esc only
        EXPECT_EQ(WaitCursorDepth(), 2) << "the start's and discovery's wait cursors";
        auto* list = dialog.findChild<QComboBox*>();
        for (int i = 0; list && i < list->count(); ++i)
            listed << (i == list->currentIndex() ? "*" : "") + list->itemText(i);
        if (list && r.pick >= 0)
            list->setCurrentIndex(r.pick);
        dialog.setResult(-1); // so that only the button decides
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->text() == (r.pick >= 0 ? "OK" : "Cancel"))
                button->click();
        EXPECT_EQ(dialog.result(), r.pick >= 0 ? QDialog::Accepted : QDialog::Rejected);
        return dialog.result();
    });

    EXPECT_EQ(p.recorder.messages, r.messages);
    EXPECT_EQ(p.recorder.dialogTitles, QStringList(r.pick == kNoDialog ? 0 : 1, "Select Instrument"));
    EXPECT_EQ(listed, r.listed);
    CInstrumentDriver& driver = *p.app->m_pDriver;
    EXPECT_EQ(driver.IsLive(), r.live ? 1 : 0);
    CPan1Dlg& panel = *p.Main();
    EXPECT_EQ(panel.ResourceBox().Text(), r.resource);
    EXPECT_EQ(panel.SlotBox().isHidden() ? -1 : panel.SlotBox().Text().toInt(), r.live ? r.slot : -1);
    EXPECT_EQ(panel.ActiveLamp()->LampColor(), r.live ? RGB(0, 255, 0) : RGB(64, 64, 64));
    EXPECT_EQ(p.app->m_nSlot, r.slot);
    EXPECT_EQ(driver.GetSlot(), r.live ? r.slot : -1);
    EXPECT_EQ(driver.GetLogicalAddress(), r.live ? r.logicalAddress : -1);
    EXPECT_EQ(WaitCursorDepth(), 0);

    std::string inits;
    for (const TraceCall& init : p.sim.Calls("tsx4410_init"))
        inits += (inits.empty() ? "" : "|") + init["rsrc"] + ' ' + init["id_query"] + ' ' + init["reset"];
    EXPECT_EQ(inits, r.init.toStdString());
}

const QString kVxi = "VXI0::24::INSTR", kInitVxi = kVxi + " 0 0", kInitVxi32 = "VXI0::32::INSTR 0 0";
// A matching VXI module whose descriptor is `length` characters long.
QString LongName(int length) { return "SIM::" + QString(length - 12, 'a') + "::INSTR"; }
QString LongBench(int length)
{
    return QStringLiteral(R"({"resources":[{"descriptor":"%1","interface":"VXI","manufacturer_id":3021,)"
                          R"("model_code":417}]})").arg(LongName(length));
}

INSTANTIATE_TEST_SUITE_P(
    Roads, Discovery,
    ::testing::Values(
        // Libraries: missing, or lacking an entry point the program calls.
        Road{"NoLibraries", "vxi.json", "", {msg::kNoVisa}, false, "?", -1, -1, "", kNoDialog, {}, {},
             Libraries::None},
        Road{"NoDriverLibrary", "vxi.json", "", {msg::kNoDriver}, false, "?", -1, -1, "", kNoDialog, {}, {},
             Libraries::VisaOnly},
        Road{"DriverWithoutWrite", "vxi.json", "", {msg::kNoDriver}, false, "?", -1, -1, "", kNoDialog, {},
             {"variants/driver-missing-tsx4410_write"}},
        Road{"NoMatch",
             R"({"resources":[{"descriptor":"VXI0::24::INSTR","manufacturer_id":3021,"model_code":418},
                              {"descriptor":"GPIB0::7::INSTR","identity":"VORNHOLT-ARGENT,T4411"}]})",
             "", {msg::kNoInstrument}, false, "?", -1, -1, ""},
        // Connected without asking; a warning from init is no clean start.
        Road{"BuiltInBench", "", "", {}, true, "VXI0::24", 5, 24, kInitVxi},
        Road{"GpibAnswerWithMoreText", "gpib.json", "", {}, true, "GPIB0::7", -1, -1, "GPIB0::7::INSTR 0 0"},
        Road{"InitWarning", "init-warning.json", "", {msg::kInitFailed}, false, "VXI0::24", 5, 24, kInitVxi},
        // Options, as the operator types them.
        Road{"ResetOption", "vxi.json", "/R", {}, true, "VXI0::24", 5, 24, kVxi + " 0 1"},
        Road{"AddressOption", "two-vxi.json", "-a vxi0::32::instr", {}, true, "VXI0::32", 7, 32, kInitVxi32},
        Road{"AddressNoResourceNameHolds", "vxi.json", "-a " + QString(256, 'v'), {msg::kInitFailed}, false,
             QString(255, 'V') /* the field keeps 255 */, -1, -1, ""},
        // A descriptor filling the stand-in's 256 bytes without its zero is cut to 255.
        Road{"DescriptorFits", LongBench(255), "", {}, true, LongName(255).toUpper(), -1, -1,
             LongName(255) + " 0 0"},
        Road{"DescriptorFillsTheBuffer", LongBench(256), "", {msg::kNoInstrument}, false, "?", -1, -1, ""},
        // The operator chooses.
        Road{"OkTakesTheSecond", "two-vxi.json", "", {}, true, "VXI0::32", 7, 32, kInitVxi32, 1,
             {"*" + kVxi, "VXI0::32::INSTR"}},
        Road{"Cancel", "two-vxi.json", "", {msg::kSelectCancelled}, false, "?", -1, -1, "", kCancel,
             {"*" + kVxi, "VXI0::32::INSTR"}},
        Road{"UncheckedListsEveryResource", "gpib-and-vxi.json", "/N", {}, true, "GPIB0::7", -1, -1,
             "GPIB0::7::INSTR 0 0", 0, {"*GPIB0::7::INSTR", kVxi}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
