#pragma once
// One of the module's four serial channels as the Main Panel shows it: its
// Rx, Tx and Err lamps, its Recv and Trans boxes and its four setting labels.
// While the test runs it opens, configures, polls and closes the channel
// through the instrument access object.
#include "instrument/status.h"
#include "panels/channel_settings.h"

#include <QElapsedTimer>
#include <QString>
#include <array>
#include <cstdint>

class CPanelDialog;
class CStateLedButton;
class CTransferEdit;

// The test as the Main Panel announces it: whether it runs, which start this
// is, the time since that start and the settings each channel runs with. Kept
// so that whoever starts watching later learns it without asking a panel.
struct TestRun {
    bool running = false;
    std::uint64_t start = 0; // 1 for the first Start Test, and so on
    QElapsedTimer clock;     // from Start Test
    std::array<ChannelSettings, 4> settings{};
};

// Sees what the channels do: every byte read and written, every driver status
// other than plain success (warnings included), and the test's start and stop.
// There is at most one; with none, a poll costs what it always did. It only
// records: it calls no driver inside a poll.
class CChannelObserver {
public:
    virtual ~CChannelObserver() = default;
    virtual void OnTestStarted(const TestRun& run) = 0; // the channels open next
    virtual void OnTestStopped() = 0;                   // they are about to close
    virtual void OnSent(int channel, const char* bytes, int count) = 0;
    virtual void OnReceived(int channel, const char* bytes, int count) = 0;
    virtual void OnStatus(int channel, ViStatus status) = 0;
    // Channel's failure is about to be reported, and polling stops with it.
    virtual void OnPollStopped(int channel) = 0;
    // While true, the loop test's poll leaves the channel alone (no read, no
    // Trans bytes), so that another user of the line gets every byte.
    virtual bool HoldsChannel(int channel) const = 0;
};

class CChannel {
public:
    // The receive buffer of one poll; a larger waiting count is read over
    // several polls.
    static constexpr int kReceiveBufferSize = 2048;
    // The most characters one poll sends.
    static constexpr int kMaxWrite = 64;

    // Makes the lamps and boxes of channel `number` (1 to 4) and attaches them
    // to the dialog's template controls.
    CChannel(int number, CPanelDialog* dialog);
    virtual ~CChannel();
    CChannel(const CChannel&) = delete;
    CChannel& operator=(const CChannel&) = delete;

    void ShowSettings(const QString& baudRate, const QString& dataBits, const QString& parity,
                      const QString& stopBits, const QString& flowControl, const int& parityCheck);
    // Opens and configures the channel and activates its boxes. A failure of
    // the access object passes to the caller as CUserException.
    void Start();
    // Sends the channel's settings from the Setting Panel's store.
    void Configure();
    // One exchange: the receive step, then the transmit step. False when a
    // failure was reported: polling stops, and this tick polls no other channel.
    bool Poll();
    // Lamps back to idle, boxes deactivated (their texts stay), channel closed.
    void Stop();

    static void SetObserver(CChannelObserver* observer);
    static CChannelObserver* Observer();
    // The Main Panel's word on its test, kept and passed to the observer.
    static void AnnounceTestStarted(const std::array<ChannelSettings, 4>& settings);
    static void AnnounceTestStopped();
    static const TestRun& CurrentRun();
    // Each channel's Trans box shows whether the observer holds its line.
    static void ShowHolds();

    int Number() const { return m_nChannel; }
    int IsOpened() const { return m_bOpened; }
    // The lamps of a channel that could not be started: dim, as a failed open.
    void ShowStartFailed();
    // While another user holds the line, the Trans box takes no typing and
    // says why; what was typed and not yet sent is dropped, not held back.
    void ShowHeld(bool held);
    CStateLedButton* RxLamp() const { return m_pRxLamp; }
    CStateLedButton* TxLamp() const { return m_pTxLamp; }
    CStateLedButton* ErrLamp() const { return m_pErrLamp; }
    CTransferEdit* RecvBox() const { return m_pRecvBox; }
    CTransferEdit* TransBox() const { return m_pTransBox; }

private:
    void SetLabel(int id, const QString& text);
    // Hands the last call's status to the observer unless it was plain success.
    void NoteStatus(CChannelObserver* observer, class CInstrumentDriver* driver) const;
    // The error road for a failed call: observer told, boxes shown, polling stopped.
    void ReportFailure(CChannelObserver* observer, ViStatus status) const;

    CPanelDialog* m_pDialog;
    int m_nChannel;
    CStateLedButton* m_pErrLamp = nullptr;
    CStateLedButton* m_pRxLamp = nullptr;
    CStateLedButton* m_pTxLamp = nullptr;
    CTransferEdit* m_pRecvBox = nullptr;
    CTransferEdit* m_pTransBox = nullptr;
    int m_bOpened = 0;
};

// How many bytes one poll reads when the driver reports `waiting`: all of
// them up to the receive buffer, nothing for a negative (nonsense) count.
int BytesToReadThisPoll(int waiting);
