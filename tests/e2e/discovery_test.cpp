// Start-up discovery end to end: the whole application against the stand-in
// libraries, one road per case (each case runs in a process of its own): the
// messages shown, the options as typed and what the real libraries answer.
// Judging, slot reading and closing every session discovery opens are checked
// against a fake VISA table in tests/unit/discovery_test.cpp.
#include "instrument/instrument_driver.h"
#include "platform/colors.h"
#include "platform/string_table.h"
#include "platform/wait_cursor.h"
#include "resources/resource_ids.h"
#include "sim_env.h"
#include "common/test_support.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

enum class Libraries { Stand_ins, None, VisaOnly };

struct RoadCase {
    const char* name;
    QString bench;
    QString commandLine;
    std::vector<int> messages; // string ids, in order
    bool live;
    QString resource;       // m_strResourceName
    int slot;               // m_nSlot
    int logicalAddress;     // m_nLogicalAddress
    const char* initRsrc;   // what tsx4410_init got; null: never called
    int reset = 0;
    QStringList variants = {};
    Libraries libraries = Libraries::Stand_ins;
};

void PrintTo(const RoadCase& c, std::ostream* os) { *os << c.name; }

QStringList Texts(const std::vector<int>& ids)
{
    QStringList texts;
    for (int id : ids)
        texts << LoadString(id);
    return texts;
}

class DiscoveryRoadTest : public ::testing::TestWithParam<RoadCase> {};

TEST_P(DiscoveryRoadTest, EndsInTheRightAccessObjectAndMessages)
{
    const RoadCase& c = GetParam();
    SimEnv sim(c.bench, c.variants);
    QTemporaryDir only;
    if (c.libraries == Libraries::None) {
        UseNoInstrumentLibraries(only);
    } else if (c.libraries == Libraries::VisaOnly) {
        QFile::link(QDir(SimEnv::SimDir()).filePath("libvisa.so"), QDir(only.path()).filePath("libvisa.so"));
        UseNoInstrumentLibraries(only);
    }

    ModalRecorder recorder;
    auto app = StartApp(c.commandLine);

    EXPECT_EQ(recorder.messages, Texts(c.messages));
    EXPECT_TRUE(recorder.dialogTitles.isEmpty()) << "unexpected dialog";
    ASSERT_NE(app->m_pDriver, nullptr);
    EXPECT_EQ(app->m_pDriver->IsLive(), c.live ? 1 : 0);
    EXPECT_EQ(app->m_crActiveLamp, c.live ? RGB(0, 255, 0) : GetPanelColor(4));
    EXPECT_EQ(app->m_strResourceName, c.resource);
    EXPECT_EQ(app->m_nSlot, c.slot);
    EXPECT_EQ(app->m_nLogicalAddress, c.logicalAddress);
    EXPECT_EQ(app->InstrumentSlot(), c.live ? c.slot : -1);
    EXPECT_EQ(app->InstrumentLogicalAddress(), c.live ? c.logicalAddress : -1);
    EXPECT_EQ(WaitCursorDepth(), 0);

    const auto inits = sim.Calls("tsx4410_init");
    if (!c.initRsrc) {
        EXPECT_TRUE(inits.empty());
    } else {
        ASSERT_EQ(inits.size(), 1u);
        EXPECT_EQ(inits[0]["rsrc"], c.initRsrc);
        EXPECT_EQ(inits[0].Number("id_query"), 0);
        EXPECT_EQ(inits[0].Number("reset"), c.reset);
    }
}

const QString kVxiBench = QStringLiteral("vxi.json");
const char* const kVxi = "VXI0::24::INSTR";

