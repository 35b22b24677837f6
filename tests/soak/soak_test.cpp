// Many ticks on all four channels with a character typed on each before every
// tick, non-live and on the stand-in driver: every byte comes back on its own
// channel in order, each tick ends with the tick flag clear, and the heap stops
// growing after warm-up. SFP_SOAK_TICKS sets the number of ticks (2000 unless set).
#include "common/test_support.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "panels/channel.h"
#include "panels/main_panel.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <malloc.h>

#ifdef __SANITIZE_ADDRESS__
extern "C" std::size_t __sanitizer_get_current_allocated_bytes(); // its header is not always there
#endif

namespace {

#ifdef __SANITIZE_ADDRESS__
std::size_t HeapInUse() { return __sanitizer_get_current_allocated_bytes(); }
#else
std::size_t HeapInUse() { return mallinfo2().uordblks; }
#endif

// Each channel types from its own alphabet, so a byte on the wrong channel
// cannot pass; a stride coprime to each length shows a dropped or doubled byte.
char Typed(int n, long t)
{
    static const std::string kAlphabets[] = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz",
                                             "0123456789", "!#$%&()*+,-./:;<=>?@[]^_{|}~"};
    const std::string& alphabet = kAlphabets[n - 1];
    return alphabet[static_cast<std::size_t>(t * 7) % alphabet.size()];
}

class Soak : public ::testing::TestWithParam<bool> {};

TEST_P(Soak, EveryTypedByteComesBackOnItsOwnChannelInOrder)
{
    const bool live = GetParam();
    SimPanel p(QString(), QString(), {}, live ? Libraries::StandIns : Libraries::None);
    qunsetenv("SFP_SIM_TRACE"); // a trace line per call would make the run about the file system
    ASSERT_EQ(p.app->m_pDriver->IsLive(), live ? 1 : 0);
    p.recorder.messages.clear();
    p.StartStop();
    p.frame->KillTimer(CMainFrame::kPollTimerId); // ticks come from here alone

    const char* text = std::getenv("SFP_SOAK_TICKS");
    const long ticks = text && std::atol(text) > 0 ? std::atol(text) : 2000;
    const long warmUp = std::max(ticks / 10, 200L);
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
        if (t % 100 == 99) // paint and deliver, as the message loop would, then weigh the heap
            QCoreApplication::processEvents();
        if (t % 100 == 99 && t >= warmUp) {
            const std::size_t heap = HeapInUse();
            heapAfterWarmUp = heapAfterWarmUp ? heapAfterWarmUp : heap;
            heapPeak = std::max(heapPeak, heap);
        }
    }
    EXPECT_TRUE(p.recorder.messages.isEmpty()) << p.recorder.messages.join('|').toStdString();
    // A leak of even a few bytes per tick would show many times over.
    EXPECT_LT(heapPeak - std::min(heapPeak, heapAfterWarmUp), 64u * 1024u);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Soak, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "StandIn" : "NonLive"); });

} // namespace
