#pragma once
// The instrument access object: every instrument operation of the program goes
// through one of these. The base holds the defaults (which are the non-live
// behaviour, including the per-channel loopback); the live form overrides the
// operations that reach the driver library.
#include "instrument/status.h"

#include <QString>
#include <cstdint>

class CInstrumentDriver {
public:
    static constexpr int kChannels = 4;
    static constexpr int kLoopbackSize = 256;

    virtual ~CInstrumentDriver();
    CInstrumentDriver(const CInstrumentDriver&) = delete;
    CInstrumentDriver& operator=(const CInstrumentDriver&) = delete;

    virtual void Reset();
    virtual void SelfTest(QString& result);
    virtual void Close();
    virtual std::uint16_t ReadStatusByte();
    virtual void ErrorMessage(ViStatus status, QString& message);
    virtual void ErrorQuery(std::int32_t& code, QString& message);
    virtual ViStatus LastStatus();
    virtual int GetSlot();
    virtual int GetLogicalAddress();
    virtual QString GetAddressText();
    virtual QString GetLabelFileName();
    virtual BOOL GetChannelProperty(int channel, int property, void* value);
    virtual BOOL SetChannelProperty(int channel, int property, void* value);
    virtual BOOL OpenChannel(int channel);
    virtual BOOL CloseChannel(int channel);
    // `written`, when given, receives how many of the bytes the channel took.
    virtual void WriteChannel(int channel, const char* bytes, int count, std::uint32_t* written = nullptr);
    virtual void ReadChannel(int channel, char* buffer, int count, std::uint32_t* bytesRead);
    virtual void BeginTest();
    virtual void EndTest();
    virtual std::int32_t BytesAvailable(int channel);
    virtual BOOL CanWrite(int channel);

    // 1 once the live form holds its driver session, 0 in the non-live form.
    int IsLive() const { return m_bLive; }
    std::uint32_t Session() const { return m_session; }

protected:
    CInstrumentDriver() = default;

    // Channels are numbered 1 to 4; anything else addresses no buffer.
    static bool ValidChannel(int channel) { return channel >= 1 && channel <= kChannels; }

    unsigned char m_loopback[kChannels][kLoopbackSize] = {};
    std::int32_t m_held[kChannels] = {};
    std::uint32_t m_session = 0;
    int m_bLive = 0;
};

// Stands in when no instrument could be reached: every operation succeeds at
// once and each channel loops its transmitted bytes back to its receive side.
class CNonLiveDriver : public CInstrumentDriver {
public:
    CNonLiveDriver() = default;
    void Reset() override;
    void SelfTest(QString& result) override;
};
