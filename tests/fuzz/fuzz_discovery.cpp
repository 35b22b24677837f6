// Discovery against a VISA table whose every answer comes from the input:
// statuses, counts, sessions, descriptors with and without a terminating
// zero, attribute values and identity answers. Whatever it says, discovery
// ends in one of its known outcomes, never reads past a buffer, and closes
// every session and list it opened.
#include "fuzz_input.h"
#include "instrument/discovery.h"
#include "resources/resource_ids.h"

#include <cstring>
#include <map>

namespace {

FuzzInput* g_in = nullptr;
std::map<ViObject, int> g_open; // objects handed out and not closed yet
bool g_closedUnknown = false;

// Mostly success while the input lasts; an error once it runs out, so every
// loop in discovery comes to an end.
ViStatus Status()
{
    constexpr ViStatus kStatuses[] = {VI_SUCCESS, 0x3FFF0006 /* a warning */, VI_ERROR_TMO,
                                      static_cast<ViStatus>(0xBFFF0011u) /* not found */};
    if (g_in->Empty())
        return static_cast<ViStatus>(0xBFFF0000u);
    const std::uint8_t pick = g_in->Byte();
    return pick < 160 ? VI_SUCCESS : pick < 250 ? kStatuses[pick % 4] : g_in->I32();
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

// Status first, then up to `max` bytes of answer; one shorter than `max`
// gets a terminating zero, so a descriptor that fills its buffer has none.
ViStatus Answer(char* buffer, std::size_t max, ViUInt32* count = nullptr)
{
    const ViStatus s = Status();
    const std::string text = g_in->Bytes(max);
    std::memcpy(buffer, text.data(), text.size());
    if (text.size() < max)
        buffer[text.size()] = '\0';
    if (count)
        *count = g_in->U32(); // any count, true or not
    return s;
}

extern "C" {

ViStatus OpenDefaultRM(ViSession* rm) { return Hand(rm); }
ViStatus FindNext(ViFindList, char desc[]) { return Answer(desc, kViBufferSize); }
ViStatus Read(ViSession, unsigned char* buf, ViUInt32 count, ViUInt32* read)
{
    return Answer(reinterpret_cast<char*>(buf), count, read);
}

ViStatus FindRsrc(ViSession, const char* expr, ViFindList* list, ViUInt32* count, char desc[])
{
    FUZZ_CHECK(expr != nullptr);
    const ViStatus s = Hand(list);
    *count = g_in->U32();
    Answer(desc, kViBufferSize);
    return s;
}

ViStatus Open(ViSession, const char* name, ViAccessMode, ViUInt32, ViSession* vi)
{
    FUZZ_CHECK(name != nullptr && std::strlen(name) < static_cast<std::size_t>(kViBufferSize));
    return Hand(vi);
}

ViStatus GetAttribute(ViObject, ViAttr, void* value)
{
    const ViStatus s = Status();
    const ViUInt16 v = static_cast<ViUInt16>(g_in->U32());
    std::memcpy(value, &v, sizeof v);
    return s;
}

ViStatus Write(ViSession, const unsigned char* buf, ViUInt32 count, ViUInt32* written)
{
    FUZZ_CHECK(buf != nullptr && count <= 5);
    const ViStatus s = Status();
    *written = g_in->U32();
    return s;
}

ViStatus Close(ViObject object)
{
    const auto it = g_open.find(object);
    g_closedUnknown = g_closedUnknown || it == g_open.end();
    if (it != g_open.end() && --it->second == 0)
        g_open.erase(it);
    return Status();
}

ViStatus ReadSTB(ViSession, ViUInt16* stb)
{
    *stb = 0;
    return Status();
}

} // extern "C"

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    g_in = &in;
    g_open.clear();
    g_closedUnknown = false;
    VisaApi visa;
    visa.viOpenDefaultRM = OpenDefaultRM;
    visa.viFindRsrc = FindRsrc;
    visa.viFindNext = FindNext;
    visa.viOpen = Open;
    visa.viGetAttribute = GetAttribute;
    visa.viWrite = Write;
    visa.viRead = Read;
    visa.viClose = Close;
    visa.viReadSTB = ReadSTB;

    DiscoveryOptions options;
    const std::uint8_t flags = in.Byte();
    options.hasAddress = (flags & 1) != 0;
    options.noIdentityCheck = (flags & 2) != 0;
    if (options.hasAddress)
        options.address = QString::fromLatin1(in.Bytes(300).c_str()).toUpper();
    int asked = 0;
    const ChooseInstrumentFn choose = [&](const QStringList& accepted) -> std::optional<QString> {
        ++asked;
        FUZZ_CHECK(!accepted.isEmpty());
        for (const QString& d : accepted)
            FUZZ_CHECK(d.size() < kViBufferSize);
        const int pick = in.Byte() % (accepted.size() + 1);
        return pick == accepted.size() ? std::nullopt : std::optional<QString>(accepted[pick]);
    };

    const DiscoveryResult result = DiscoverInstrument(visa, options, choose);
    FUZZ_CHECK(result.message == 0 || result.message == IDS_OPEN_RM_FAILED ||
               result.message == IDS_NO_INSTRUMENT || result.message == IDS_SELECT_CANCELLED);
    FUZZ_CHECK(result.chosen == (result.message == 0));
    if (result.chosen) {
        FUZZ_CHECK(options.hasAddress || result.descriptor.size() < kViBufferSize);
        FUZZ_CHECK(result.resourceName == ResourceText(result.descriptor));
        FUZZ_CHECK(result.slot >= -32768 && result.slot <= 32767);
        FUZZ_CHECK(result.logicalAddress >= -32768 && result.logicalAddress <= 32767);
    } else {
        FUZZ_CHECK(result.slot == -1 && result.logicalAddress == -1);
    }
    FUZZ_CHECK(asked <= 1 && g_open.empty() && !g_closedUnknown);

    // A table that lacks an entry point we call is no VISA at all.
    VisaApi partial = visa;
    partial.viFindNext = nullptr;
    FUZZ_CHECK(DiscoverInstrument(partial, options, choose).message == IDS_NO_VISA_DLL);
    g_in = nullptr;
    return 0;
}
