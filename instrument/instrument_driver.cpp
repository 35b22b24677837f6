#include "instrument/instrument_driver.h"

#include "platform/modal_runner.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"

#include <algorithm>
#include <cstring>

CInstrumentDriver::~CInstrumentDriver() = default;

void CInstrumentDriver::Reset() {}
void CInstrumentDriver::SelfTest(QString&) {}
void CInstrumentDriver::Close() {}
std::uint16_t CInstrumentDriver::ReadStatusByte() { return 0; }
void CInstrumentDriver::ErrorMessage(ViStatus, QString& message) { message = QStringLiteral("None"); }

void CInstrumentDriver::ErrorQuery(std::int32_t& code, QString& message)
{
    code = 0;
    message = QStringLiteral("None");
}

ViStatus CInstrumentDriver::LastStatus() { return VI_SUCCESS; }
int CInstrumentDriver::GetSlot() { return -1; }
int CInstrumentDriver::GetLogicalAddress() { return -1; }
QString CInstrumentDriver::GetAddressText() { return QStringLiteral("Addr Unknown"); }
QString CInstrumentDriver::GetLabelFileName() { return QStringLiteral("tsx4410.lbl"); }
BOOL CInstrumentDriver::GetChannelProperty(int, int, void*) { return TRUE; }
BOOL CInstrumentDriver::SetChannelProperty(int, int, void*) { return TRUE; }
BOOL CInstrumentDriver::OpenChannel(int) { return TRUE; }
BOOL CInstrumentDriver::CloseChannel(int) { return TRUE; }

void CInstrumentDriver::WriteChannel(int channel, const char* bytes, int count, std::uint32_t* written)
{
    if (written)
        *written = 0;
    if (!ValidChannel(channel) || bytes == nullptr || count <= 0)
        return;
    std::int32_t& held = m_held[channel - 1];
    // A write that would pass the buffer's end keeps what fits and drops the
    // rest; the poll reads everything before it writes at most 64 bytes, so
    // this never happens in the program itself.
    const int room = kLoopbackSize - held;
    const int n = std::min(count, room);
    if (n <= 0)
        return;
    std::memcpy(&m_loopback[channel - 1][held], bytes, static_cast<std::size_t>(n));
    held += n;
    if (written)
        *written = static_cast<std::uint32_t>(n);
}

void CInstrumentDriver::ReadChannel(int channel, char* buffer, int count, std::uint32_t*)
{
    if (!ValidChannel(channel) || buffer == nullptr || count <= 0)
        return;
    std::int32_t& held = m_held[channel - 1];
    unsigned char* data = m_loopback[channel - 1];
    // Hands out at most what is held. Whatever the caller leaves behind moves
    // to the front, so a partial read keeps the queue in order.
    const int n = std::min(count, static_cast<int>(held));
    std::memcpy(buffer, data, static_cast<std::size_t>(n));
    std::memmove(data, data + n, static_cast<std::size_t>(held - n));
    held -= n;
}

void CInstrumentDriver::BeginTest()
{
    std::fill(std::begin(m_held), std::end(m_held), 0);
}

void CInstrumentDriver::EndTest() {}

std::int32_t CInstrumentDriver::BytesAvailable(int channel)
{
    return ValidChannel(channel) ? m_held[channel - 1] : 0;
}

BOOL CInstrumentDriver::CanWrite(int) { return TRUE; }

void CNonLiveDriver::Reset() { SfpMessageBox(LoadString(IDS_NONLIVE_RESET)); }

void CNonLiveDriver::SelfTest(QString& result) { result = LoadString(IDS_NONLIVE_SELFTEST); }
