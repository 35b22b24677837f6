#include "instrument/live_driver.h"

#include "instrument/instrument_host.h"
#include "platform/modal_runner.h"
#include "platform/string_table.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"

#include <algorithm>

namespace {

// Calls an entry point, or answers "not supported" when the library lacked
// it: a missing entry point fails like any other driver call.
template <class Fn, class... Args>
ViStatus Invoke(Fn fn, Args... args)
{
    return fn ? fn(args...) : VI_ERROR_NSUP_OPER;
}

} // namespace

CLiveDriver::CLiveDriver(ViSession session, LibraryHandle module)
{
    m_bLive = 1;
    m_session = session;
    m_hModule = module;
    m_api = BindDriverApi(module);
}

CLiveDriver::~CLiveDriver()
{
    CLiveDriver::Close();
    m_strLabelFile.clear();
}

ViStatus CLiveDriver::Record(ViStatus status)
{
    m_lastStatus = status;
    return status;
}

void CLiveDriver::RecordOrThrow(ViStatus status)
{
    if (Record(status) < VI_SUCCESS)
        throw CUserException();
}

void CLiveDriver::Reset()
{
    const ViStatus status = Invoke(m_api.tsx4410_reset, m_session);
    RecordOrThrow(status);
    // A warning is success too, but only a clean reset says so.
    if (status == VI_SUCCESS)
        SfpMessageBox(LoadString(IDS_RESET_OK));
}

void CLiveDriver::SelfTest(QString& result)
{
    result.clear();
    ViInt16 code = 0;
    // One spare zero byte past the driver's 256, so its text always ends.
    char message[kDriverTextSize + 1] = {};
    RecordOrThrow(Invoke(m_api.tsx4410_self_test, m_session, &code, message));
    result = QString::number(code) + QStringLiteral(", ") + ViBufferText(message, kDriverTextSize);
}

void CLiveDriver::Close()
{
    // Whatever close says, the session is gone; its status is not kept.
    Invoke(m_api.tsx4410_close, m_session);
}

std::uint16_t CLiveDriver::ReadStatusByte()
{
    // The driver session is itself a VISA session, so VISA reads its byte.
    auto readStb = reinterpret_cast<ViReadSTBFn>(
        FindEntryPoint(LoadLibraryByName(QString::fromLatin1(kVisaLibraryName)), "viReadSTB"));
    ViUInt16 statusByte = 0;
    Record(Invoke(readStb, m_session, &statusByte));
    return statusByte;
}

void CLiveDriver::ErrorMessage(ViStatus status, QString& message)
{
    message.clear();
    char text[kDriverTextSize + 1] = {};
    const ViStatus own = Record(Invoke(m_api.tsx4410_error_message, m_session, status, text));
    message = ViBufferText(text, kDriverTextSize);
    if (own == VI_ERROR_TMO)
        SfpMessageBox(LoadString(IDS_TIMEOUT));
}

int CLiveDriver::GetSlot()
{
    CInstrumentHost* host = CInstrumentHost::Get();
    return host ? host->InstrumentSlot() : -1;
}

int CLiveDriver::GetLogicalAddress()
{
    CInstrumentHost* host = CInstrumentHost::Get();
    return host ? host->InstrumentLogicalAddress() : -1;
}

QString CLiveDriver::GetLabelFileName()
{
    CInstrumentHost* host = CInstrumentHost::Get();
    m_strLabelFile = host ? host->GetLabelFileName() : QString();
    return m_strLabelFile;
}

BOOL CLiveDriver::GetChannelProperty(int channel, int property, void* value)
{
    RecordOrThrow(Invoke(m_api.tsx4410_getProperty, m_session, channel, property, value));
    return TRUE;
}

BOOL CLiveDriver::SetChannelProperty(int channel, int property, void* value)
{
    RecordOrThrow(Invoke(m_api.tsx4410_setProperty, m_session, channel, property, value));
    return TRUE;
}

BOOL CLiveDriver::OpenChannel(int channel)
{
    RecordOrThrow(Invoke(m_api.tsx4410_openChannel, m_session, channel));
    return TRUE;
}

BOOL CLiveDriver::CloseChannel(int channel)
{
    // Closing runs on the way out too (channel destruction), so it only reports.
    const ViStatus status = Record(Invoke(m_api.tsx4410_closeChannel, m_session, channel));
    return status >= VI_SUCCESS ? TRUE : FALSE;
}

void CLiveDriver::WriteChannel(int channel, const char* bytes, int count, std::uint32_t* written)
{
    ViUInt32 ignored = 0;
    const auto n = static_cast<ViUInt32>(std::max(count, 0));
    RecordOrThrow(Invoke(m_api.tsx4410_write, m_session, channel,
                         reinterpret_cast<const unsigned char*>(bytes), n, written ? written : &ignored));
}

void CLiveDriver::ReadChannel(int channel, char* buffer, int count, std::uint32_t* bytesRead)
{
    ViUInt32 ignored = 0;
    ViInt16 scratch = 0;
    const auto n = static_cast<ViUInt32>(std::max(count, 0));
    RecordOrThrow(Invoke(m_api.tsx4410_read, m_session, channel,
                         reinterpret_cast<unsigned char*>(buffer), n,
                         bytesRead ? bytesRead : &ignored, &scratch));
}

ViInt32 CLiveDriver::ReadIntProperty(int channel, ViInt32 property)
{
    ViInt32 value = 0;
    RecordOrThrow(Invoke(m_api.tsx4410_getProperty, m_session, channel, property,
                         static_cast<void*>(&value)));
    return value;
}

std::int32_t CLiveDriver::BytesAvailable(int channel)
{
    return ReadIntProperty(channel, kPropBytesWaiting);
}

BOOL CLiveDriver::CanWrite(int channel)
{
    return (ReadIntProperty(channel, kPropChannelStatus) & 1) ? FALSE : TRUE;
}
