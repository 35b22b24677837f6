#include "controls/transfer_edit.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// The one byte a key press carries, or -1 when it carries none the box keeps.
int ByteOfKey(const QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    // Alt with a key is a menu shortcut, never typed input. AltGr arrives as
    // Ctrl+Alt or as the group switch and still types its character.
    if ((mods & Qt::AltModifier) && !(mods & (Qt::ControlModifier | Qt::GroupSwitchModifier)))
        return -1;
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key >= Qt::Key_A &&
        key <= Qt::Key_Z)
        return key - Qt::Key_A + 1; // Ctrl+A is 1 ... Ctrl+V is 22 ... Ctrl+Z is 26
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Delete:
        return -1; // a key, not a character
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() != 1)
        return -1;
    const char16_t u = text.at(0).unicode();
    return u <= 0xFF ? static_cast<int>(u) : -1;
}

} // namespace

CTransferEdit::CTransferEdit(int channelIndex, int kind)
    : QLineEdit(nullptr), m_nChannel(channelIndex), m_buffer(kind)
{
    // Read-only to Qt's own editing, so no paste, cut, undo, drop or input
    // method can reach the text; typed keys are handled below instead.
    setReadOnly(true);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setEnabled(false);
    // Qt's editing slots (paste, cut, del, insert, undo) ignore read-only
    // when called from code; whatever they do is put back at once.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& now) {
        if (now != m_strShown)
            setText(m_strShown);
    });
}

void CTransferEdit::Activate()
{
    m_buffer.Reset();
    m_bActive = true;
    setEnabled(true);
    m_strShown.clear();
    setText(m_strShown);
}

void CTransferEdit::Deactivate()
{
    m_bActive = false;
    setEnabled(false);
}

void CTransferEdit::AppendReceived(const char* data, int count)
{
    if (Kind() != Receive || data == nullptr || count <= 0)
        return;
    m_buffer.AppendReceived(data, count);
    ShowFittingText();
}

bool CTransferEdit::HasPending() const
{
    return Kind() == Transmit && m_buffer.HasPending();
}

int CTransferEdit::TakePending(char* out, int max)
{
    if (Kind() != Transmit)
        return 0;
    return m_buffer.TakePending(out, max);
}

void CTransferEdit::HideCaret()
{
    // A read-only line edit draws no cursor; keep it that way for good.
    setReadOnly(true);
    setCursorPosition(text().size());
}

void CTransferEdit::OnChar(char c)
{
    if (Kind() != Transmit)
        return;
    m_buffer.Type(c); // a full ring drops the character without a sound
    // Refreshed on every key, dropped and control characters included.
    ShowFittingText();
}

int CTransferEdit::AvailableTextWidth() const
{
    // The room QLineEdit really draws in: its contents rectangle less the
    // text margins and its own two-pixel margins on either side, less the
    // pixel it keeps for the cursor and the font's overhanging bearings.
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    r = r.marginsRemoved(textMargins());
    const QFontMetrics fm(font());
    const int bearings = qMax(0, -fm.minLeftBearing()) + qMax(0, -fm.minRightBearing());
    constexpr int kLineEditMargin = 2;
    return r.width() - 2 * kLineEditMargin - 1 - bearings;
}

void CTransferEdit::ShowFittingText()
{
    const QFontMetrics fm(font());
    const TextMeasure measure = [&fm](const std::string& s) {
        return fm.horizontalAdvance(QString::fromLatin1(s.data(), static_cast<int>(s.size())));
    };
    const std::string shown = m_buffer.ShownText(AvailableTextWidth(), measure);
    m_strShown = QString::fromLatin1(shown.data(), static_cast<int>(shown.size()));
    setText(m_strShown);
}

void CTransferEdit::keyPressEvent(QKeyEvent* event)
{
    // Tab and Shift+Tab keep moving the focus between the dialog's controls.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_bActive)
        return;
    const int byte = ByteOfKey(event);
    if (byte >= 0)
        OnChar(static_cast<char>(byte));
}

void CTransferEdit::inputMethodEvent(QInputMethodEvent* event) { event->ignore(); }

void CTransferEdit::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void CTransferEdit::dragEnterEvent(QDragEnterEvent* event) { event->ignore(); }

void CTransferEdit::dragMoveEvent(QDragMoveEvent* event) { event->ignore(); }

void CTransferEdit::dropEvent(QDropEvent* event) { event->ignore(); }

void CTransferEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button would paste the selection; nothing pastes here.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CTransferEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    // Attaching to a template control copies the placeholder's enabled state;
    // the box still takes no typed characters until the channel activates it.
    if (event->type() == QEvent::EnabledChange && isEnabled() && !m_bActive)
        setEnabled(false);
}
