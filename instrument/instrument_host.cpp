#include "instrument/instrument_host.h"

namespace {
CInstrumentHost* g_host = nullptr;
}

CInstrumentHost* CInstrumentHost::Get() { return g_host; }

CInstrumentDriver* CInstrumentHost::CurrentDriver() { return g_host ? g_host->Driver() : nullptr; }

CInstrumentHost::CInstrumentHost() { g_host = this; }

CInstrumentHost::~CInstrumentHost()
{
    if (g_host == this)
        g_host = nullptr;
}