INSTANTIATE_TEST_SUITE_P(
    Roads, DiscoveryRoadTest,
    ::testing::Values(
        // Libraries.
        RoadCase{"NoLibraries", kVxiBench, "", {IDS_NO_VISA_DLL}, false, "?", -1, -1, nullptr, 0, {}, Libraries::None},
        RoadCase{"VisaWithoutFindNext", kVxiBench, "", {IDS_NO_VISA_DLL}, false, "?", -1, -1, nullptr, 0,
                 {"variants/visa-missing-viFindNext"}},
        RoadCase{"NoDriverLibrary", kVxiBench, "", {IDS_NO_DRIVER_DLL}, false, "?", -1, -1, nullptr, 0, {},
                 Libraries::VisaOnly},
        RoadCase{"DriverWithoutWrite", kVxiBench, "", {IDS_NO_DRIVER_DLL}, false, "?", -1, -1, nullptr, 0,
                 {"variants/driver-missing-tsx4410_write"}},
        // Resource manager and search.
        RoadCase{"ResourceManagerFails",
                 R"({"resources":[{"descriptor":"VXI0::24::INSTR","manufacturer_id":3021,"model_code":417}],
                     "faults":[{"function":"viOpenDefaultRM","status":"VI_ERROR_SYSTEM_ERROR"}]})",
                 "", {IDS_OPEN_RM_FAILED}, false, "?", -1, -1, nullptr},
        // The stand-in's search fails on a bench without resources.
        RoadCase{"EmptyBench", "none.json", "", {IDS_NO_INSTRUMENT}, false, "?", -1, -1, nullptr},
        RoadCase{"NoMatch",
                 R"({"resources":[{"descriptor":"VXI0::24::INSTR","manufacturer_id":3021,"model_code":418},
                                  {"descriptor":"GPIB0::7::INSTR","identity":"VORNHOLT-ARGENT,T4411"}]})",
                 "", {IDS_NO_INSTRUMENT}, false, "?", -1, -1, nullptr},
        // Connected without asking.
        RoadCase{"BuiltInBench", "", "", {}, true, "VXI0::24", 5, 24, kVxi},
        RoadCase{"OneVxi", kVxiBench, "", {}, true, "VXI0::24", 5, 24, kVxi},
        RoadCase{"GpibAnswerWithMoreText", "gpib.json", "", {}, true, "GPIB0::7", -1, -1, "GPIB0::7::INSTR"},
        RoadCase{"VxiBeatsGpib", "gpib-and-vxi.json", "", {}, true, "VXI0::24", 5, 24, kVxi},
        // Driver init.
        RoadCase{"InitWarningFails", "init-warning.json", "", {IDS_INIT_FAILED}, false, "VXI0::24", 5, 24, kVxi},
        RoadCase{"InitErrorFails", "init-error.json", "", {IDS_INIT_FAILED}, false, "VXI0::24", 5, 24, kVxi},
        // Options.
        RoadCase{"ResetOption", kVxiBench, "-r", {}, true, "VXI0::24", 5, 24, kVxi, 1},
        RoadCase{"ResetOptionSlashUpperCase", kVxiBench, "/R", {}, true, "VXI0::24", 5, 24, kVxi, 1},
        RoadCase{"ResetInsideLabelName", kVxiBench, "-l my-rack.lbl", {}, true, "VXI0::24", 5, 24, kVxi, 1},
        RoadCase{"AddressOption", "two-vxi.json", "-a vxi0::32::instr", {}, true, "VXI0::32", 7, 32,
                 "VXI0::32::INSTR"},
        RoadCase{"AddressOptionSlashBeatsDash", "two-vxi.json", "-a vxi0::24::instr /A vxi0::32::instr", {},
                 true, "VXI0::32", 7, 32, "VXI0::32::INSTR"},
        RoadCase{"AddressAtEnd", kVxiBench, "-d -a", {IDS_INIT_FAILED}, false, "", -1, -1, ""},
        RoadCase{"AddressInsideLabelPath", kVxiBench, "-l c:/alt/x.lbl", {IDS_INIT_FAILED}, false, "LT/X.LBL", -1,
                 -1, "LT/X.LBL"},
        RoadCase{"AddressNotOnBench", kVxiBench, "-a gpib0::9::instr", {IDS_INIT_FAILED}, false, "GPIB0::9", -1,
                 -1, "GPIB0::9::INSTR"}),
    [](const auto& info) { return std::string(info.param.name); });

