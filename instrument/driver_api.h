#pragma once
// The module's driver library: the C signatures of its 19 entry points and
// the table they are bound into, in the driver's own table order.
#include "instrument/visa_api.h"

#include <cstdint>
#include <type_traits>

// The driver library's logical name; the loader maps it to the platform's.
inline constexpr const char* kDriverLibraryName = "tsx4410_32.dll";

// Channel properties read and written through getProperty/setProperty.
constexpr ViInt32 kPropBytesWaiting = 19; // received bytes waiting
constexpr ViInt32 kPropChannelStatus = 29; // bit 0: cannot take data now
constexpr ViInt32 kPropChannelConfig = 30; // the configuration record

// A read that met a parity, framing, overrun or break error on the line
// fails with this status; its text gives the channel (or the device) and
// how many of each kind it met.
constexpr ViStatus kDriverErrorLine = static_cast<ViStatus>(0xBFFA0008u);

// Every text the driver fills (messages, revisions) is this long.
constexpr int kDriverTextSize = 256;

extern "C" {
using Tsx4410InitFn = ViStatus (*)(const char* rsrc, ViBoolean idQuery, ViBoolean reset,
                                   ViSession* vi);
using Tsx4410SessionFn = ViStatus (*)(ViSession vi); // reset, close, terminate
using Tsx4410SelfTestFn = ViStatus (*)(ViSession vi, ViInt16* code, char msg[]);
using Tsx4410ErrorMessageFn = ViStatus (*)(ViSession vi, ViStatus status, char msg[]);
using Tsx4410ErrorQueryFn = ViStatus (*)(ViSession vi, ViInt32* code, char msg[]);
using Tsx4410PropertyFn = ViStatus (*)(ViSession vi, ViInt32 channel, ViInt32 property,
                                       void* value);
using Tsx4410ChannelFn = ViStatus (*)(ViSession vi, ViInt32 channel);
using Tsx4410WriteFn = ViStatus (*)(ViSession vi, ViInt32 channel, const unsigned char* bytes,
                                    ViUInt32 count, ViUInt32* written);
using Tsx4410ReadFn = ViStatus (*)(ViSession vi, ViInt32 channel, unsigned char* buf,
                                   ViUInt32 count, ViUInt32* read, ViInt16* scratch);
using Tsx4410GetAttributeFn = ViStatus (*)(ViSession vi, ViAttr attr, void* value);
using Tsx4410SetAttributeFn = ViStatus (*)(ViSession vi, ViAttr attr, std::uint64_t value);
using Tsx4410JobOpcFn = ViStatus (*)(ViSession vi, ViBoolean* done);
using Tsx4410ReadAsyncFn = ViStatus (*)(ViSession vi, ViInt32 channel, unsigned char* buf,
                                        ViUInt32 count, ViUInt32* job);
using Tsx4410WriteAsyncFn = ViStatus (*)(ViSession vi, ViInt32 channel,
                                         const unsigned char* bytes, ViUInt32 count,
                                         ViUInt32* job);
using Tsx4410RevisionQueryFn = ViStatus (*)(ViSession vi, char driverRev[], char firmwareRev[]);
}

struct DriverApi {
    Tsx4410SessionFn tsx4410_reset = nullptr;
    Tsx4410SessionFn tsx4410_close = nullptr;
    Tsx4410ChannelFn tsx4410_closeChannel = nullptr;
    Tsx4410ErrorMessageFn tsx4410_error_message = nullptr;
    Tsx4410ErrorQueryFn tsx4410_error_query = nullptr;
    Tsx4410GetAttributeFn tsx4410_getAttribute = nullptr;
    Tsx4410PropertyFn tsx4410_getProperty = nullptr;
    Tsx4410InitFn tsx4410_init = nullptr;
    Tsx4410JobOpcFn tsx4410_jobOpc = nullptr;
    Tsx4410ChannelFn tsx4410_openChannel = nullptr;
    Tsx4410ReadFn tsx4410_read = nullptr;
    Tsx4410ReadAsyncFn tsx4410_readAsync = nullptr;
    Tsx4410RevisionQueryFn tsx4410_revision_query = nullptr;
    Tsx4410SelfTestFn tsx4410_self_test = nullptr;
    Tsx4410SetAttributeFn tsx4410_setAttribute = nullptr;
    Tsx4410PropertyFn tsx4410_setProperty = nullptr;
    Tsx4410SessionFn tsx4410_terminate = nullptr;
    Tsx4410WriteFn tsx4410_write = nullptr;
    Tsx4410WriteAsyncFn tsx4410_writeAsync = nullptr;

    // True when every entry point the program calls is there (init and the
    // ten the live access object uses); the eight never called may be missing.
    bool HasCalledEntryPoints() const
    {
        return tsx4410_init && tsx4410_reset && tsx4410_self_test && tsx4410_close &&
               tsx4410_error_message && tsx4410_getProperty && tsx4410_setProperty &&
               tsx4410_openChannel && tsx4410_closeChannel && tsx4410_read && tsx4410_write;
    }
};

// Looks up the 19 entry points in a loaded driver library, in alphabetical
// order of their names; missing ones stay null.
inline DriverApi BindDriverApi(LibraryHandle library)
{
    DriverApi api;
    // The first missing one the program calls is reported.
    auto need = [library](auto& slot, const char* name) { BindRequiredEntryPoint(library, slot, name); };
    auto bind = [library](auto& slot, const char* name) { BindEntryPoint(library, slot, name); };
    need(api.tsx4410_close, "tsx4410_close");
    need(api.tsx4410_closeChannel, "tsx4410_closeChannel");
    need(api.tsx4410_error_message, "tsx4410_error_message");
    bind(api.tsx4410_error_query, "tsx4410_error_query");
    bind(api.tsx4410_getAttribute, "tsx4410_getAttribute");
    need(api.tsx4410_getProperty, "tsx4410_getProperty");
    need(api.tsx4410_init, "tsx4410_init");
    bind(api.tsx4410_jobOpc, "tsx4410_jobOpc");
    need(api.tsx4410_openChannel, "tsx4410_openChannel");
    need(api.tsx4410_read, "tsx4410_read");
    bind(api.tsx4410_readAsync, "tsx4410_readAsync");
    need(api.tsx4410_reset, "tsx4410_reset");
    bind(api.tsx4410_revision_query, "tsx4410_revision_query");
    need(api.tsx4410_self_test, "tsx4410_self_test");
    bind(api.tsx4410_setAttribute, "tsx4410_setAttribute");
    need(api.tsx4410_setProperty, "tsx4410_setProperty");
    bind(api.tsx4410_terminate, "tsx4410_terminate");
    need(api.tsx4410_write, "tsx4410_write");
    bind(api.tsx4410_writeAsync, "tsx4410_writeAsync");
    return api;
}
