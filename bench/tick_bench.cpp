// Cost of one Main Panel tick with the test running on four channels of the
// non-live access object: with nothing to send, and with 39 characters (a
// full Trans box) waiting on every channel. Run offscreen:
//   QT_QPA_PLATFORM=offscreen build/bench/tick_bench
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "controls/led_button.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "platform/look.h"
#include "platform/modal_runner.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QDialog>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

struct RunningPanel {
    RunningPanel() : answer([](QDialog&) { return static_cast<int>(QDialog::Accepted); }), app(std::make_unique<CSfpApp>())
    {
        app->InitInstance();
        frame = app->MainFrame();
        dialog = static_cast<CPan1Dlg*>(app->m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
        dialog->StartTest();
    }
    int LampPaints() const
    {
        int paints = 0;
        for (int n = 1; n <= 4; ++n) {
            CChannel* ch = dialog->Channel(n);
            paints += ch->RxLamp()->PaintCount() + ch->TxLamp()->PaintCount() + ch->ErrLamp()->PaintCount();
        }
        return paints;
    }
    ScopedModalResponder answer;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
    CPan1Dlg* dialog = nullptr;
};

void BM_TickIdle(benchmark::State& state)
{
    RunningPanel p;
    p.frame->DispatchTimer();
    const int paintsBefore = p.LampPaints();
    for (auto _ : state)
        p.frame->DispatchTimer();
    state.counters["lamp_repaints"] = p.LampPaints() - paintsBefore;
}
BENCHMARK(BM_TickIdle);

void BM_TickFullTransBoxes(benchmark::State& state)
{
    RunningPanel p;
    for (auto _ : state) {
        state.PauseTiming();
        for (int n = 1; n <= 4; ++n)
            for (int i = 0; i < 39; ++i)
                p.dialog->Channel(n)->TransBox()->OnChar(static_cast<char>('a' + i % 26));
        state.ResumeTiming();
        p.frame->DispatchTimer();  // sends 39 characters on each channel
        p.frame->DispatchTimer();  // receives them back
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_TickFullTransBoxes)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    ApplyClassicLook();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
