#pragma once
// One of the module's four serial channels as the Main Panel shows it: its
// Rx, Tx and Err lamps, its Recv and Trans boxes and its four setting labels.
// While the test runs it opens, configures, polls and closes the channel
// through the instrument access object.
#include <QString>

class CPanelDialog;
class CStateLedButton;
class CTransferEdit;

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
    // One exchange: the receive step, then the transmit step.
    void Poll();
    // Lamps back to idle, boxes deactivated (their texts stay), channel closed.
    void Stop();

    int Number() const { return m_nChannel; }
    int IsOpened() const { return m_bOpened; }
    // The lamps of a channel that could not be started: dim, as a failed open.
    void ShowStartFailed();
    CStateLedButton* RxLamp() const { return m_pRxLamp; }
    CStateLedButton* TxLamp() const { return m_pTxLamp; }
    CStateLedButton* ErrLamp() const { return m_pErrLamp; }
    CTransferEdit* RecvBox() const { return m_pRecvBox; }
    CTransferEdit* TransBox() const { return m_pTransBox; }

private:
    void SetLabel(int id, const QString& text);

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
