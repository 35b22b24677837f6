#pragma once
// A channel's one-line "Recv" or "Trans" box. The box decides itself what it
// shows: the longest ending of its text that fits its width. The operator's
// keys go to the box's own buffer (transmit kind) or nowhere (receive kind);
// nothing else (paste, cut, undo, drops, the context menu) alters the text.
#include "controls/transfer_buffer.h"

#include <QLineEdit>

class CTransferEdit : public QLineEdit {
    Q_OBJECT
public:
    enum Kind { Receive = 0, Transmit = 1 };

    // Made without a parent and disabled; the channel attaches it to the
    // dialog's edit control and deletes it.
    CTransferEdit(int channelIndex, int kind);

    // Empties the box and lets it take typed characters.
    void Activate();
    // Stops typing into the box; its text stays on show.
    void Deactivate();
    // Receive kind: adds the received bytes; control characters and bytes
    // from 128 up are skipped. A negative count does nothing.
    void AppendReceived(const char* data, int count);
    // Transmit kind: whether typed characters wait to be sent.
    bool HasPending() const;
    // Transmit kind: moves up to `max` waiting characters into `out`, oldest
    // first, and returns how many. The shown text does not change.
    int TakePending(char* out, int max);
    // The box never shows a caret.
    void HideCaret();

    int Kind() const { return m_buffer.Kind(); }
    int ChannelIndex() const { return m_nChannel; }
    bool IsActive() const { return m_bActive; }
    // Width in pixels that the shown text may take without the box scrolling.
    int AvailableTextWidth() const;

    // One typed character, as the single byte it carries.
    void OnChar(char c);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ShowFittingText();

    int m_nChannel;
    CTransferBuffer m_buffer;
    // What the box's own rules last put on show.
    QString m_strShown;
    bool m_bActive = false;
};