// The dialog: what it lists, what is selected, and what OK and Cancel do.
struct DialogCase {
    const char* name;
    QString bench;
    QString commandLine;
    QStringList listed;
    int pick;          // entry selected before OK; -1: Cancel button; -2: Escape key
    std::vector<int> messages;
    bool live;
    QString resource;
    const char* initRsrc;
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }

class SelectInstrumentTest : public ::testing::TestWithParam<DialogCase> {};

TEST_P(SelectInstrumentTest, ListsInOrderFirstSelectedAndAnswers)
{
    const DialogCase& c = GetParam();
    SimEnv sim(c.bench);
    ModalRecorder recorder;
    QStringList listed;
    int selectedAtStart = -2;
    recorder.onDialog = [&](QDialog& dialog) {
        auto* list = dialog.findChild<QComboBox*>();
        if (!list)
            return static_cast<int>(QDialog::Rejected);
        for (int i = 0; i < list->count(); ++i)
            listed << list->itemText(i);
        selectedAtStart = list->currentIndex();
        if (c.pick == -2) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&dialog, &escape);
        } else {
            for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
                if (button->text() == (c.pick == -1 ? QStringLiteral("Cancel") : QStringLiteral("OK"))) {
                    if (c.pick >= 0)
                        list->setCurrentIndex(c.pick);
                    button->click();
                }
            }
        }
        return dialog.result();
    };
    auto app = StartApp(c.commandLine);

    EXPECT_EQ(recorder.dialogTitles, QStringList({"Select Instrument"}));
    EXPECT_EQ(listed, c.listed);
    EXPECT_EQ(selectedAtStart, 0);
    EXPECT_EQ(recorder.messages, Texts(c.messages));
    EXPECT_EQ(app->m_pDriver->IsLive(), c.live ? 1 : 0);
    EXPECT_EQ(app->m_strResourceName, c.resource);
    EXPECT_EQ(WaitCursorDepth(), 0);
    const auto inits = sim.Calls("tsx4410_init");
    if (c.initRsrc) {
        ASSERT_EQ(inits.size(), 1u);
        EXPECT_EQ(inits[0]["rsrc"], c.initRsrc);
    } else {
        EXPECT_TRUE(inits.empty());
    }
}

const QStringList kTwoVxi = {"VXI0::24::INSTR", "VXI0::32::INSTR"};

INSTANTIATE_TEST_SUITE_P(
    Choices, SelectInstrumentTest,
    ::testing::Values(
        DialogCase{"OkTakesFirst", "two-vxi.json", "", kTwoVxi, 0, {}, true, "VXI0::24", kVxi},
        DialogCase{"OkTakesSecond", "two-vxi.json", "", kTwoVxi, 1, {}, true, "VXI0::32", "VXI0::32::INSTR"},
        DialogCase{"CancelButton", "two-vxi.json", "", kTwoVxi, -1, {IDS_SELECT_CANCELLED}, false, "?", nullptr},
        DialogCase{"EscapeKey", "two-vxi.json", "", kTwoVxi, -2, {IDS_SELECT_CANCELLED}, false, "?", nullptr},
        DialogCase{"UncheckedSingleStillAsks", kVxiBench, "-n", {"VXI0::24::INSTR"}, 0, {}, true, "VXI0::24", kVxi},
        DialogCase{"UncheckedInsideAWord", kVxiBench, "-l my-new.lbl", {"VXI0::24::INSTR"}, 0, {}, true,
                   "VXI0::24", kVxi},
        DialogCase{"UncheckedListsEveryResource", "gpib-and-vxi.json", "/N",
                   {"GPIB0::7::INSTR", "VXI0::24::INSTR"}, 0, {}, true, "GPIB0::7", "GPIB0::7::INSTR"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
