// The stand-ins' bench reader over any text: a bench it cannot use is
// refused with BenchError and nothing else; one it takes is self-consistent.
#include "core/bench_reader.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    sim::Bench bench;
    try {
        bench = sim::parse_bench(text);
    } catch (const sim::BenchError&) {
        return 0;
    }
    for (const sim::Resource& r : bench.resources) {
        FUZZ_CHECK(!r.descriptor.empty());
        FUZZ_CHECK(bench.find(r.descriptor) >= 0);
        for (const sim::ChannelHooks& hooks : r.module.channels)
            FUZZ_CHECK(!hooks.short_read || *hooks.short_read <= 0x7FFFFFFFu);
    }
    for (const sim::FaultRule& rule : bench.faults) {
        FUZZ_CHECK(!rule.function.empty());
        FUZZ_CHECK(rule.channel >= 0 && rule.channel <= 4);
        FUZZ_CHECK(rule.from_call >= 1);
        FUZZ_CHECK(rule.resource >= -1 && rule.resource < static_cast<int>(bench.resources.size()));
    }
    return 0;
}
