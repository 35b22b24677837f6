#pragma once
// A pattern test's reads and writes on one channel through the access
// object, each byte and each status recorded as the panel's own are. Its
// calls throw CUserException as the access object's do.
#include <cstddef>
#include <string>

class CInstrumentDriver;
class CTrafficRecorder;

class CPatternLine {
public:
    static constexpr std::size_t kReadBuffer = 4096;

    CPatternLine(CInstrumentDriver& driver, CTrafficRecorder& recorder, int channel)
        : m_driver(driver)
        , m_recorder(recorder)
        , m_channel(channel)
    {
    }
    // What waits on the line, up to the read buffer.
    std::string Read();
    // Whether the channel takes data now.
    bool CanWrite();
    // Writes `bytes`; how many of them the channel took.
    std::size_t Write(const std::string& bytes);
    // The driver's text for its last status (a failure's reason).
    std::string LastError();

private:
    void NoteStatus();

    CInstrumentDriver& m_driver;
    CTrafficRecorder& m_recorder;
    int m_channel;
};
