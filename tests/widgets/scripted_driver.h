#pragma once
// A loopback access object whose channel operations can be made to fail the
// way a live one fails, and which logs the calls the panel makes.
#include "instrument/instrument_driver.h"
#include "panels/channel_settings.h"
#include "platform/user_exception.h"

#include <QStringList>
#include <cstring>
#include <functional>
#include <map>

class ScriptedDriver : public CNonLiveDriver {
public:
    // Return true from a hook to make that call fail with `failStatus`.
    std::function<bool(int channel)> failOpen, failBytes, failRead, failWrite, failCanWrite, failConfig;
    std::function<BOOL(int channel)> openResult;            // overrides the open's result
    std::function<std::int32_t(int channel)> waitingCount;  // overrides BytesAvailable
    ViStatus failStatus = -1073807298;
    QStringList calls;
    std::map<int, ConfigRecord> written;                    // property 30 per channel
    std::map<int, int> readAsked;                           // last count asked per channel

    BOOL OpenChannel(int ch) override
    {
        Log("open", ch);
        Check(failOpen, ch);
        return openResult ? openResult(ch) : TRUE;
    }
    BOOL CloseChannel(int ch) override
    {
        Log("close", ch);
        return TRUE;
    }
    BOOL GetChannelProperty(int ch, int property, void* value) override
    {
        Check(failConfig, ch);
        return CNonLiveDriver::GetChannelProperty(ch, property, value);
    }
    BOOL SetChannelProperty(int ch, int property, void* value) override
    {
        if (property == 30)
            std::memcpy(written[ch].data(), value, kConfigRecordSize);
        return TRUE;
    }
    std::int32_t BytesAvailable(int ch) override
    {
        Log("bytes", ch);
        Check(failBytes, ch);
        return waitingCount ? waitingCount(ch) : CNonLiveDriver::BytesAvailable(ch);
    }
    void ReadChannel(int ch, char* buffer, int count, std::uint32_t* read) override
    {
        Log("read", ch);
        readAsked[ch] = count;
        Check(failRead, ch);
        if (waitingCount) {
            std::memset(buffer, 'r', static_cast<std::size_t>(count));
            return;
        }
        CNonLiveDriver::ReadChannel(ch, buffer, count, read);
    }
    BOOL CanWrite(int ch) override
    {
        Check(failCanWrite, ch);
        return TRUE;
    }
    void WriteChannel(int ch, const char* bytes, int count) override
    {
        Log("write", ch);
        Check(failWrite, ch);
        CNonLiveDriver::WriteChannel(ch, bytes, count);
    }
    ViStatus LastStatus() override { return m_status; }
    void ErrorMessage(ViStatus, QString& message) override
    {
        message = QStringLiteral("write refused");
        m_status = 0;
    }

private:
    void Log(const char* what, int ch) { calls << QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(ch); }
    void Check(const std::function<bool(int)>& hook, int ch)
    {
        if (hook && hook(ch)) {
            m_status = failStatus;
            throw CUserException();
        }
        m_status = 0;
    }
    ViStatus m_status = 0;
};
