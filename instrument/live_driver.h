#pragma once
// The live form of the instrument access object: each operation that reaches
// the instrument is one call of the module's driver library (the status byte:
// of the VISA library), and the call's status is recorded. A negative status
// from an operation that must succeed abandons the operator's command with a
// CUserException; whoever started the command decides what is shown.
#include "instrument/driver_api.h"
#include "instrument/instrument_driver.h"

class CLiveDriver : public CInstrumentDriver {
public:
    // `session` is what tsx4410_init returned; `module` the loaded driver
    // library, whose entry points are bound here.
    CLiveDriver(ViSession session, LibraryHandle module);
    ~CLiveDriver() override;

    void Reset() override;
    void SelfTest(QString& result) override;
    void Close() override;
    std::uint16_t ReadStatusByte() override;
    void ErrorMessage(ViStatus status, QString& message) override;
    ViStatus LastStatus() override { return m_lastStatus; }
    int GetSlot() override;
    int GetLogicalAddress() override;
    QString GetLabelFileName() override;
    BOOL GetChannelProperty(int channel, int property, void* value) override;
    BOOL SetChannelProperty(int channel, int property, void* value) override;
    BOOL OpenChannel(int channel) override;
    BOOL CloseChannel(int channel) override;
    void WriteChannel(int channel, const char* bytes, int count, std::uint32_t* written = nullptr) override;
    void ReadChannel(int channel, char* buffer, int count, std::uint32_t* bytesRead) override;
    void BeginTest() override {}
    void EndTest() override {}
    std::int32_t BytesAvailable(int channel) override;
    BOOL CanWrite(int channel) override;

    const DriverApi& EntryPoints() const { return m_api; }

private:
    // Records the status of a driver call.
    ViStatus Record(ViStatus status);
    // Records it and abandons the command when it is negative.
    void RecordOrThrow(ViStatus status);
    ViInt32 ReadIntProperty(int channel, ViInt32 property);

    LibraryHandle m_hModule = nullptr;
    DriverApi m_api;
    QString m_strLabelFile;
    ViStatus m_lastStatus = VI_SUCCESS;
};
