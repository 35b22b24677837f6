#pragma once
// The part of the VISA I/O library the program uses: its types, the
// attribute ids it reads, and a table of the ten entry points it looks up,
// declared here from the standard's published C signatures.
#include "instrument/status.h"
#include "platform/library_loader.h"

#include <QString>

#include <cstdint>
#include <type_traits>

using ViUInt32 = std::uint32_t;
using ViInt32 = std::int32_t;
using ViUInt16 = std::uint16_t;
using ViInt16 = std::int16_t;
using ViBoolean = std::uint16_t;
using ViObject = std::uint32_t;
using ViSession = std::uint32_t;
using ViFindList = std::uint32_t;
using ViAttr = std::uint32_t;
using ViAccessMode = std::uint32_t;

// Every descriptor and text buffer the library fills is this long.
constexpr int kViBufferSize = 256;

constexpr ViAttr VI_ATTR_INTF_TYPE = 0x3FFF0171u;
constexpr ViAttr VI_ATTR_MANF_ID = 0x3FFF00D9u;
constexpr ViAttr VI_ATTR_MODEL_CODE = 0x3FFF00DFu;
constexpr ViAttr VI_ATTR_SLOT = 0x3FFF00E8u;
constexpr ViAttr VI_ATTR_VXI_LA = 0x3FFF00D5u;

constexpr ViUInt16 VI_INTF_GPIB = 1;
constexpr ViUInt16 VI_INTF_VXI = 2;
constexpr ViUInt16 VI_INTF_GPIB_VXI = 3;

// "Operation not supported": what an operation records when the entry point
// it needs is missing, so that nothing ever calls through a null pointer.
constexpr ViStatus VI_ERROR_NSUP_OPER = static_cast<ViStatus>(0xBFFF0067u);

extern "C" {
using ViOpenDefaultRMFn = ViStatus (*)(ViSession* rm);
using ViFindRsrcFn = ViStatus (*)(ViSession rm, const char* expr, ViFindList* list,
                                  ViUInt32* count, char desc[]);
using ViFindNextFn = ViStatus (*)(ViFindList list, char desc[]);
using ViOpenFn = ViStatus (*)(ViSession rm, const char* name, ViAccessMode mode,
                              ViUInt32 timeout, ViSession* vi);
using ViGetAttributeFn = ViStatus (*)(ViObject obj, ViAttr attr, void* value);
using ViWriteFn = ViStatus (*)(ViSession vi, const unsigned char* buf, ViUInt32 count,
                               ViUInt32* written);
using ViReadFn = ViStatus (*)(ViSession vi, unsigned char* buf, ViUInt32 count, ViUInt32* read);
using ViCloseFn = ViStatus (*)(ViObject obj);
using ViReadSTBFn = ViStatus (*)(ViSession vi, ViUInt16* statusByte);
using ViFlushFn = ViStatus (*)(ViSession vi, ViUInt16 mask);
}

// The VISA library's logical name; the loader maps it to the platform's.
inline constexpr const char* kVisaLibraryName = "VISA32.DLL";

struct VisaApi {
    ViOpenDefaultRMFn viOpenDefaultRM = nullptr;
    ViFindRsrcFn viFindRsrc = nullptr;
    ViFindNextFn viFindNext = nullptr;
    ViOpenFn viOpen = nullptr;
    ViGetAttributeFn viGetAttribute = nullptr;
    ViWriteFn viWrite = nullptr;
    ViReadFn viRead = nullptr;
    ViCloseFn viClose = nullptr;
    ViReadSTBFn viReadSTB = nullptr;
    ViFlushFn viFlush = nullptr; // looked up, never called

    // True when every entry point the program calls is there; viFlush,
    // which nothing calls, may be missing.
    bool HasCalledEntryPoints() const
    {
        return viOpenDefaultRM && viFindRsrc && viFindNext && viOpen && viGetAttribute &&
               viWrite && viRead && viClose && viReadSTB;
    }
};

// The text of a buffer the library filled: up to its terminating zero, but
// never more than kViBufferSize - 1 characters, so a library that fills the
// whole buffer without a terminator cannot make us read past it.
inline QString ViBufferText(const char* buffer, int size = kViBufferSize)
{
    int n = 0;
    while (n < size - 1 && buffer[n] != '\0')
        ++n;
    return QString::fromLatin1(buffer, n);
}

// Looks up the ten entry points in a loaded VISA library; missing ones stay null.
inline VisaApi BindVisaApi(LibraryHandle library)
{
    VisaApi api;
    // The first missing one the program calls is reported; viFlush is not called.
    auto need = [library](auto& slot, const char* name) { BindRequiredEntryPoint(library, slot, name); };
    auto bind = [library](auto& slot, const char* name) { BindEntryPoint(library, slot, name); };
    need(api.viOpenDefaultRM, "viOpenDefaultRM");
    need(api.viFindRsrc, "viFindRsrc");
    need(api.viFindNext, "viFindNext");
    need(api.viOpen, "viOpen");
    need(api.viGetAttribute, "viGetAttribute");
    need(api.viWrite, "viWrite");
    need(api.viRead, "viRead");
    need(api.viClose, "viClose");
    need(api.viReadSTB, "viReadSTB");
    bind(api.viFlush, "viFlush");
    return api;
}
