// SFP_SOAK_TICKS ticks (2000 unless set) on four channels, a character typed on each
// before every tick, non-live and on the stand-ins: every byte comes back on its own
// channel in order, the tick flag ends clear, and the heap stops growing after warm-up.
#include "common/test_support.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "panels/channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <malloc.h>

#ifdef __SANITIZE_ADDRESS__
extern "C" std::size_t __sanitizer_get_current_allocated_bytes(); // its header is not always there
#define HEAP_IN_USE() __sanitizer_get_current_allocated_bytes()
#else
#define HEAP_IN_USE() mallinfo2().uordblks
#endif

namespace {

// Each channel types from its own alphabet, so a byte on the wrong channel
// cannot pass; a stride coprime to each length shows a dropped or doubled byte.
char Typed(int n, long t)
{
    static const std::string kAlphabets[] = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz",
                                             "0123456789", "!#$%&()*+,-./:;<=>?@[]^_{|}~"};
    return kAlphabets[n - 1][static_cast<std::size_t>(t * 7) % kAlphabets[n - 1].size()];
}

class Soak : public ::testing::TestWithParam<bool> {};

TEST_P(Soak, EveryTypedByteComesBackOnItsOwnChannelInOrder)
{
    // Ticks come back to back, far quicker than any line rate: the loop takes no time.
    SimPanel p(VxiBench(R"({"pace":"instant"})"), QString(), {}, GetParam() ? Libraries::StandIns : Libraries::None);
    qunsetenv("SFP_SIM_TRACE"); // a trace line per call would make the run about the file system
    ASSERT_EQ(p.app->m_pDriver->IsLive(), GetParam() ? 1 : 0);
    p.recorder.messages.clear();
    p.StartStop();
    p.frame->KillTimer(CMainFrame::kPollTimerId); // ticks come from here alone
    const long asked = std::atol(qgetenv("SFP_SOAK_TICKS").constData()), ticks = asked > 0 ? asked : 2000;
    std::size_t heapAfterWarmUp = 0, heapPeak = 0;
    for (long t = 0; t < ticks; ++t) {
        for (int n = 1; n <= 4; ++n)
            p.Main()->Channel(n)->TransBox()->OnChar(Typed(n, t));
        p.frame->DispatchTimer();
        ASSERT_EQ(p.frame->m_bInTimer, 0) << "tick " << t;
        // The byte typed before tick t-1 has just arrived: the box shows the
        // end of everything typed up to it.
        for (int n = 1; n <= 4 && t >= 1; ++n) {
            const QString shown = p.Main()->Channel(n)->RecvBox()->text();
            ASSERT_GE(shown.size(), std::min<qsizetype>(t, 5)) << "channel " << n << " tick " << t;
            for (qsizetype k = 0; k < shown.size(); ++k)
                ASSERT_EQ(shown.at(k).toLatin1(), Typed(n, t - shown.size() + k))
                    << "channel " << n << " tick " << t << " shows " << shown.toStdString();
        }
        if (t % 100 == 99) // paint and deliver, as the message loop would
            QCoreApplication::processEvents();
        if (t % 100 == 99 && t >= std::max(ticks / 10, 200L)) { // weighed after warm-up
            heapAfterWarmUp = heapAfterWarmUp ? heapAfterWarmUp : HEAP_IN_USE();
            heapPeak = std::max<std::size_t>(heapPeak, HEAP_IN_USE());
        }
    }
    EXPECT_TRUE(p.recorder.messages.isEmpty()) << p.recorder.messages.join('|').toStdString();
    // A leak of even a few bytes per tick would show many times over.
    EXPECT_LT(heapPeak - std::min(heapPeak, heapAfterWarmUp), 64u * 1024u);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Soak, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "StandIn" : "NonLive"); });

} // namespace
