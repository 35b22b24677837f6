// The transfer text box as a widget: keys, what it shows, and everything
// that must not alter its text.
#include "controls/transfer_edit.h"
#include "platform/dialog_template.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <gtest/gtest.h>

#include <memory>

namespace {

// An active box the size of the Main Panel's, in its font.
std::unique_ptr<CTransferEdit> ActiveBox(int kind)
{
    auto box = std::make_unique<CTransferEdit>(1, kind);
    box->setFont(TemplateFont(QStringLiteral("Arial"), 10));
    box->resize(112, 24);
    box->HideCaret();
    box->Activate();
    return box;
}

void Send(QWidget* w, QEvent&& event) { QApplication::sendEvent(w, &event); }

void Type(QWidget* w, const QString& text)
{
    for (QChar c : text)
        Send(w, QKeyEvent(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c)));
}

std::string TakeAll(CTransferEdit& box)
{
    char out[64];
    return std::string(out, static_cast<std::size_t>(box.TakePending(out, 64)));
}

// Where Qt puts the cursor at the end of the text (Qt scrolls when it paints).
int EndX(QLineEdit& box)
{
    box.setCursorPosition(box.text().size());
    box.grab();
    return box.inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
}

TEST(TransferEdit, BothKindsShowTheLongestEndingThatFitsUnscrolled)
{
    const QByteArray all = "WWWWWWWWWWiiiiiiiiiiABCDEFGHIJKLMNOPQRSTUVWXYZ"; // 46
    auto rx = ActiveBox(CTransferEdit::Receive), tx = ActiveBox(CTransferEdit::Transmit);
    const int emptyEndX = EndX(*rx);
    rx->AppendReceived(all.constData(), 20);
    rx->AppendReceived(all.constData() + 20, 25);
    Type(tx.get(), QString::fromLatin1(all.left(45)));
    EXPECT_EQ(TakeAll(*tx), all.left(39).toStdString()); // the rest did not fit the ring
    for (const auto& [box, kept] : {std::pair{rx.get(), all.mid(5, 40)}, std::pair{tx.get(), all.left(39)}}) {
        const QFontMetrics fm(box->font());
        const QString shown = box->text(), whole = QString::fromLatin1(kept);
        ASSERT_TRUE(whole.endsWith(shown) && shown.size() < whole.size()) << shown.toStdString();
        EXPECT_GT(fm.horizontalAdvance(whole.right(shown.size() + 1)), box->AvailableTextWidth());
        EXPECT_EQ(EndX(*box), emptyEndX + fm.horizontalAdvance(shown)) << shown.toStdString();
    }
}

TEST(TransferEdit, ControlKeysAreStoredAndSentButNotShown)
{
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        QString text;
        int stored; // -1: nothing stored
    } rows[] = {
        {Qt::Key_Return, {}, "\r", 13},  {Qt::Key_Enter, Qt::KeypadModifier, "\r", 13}, {Qt::Key_Backspace, {}, "\b", 8},
        {Qt::Key_V, Qt::ControlModifier, "", 22}, {Qt::Key_Z, Qt::ControlModifier, "", 26}, {Qt::Key_E, {}, QString(QChar(0xE9)), 0xE9},
        {Qt::Key_unknown, {}, QString(QChar(0x20AC)), -1}, {Qt::Key_Delete, {}, "\x7f", -1}, {Qt::Key_F, Qt::AltModifier, "f", -1},
        {Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, QString(QChar(0xE9)), 0xE9}, // AltGr
    };
    for (const auto& r : rows) {
        auto box = ActiveBox(CTransferEdit::Transmit);
        Type(box.get(), QStringLiteral("ab"));
        Send(box.get(), QKeyEvent(QEvent::KeyPress, r.key, r.mods, r.text));
        Type(box.get(), QStringLiteral("c"));
        EXPECT_EQ(TakeAll(*box), r.stored < 0 ? "abc" : "ab" + std::string(1, char(r.stored)) + "c") << r.key;
        EXPECT_EQ(box->text(), QStringLiteral("abc")) << r.key;
    }
}

TEST(TransferEdit, NoTypingBeforeActivateNorIntoAReceiveBox)
{
    CTransferEdit tx(0, CTransferEdit::Transmit);
    tx.setEnabled(true); // as attaching to an enabled placeholder does
    Type(&tx, QStringLiteral("abc"));
    EXPECT_FALSE(tx.isEnabled() || tx.HasPending());
    tx.Activate();
    Type(&tx, QStringLiteral("hi"));
    tx.Deactivate();
    EXPECT_FALSE(tx.isEnabled());
    EXPECT_EQ(tx.text(), QStringLiteral("hi")) << "the text stays on show";
    auto rx = ActiveBox(CTransferEdit::Receive);
    rx->AppendReceived("in", 2);
    Type(rx.get(), QStringLiteral("xyz"));
    EXPECT_EQ(rx->text(), QStringLiteral("in"));
    EXPECT_FALSE(rx->HasPending());
}

// Nothing but the box's own rules changes what it shows.
TEST(TransferEdit, PasteCutDropMiddleClickAndContextMenuLeaveTheTextAlone)
{
    QApplication::clipboard()->setText(QStringLiteral("PASTED"));
    QApplication::clipboard()->setText(QStringLiteral("PASTED"), QClipboard::Selection);
    QMimeData mime;
    mime.setText(QStringLiteral("dropped"));
    for (int kind : {CTransferEdit::Receive, CTransferEdit::Transmit}) {
        auto box = ActiveBox(kind);
        kind == CTransferEdit::Receive ? box->AppendReceived("abc", 3) : Type(box.get(), QStringLiteral("abc"));
        box->paste();
        box->selectAll();
        box->cut();
        Send(box.get(), QKeyEvent(QEvent::KeyPress, Qt::Key_Insert, Qt::ShiftModifier));
        Send(box.get(), QDropEvent(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {}));
        Send(box.get(), QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::MiddleButton, {}, {}));
        Send(box.get(), QContextMenuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5)));
        EXPECT_EQ(box->text(), QStringLiteral("abc")) << kind;
        EXPECT_EQ(TakeAll(*box), kind == CTransferEdit::Transmit ? "abc" : "") << kind;
    }
}

} // namespace
