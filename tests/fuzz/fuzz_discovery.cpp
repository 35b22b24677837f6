// Discovery against a VISA table whose every answer comes from the input:
// statuses, counts, sessions, descriptors with and without a terminating
// zero, attribute values and identity answers. Whatever it says, discovery
// ends in one of its known outcomes, never reads past a buffer, and closes
// every session and list it opened.
#include "fuzz_harness.h"
#include "instrument/discovery.h"
#include "resources/resource_ids.h"

#include <cstring>
#include <map>

namespace {

FuzzInput* g_in = nullptr;
std::map<ViObject, int> g_open; // objects handed out and not closed yet

// Mostly success while the input lasts; an error once it runs out, so every
// loop in discovery comes to an end.
ViStatus Status()
{
    constexpr ViStatus kStatuses[] = {VI_SUCCESS, 0x3FFF0006 /* a warning */, VI_ERROR_TMO,
                                      static_cast<ViStatus>(0xBFFF0011u) /* not found */};
    if (g_in->Empty())
        return static_cast<ViStatus>(0xBFFF0000u);
    const std::uint8_t pick = g_in->Byte();
    return pick < 160 ? VI_SUCCESS : pick < 250 ? kStatuses[pick % 4] : static_cast<ViStatus>(g_in->U32());
}

// A status, and the object handed out counted as open when it succeeded.
ViStatus Hand(ViObject* object)
{
    const ViStatus s = Status();
    *object = g_in->U32();
    if (s >= VI_SUCCESS)
        ++g_open[*object];
    return s;
}

// Any number from the input into `size` bytes of `out`; hands the status on.
ViStatus Number(ViStatus s, void* out, std::size_t size)
{
    const std::uint32_t v = g_in->U32();
    std::memcpy(out, &v, size);
    return s;
}

// Up to `max` bytes of answer into the buffer, with a terminating zero when
// shorter (a descriptor that fills its buffer has none); hands the status on.
ViStatus Fill(ViStatus s, char* buffer, std::size_t max)
{
    const std::string text = g_in->Bytes(max);
    std::memcpy(buffer, text.data(), text.size());
    if (text.size() < max)
        buffer[text.size()] = '\0';
    return s;
}

VisaApi FakeVisa()
{
    VisaApi visa;
    visa.viOpenDefaultRM = [](ViSession* rm) { return Hand(rm); };
    visa.viFindRsrc = [](ViSession, const char* expr, ViFindList* list, ViUInt32* count, char desc[]) {
        FUZZ_CHECK(expr != nullptr);
        return Fill(Number(Hand(list), count, sizeof *count), desc, kViBufferSize);
    };
    visa.viFindNext = [](ViFindList, char desc[]) { return Fill(Status(), desc, kViBufferSize); };
    visa.viOpen = [](ViSession, const char* name, ViAccessMode, ViUInt32, ViSession* vi) {
        FUZZ_CHECK(name != nullptr && std::strlen(name) < static_cast<std::size_t>(kViBufferSize));
        return Hand(vi);
    };
    visa.viGetAttribute = [](ViObject, ViAttr, void* value) { return Number(Status(), value, sizeof(ViUInt16)); };
    visa.viWrite = [](ViSession, const unsigned char* buf, ViUInt32 count, ViUInt32* written) {
        FUZZ_CHECK(buf != nullptr && count <= 5);
        return Number(Status(), written, sizeof *written);
    };
    visa.viRead = [](ViSession, unsigned char* buf, ViUInt32 count, ViUInt32* read) {
        return Number(Fill(Status(), reinterpret_cast<char*>(buf), count), read, sizeof *read);
    };
    visa.viClose = [](ViObject object) {
        const auto it = g_open.find(object);
        FUZZ_CHECK(it != g_open.end()); // only what was handed out gets closed
        if (--it->second == 0)
            g_open.erase(it);
        return Status();
    };
    visa.viReadSTB = [](ViSession, ViUInt16* stb) { return Number(Status(), stb, sizeof *stb); };
    return visa;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    g_in = &in;
    g_open.clear();
    const VisaApi visa = FakeVisa();
    const std::uint8_t flags = in.Byte();
    DiscoveryOptions options{(flags & 1) != 0, QString(), (flags & 2) != 0};
    if (options.hasAddress)
        options.address = QString::fromLatin1(in.Bytes(300).c_str()).toUpper();
    int asked = 0;
    const ChooseInstrumentFn choose = [&](const QStringList& accepted) -> std::optional<QString> {
        ++asked;
        for (const QString& d : accepted)
            FUZZ_CHECK(d.size() < kViBufferSize);
        FUZZ_CHECK(!accepted.isEmpty());
        const int pick = in.Byte() % (accepted.size() + 1);
        return pick == accepted.size() ? std::nullopt : std::optional<QString>(accepted[pick]);
    };

    const DiscoveryResult r = DiscoverInstrument(visa, options, choose);
    // An address no resource name can hold fails the start without reaching a library.
    const bool overlong = options.hasAddress && options.address.size() >= kViBufferSize;
    FUZZ_CHECK(r.message == IDS_OPEN_RM_FAILED ||
               (overlong ? r.message == IDS_INIT_FAILED && r.slot == -1
                         : r.message == 0 || r.message == IDS_NO_INSTRUMENT || r.message == IDS_SELECT_CANCELLED));
    FUZZ_CHECK(r.chosen == (r.message == 0 || r.message == IDS_INIT_FAILED) && asked <= 1 && g_open.empty());
    if (r.chosen)
        FUZZ_CHECK((options.hasAddress || r.descriptor.size() < kViBufferSize) &&
                   r.resourceName == ResourceText(r.descriptor) && r.slot >= -32768 && r.slot <= 32767 &&
                   r.logicalAddress >= -32768 && r.logicalAddress <= 32767);
    else
        FUZZ_CHECK(r.slot == -1 && r.logicalAddress == -1);
    return 0;
}
