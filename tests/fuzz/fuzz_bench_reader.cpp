// The stand-ins' bench reader over any text: a bench it cannot use is
// refused with BenchError and nothing else; on one it takes, the VISA
// stand-in lists every resource once and opens each as the bench says.
#include "core/bench_reader.h"
#include "core/visa_state.h"
#include "fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    sim::Bench bench;
    try {
        bench = sim::parse_bench(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const sim::BenchError&) {
        return 0;
    }
    sim::VisaState visa(bench);
    ViSession rm = VI_NULL, vi = VI_NULL;
    ViUInt32 count = 0;
    char desc[VI_FIND_BUFLEN];
    visa.open_default_rm(&rm);
    const ViStatus found = visa.find_rsrc(rm, "?*", nullptr, &count, desc);
    FUZZ_CHECK(count == bench.resources.size() && (found == VI_SUCCESS) == (count > 0));
    for (std::size_t i = 0; i < bench.resources.size(); ++i) {
        const sim::Resource& r = bench.resources[i];
        FUZZ_CHECK(bench.find(r.descriptor) == static_cast<int>(i));
        FUZZ_CHECK(visa.open(rm, r.descriptor.c_str(), &vi) == r.open_status);
    }
    return 0;
}
