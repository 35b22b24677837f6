// Many ticks on all four channels with a character typed on each before
// every tick, once non-live and once on the stand-in driver: every byte comes
// back on its own channel in order, every tick polls all four channels and
// ends with the tick flag clear, and the heap stops growing after warm-up.
// SFP_SOAK_TICKS sets the number of ticks (a short run by default).
#include "app/main_frame.h"
#include "common/test_support.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "resources/resource_ids.h"
#include "sim_env.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <ostream>

#if defined(__SANITIZE_ADDRESS__)
#define SFP_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SFP_SOAK_ASAN 1
#endif
#endif
#ifdef SFP_SOAK_ASAN
// From the sanitizer runtime; its header does not come with every compiler.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

long Ticks()
{
    const char* text = std::getenv("SFP_SOAK_TICKS");
    const long n = text ? std::strtol(text, nullptr, 10) : 0;
    return n > 0 ? n : 2000;
}

// Bytes of heap in use now.
std::size_t HeapInUse()
{
#ifdef SFP_SOAK_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// The character typed on channel `n` before tick `t`: each channel draws
// from its own alphabet, so a byte on the wrong channel cannot pass.
char Typed(int n, long t)
{
    static const char* const kAlphabets[] = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz",
                                             "0123456789", "!#$%&()*+,-./:;<=>?@[]^_{|}~"};
    const std::string alphabet = kAlphabets[n - 1];
    // A stride coprime to each length, so that neighbours differ and a
    // dropped or doubled byte shows.
    return alphabet[static_cast<std::size_t>((t * 7) % static_cast<long>(alphabet.size()))];
}

struct SoakCase {
    const char* name;
    bool live;
};
void PrintTo(const SoakCase& c, std::ostream* os) { *os << c.name; }

class Soak : public ::testing::TestWithParam<SoakCase> {};

TEST_P(Soak, EveryTypedByteComesBackOnItsOwnChannelInOrder)
{
    QTemporaryDir noLibraries;
    std::unique_ptr<SimEnv> sim;
    if (GetParam().live) {
        if (qEnvironmentVariableIsEmpty("SFP_SIM_DIR"))
            qputenv("SFP_SIM_DIR", SFP_SOAK_SIM_DIR);
        sim = std::make_unique<SimEnv>();
        // A trace line per call would make the run about the file system.
        qunsetenv("SFP_SIM_TRACE");
    } else {
        UseNoInstrumentLibraries(noLibraries);
    }
    ModalRecorder recorder;
    auto app = StartApp();
    ASSERT_EQ(app->m_pDriver->IsLive(), GetParam().live ? 1 : 0);
    recorder.messages.clear();
    CMainFrame* frame = app->MainFrame();
    auto* panel = static_cast<CPan1Dlg*>(app->m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    QTest::mouseClick(panel->StartStopButton(), Qt::LeftButton);
    ASSERT_EQ(panel->IsRunning(), 1);
    // The ticks are driven here, one by one; the real timer would add its own.
    frame->KillTimer(CMainFrame::kPollTimerId);

    const long ticks = Ticks();
    const long warmUp = std::max(ticks / 10, 200L);
    constexpr long kTicksPerLoop = 100;
    std::size_t heapAfterWarmUp = 0;
    std::size_t heapPeakAfterWarmUp = 0;
    for (long t = 0; t < ticks; ++t) {
        for (int n = 1; n <= 4; ++n)
            panel->Channel(n)->TransBox()->OnChar(Typed(n, t));
        frame->DispatchTimer();
        ASSERT_EQ(frame->m_bInTimer, 0) << "tick " << t;

        // After tick t the byte typed before tick t-1 has just arrived, and
        // what the box shows is the end of everything typed up to it.
        for (int n = 1; n <= 4 && t >= 1; ++n) {
            const QString shown = panel->Channel(n)->RecvBox()->text();
            ASSERT_GE(shown.size(), std::min<qsizetype>(t, 5)) << "channel " << n << " tick " << t;
            for (qsizetype k = 0; k < shown.size(); ++k) {
                const long typedAt = t - shown.size() + k;
                ASSERT_EQ(shown.at(k).toLatin1(), Typed(n, typedAt))
                    << "channel " << n << " tick " << t << " shows \"" << shown.toStdString() << '"';
            }
        }
        if (t % kTicksPerLoop != kTicksPerLoop - 1)
            continue;
        // What the message loop would do between ticks: paint, deliver the
        // posted events. The heap is sampled with nothing left waiting.
        QCoreApplication::processEvents();
        if (t < warmUp)
            continue;
        const std::size_t heap = HeapInUse();
        if (heapAfterWarmUp == 0)
            heapAfterWarmUp = heap;
        heapPeakAfterWarmUp = std::max(heapPeakAfterWarmUp, heap);
        if (std::getenv("SFP_SOAK_VERBOSE"))
            std::printf("tick %ld heap %zu\n", t, heap);
    }
    EXPECT_TRUE(recorder.messages.isEmpty()) << recorder.messages.join('|').toStdString();

    // A leak of even a few bytes per tick would show many times over.
    const std::size_t grown = heapPeakAfterWarmUp > heapAfterWarmUp ? heapPeakAfterWarmUp - heapAfterWarmUp : 0;
    RecordProperty("heap_growth_bytes", static_cast<int>(grown));
    EXPECT_LT(grown, 64u * 1024u) << "heap grew by " << grown << " bytes over " << ticks - warmUp << " ticks";

    QTest::mouseClick(panel->StartStopButton(), Qt::LeftButton);
    EXPECT_EQ(panel->IsRunning(), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Soak,
                         ::testing::Values(SoakCase{"NonLive", false}, SoakCase{"StandIn", true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
