// The transfer text box as a widget: keys, what it shows, and everything
// that must not alter its text.
#include "controls/transfer_edit.h"
#include "platform/dialog_template.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

// A box the size of the Main Panel's, in its font.
std::unique_ptr<CTransferEdit> ActiveBox(int kind)
{
    auto box = std::make_unique<CTransferEdit>(1, kind);
    box->setFont(TemplateFont(QStringLiteral("Arial"), 10));
    box->resize(112, 24);
    box->HideCaret();
    box->Activate();
    return box;
}

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
}

void Type(QWidget* w, const QString& text)
{
    for (QChar c : text)
        Key(w, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

std::string TakeAll(CTransferEdit& box)
{
    char out[64];
    return std::string(out, static_cast<std::size_t>(box.TakePending(out, 64)));
}

// Where Qt puts the cursor at the end of the text; Qt works out its
// scrolling when it paints, so paint first.
int EndX(QLineEdit& box)
{
    box.setCursorPosition(box.text().size());
    box.grab();
    return box.inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
}

// The box shows the longest ending of `all` that fits, and Qt does not
// scroll it: its end lies one text width right of the empty box's.
void ExpectLongestEndingThatFits(CTransferEdit& box, const QString& all, int emptyEndX)
{
    const QFontMetrics fm(box.font());
    const QString shown = box.text();
    ASSERT_TRUE(all.endsWith(shown)) << shown.toStdString();
    ASSERT_LT(shown.size(), all.size());
    EXPECT_GT(fm.horizontalAdvance(all.right(shown.size() + 1)), box.AvailableTextWidth());
    EXPECT_EQ(EndX(box), emptyEndX + fm.horizontalAdvance(shown)) << shown.toStdString();
}

TEST(TransferEdit, BothKindsShowTheLongestEndingThatFits)
{
    const QByteArray all = "WWWWWWWWWWiiiiiiiiiiABCDEFGHIJKLMNOPQRSTUVWXYZ"; // 46
    auto rx = ActiveBox(CTransferEdit::Receive);
    const int emptyEndX = EndX(*rx);
    rx->AppendReceived(all.constData(), 20);
    rx->AppendReceived(all.constData() + 20, 25);
    ExpectLongestEndingThatFits(*rx, QString::fromLatin1(all.mid(5, 40)), emptyEndX);

    auto tx = ActiveBox(CTransferEdit::Transmit);
    Type(tx.get(), QString::fromLatin1(all.left(45)));
    EXPECT_EQ(TakeAll(*tx), all.left(39).toStdString());
    // Sent characters stay on show.
    ExpectLongestEndingThatFits(*tx, QString::fromLatin1(all.left(39)), emptyEndX);
}

TEST(TransferEdit, ControlKeysAreStoredAndSentButNotShown)
{
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        QString text;
        char stored; // -1: nothing stored
    } cases[] = {
        {Qt::Key_Return, Qt::NoModifier, "\r", 13},     {Qt::Key_Enter, Qt::KeypadModifier, "\r", 13},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", 8},   {Qt::Key_V, Qt::ControlModifier, "", 22},
        {Qt::Key_Z, Qt::ControlModifier, "", 26},       {Qt::Key_E, Qt::NoModifier, QString(QChar(0xE9)), '\xE9'},
        {Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), -1}, {Qt::Key_Delete, Qt::NoModifier, "\x7f", -1},
    };
    for (const auto& c : cases) {
        auto box = ActiveBox(CTransferEdit::Transmit);
        QApplication::clipboard()->setText(QStringLiteral("PASTED"));
        Type(box.get(), QStringLiteral("ab"));
        Key(box.get(), c.key, c.mods, c.text);
        Type(box.get(), QStringLiteral("c"));
        const std::string sent = c.stored == -1 ? "abc" : std::string("ab") + c.stored + "c";
        EXPECT_EQ(TakeAll(*box), sent) << c.key;
        // Bytes from 128 up, like control characters, are kept but not shown.
        EXPECT_EQ(box->text(), QStringLiteral("abc")) << c.key;
    }
}

TEST(TransferEdit, NoTypingBeforeActivateNorIntoAReceiveBox)
{
    CTransferEdit tx(0, CTransferEdit::Transmit);
    // Attaching copies a template control's enabled state; that must not let
    // keys in before the channel activates the box.
    tx.setEnabled(true);
    EXPECT_FALSE(tx.isEnabled());
    Type(&tx, QStringLiteral("abc"));
    tx.Activate();
    EXPECT_TRUE(tx.isEnabled());
    EXPECT_FALSE(tx.HasPending());
    Type(&tx, QStringLiteral("hi"));
    tx.Deactivate();
    EXPECT_FALSE(tx.isEnabled());
    EXPECT_EQ(tx.text(), QStringLiteral("hi"));

    auto rx = ActiveBox(CTransferEdit::Receive);
    rx->AppendReceived("in", 2);
    Type(rx.get(), QStringLiteral("xyz"));
    EXPECT_EQ(rx->text(), QStringLiteral("in"));
    EXPECT_FALSE(rx->HasPending());
}

// Nothing but the box's own rules changes what it shows.
TEST(TransferEdit, PasteCutUndoDropAndContextMenuLeaveTheTextAlone)
{
    const std::pair<const char*, std::function<void(CTransferEdit&)>> cases[] = {
        {"paste", [](CTransferEdit& b) { b.paste(); }},
        {"cut", [](CTransferEdit& b) { b.selectAll(); b.cut(); }},
        {"delete", [](CTransferEdit& b) { b.selectAll(); b.del(); }},
        {"undo", [](CTransferEdit& b) { b.undo(); }},
        {"Shift+Insert", [](CTransferEdit& b) { Key(&b, Qt::Key_Insert, Qt::ShiftModifier); }},
        {"drop",
         [](CTransferEdit& b) {
             QMimeData mime;
             mime.setText(QStringLiteral("dropped"));
             QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(&b, &drop);
         }},
        {"middle click",
         [](CTransferEdit& b) {
             QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5),
                                 Qt::MiddleButton, Qt::NoButton, Qt::NoModifier);
             QApplication::sendEvent(&b, &release);
         }},
        {"context menu",
         [](CTransferEdit& b) {
             QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
             QApplication::sendEvent(&b, &menu);
         }},
    };
    for (int kind : {CTransferEdit::Receive, CTransferEdit::Transmit}) {
        for (const auto& [what, act] : cases) {
            auto box = ActiveBox(kind);
            QApplication::clipboard()->setText(QStringLiteral("PASTED"));
            QApplication::clipboard()->setText(QStringLiteral("PASTED"), QClipboard::Selection);
            if (kind == CTransferEdit::Receive)
                box->AppendReceived("abc", 3);
            else
                Type(box.get(), QStringLiteral("abc"));
            act(*box);
            EXPECT_EQ(box->text(), QStringLiteral("abc")) << what << " kind " << kind;
            EXPECT_EQ(TakeAll(*box), kind == CTransferEdit::Transmit ? "abc" : "") << what;
        }
    }
}

} // namespace
