// The owner-drawn controls and the transfer box: text placement (pure layout), one pixel test per kind,
// repaint rules, what assistive tools read, and the keys and edits the transfer box takes.
#include "controls/bitmap_static.h"
#include "controls/led_button.h"
#include "controls/led_geometry.h"
#include "controls/text_layout.h"
#include "controls/text_static.h"
#include "controls/transfer_edit.h"
#include "platform/colors.h"
#include "platform/dialog_template.h"
#include "platform/look.h"
#include "resources/bitmap_resources.h"
#include "resources/resource_ids.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <gtest/gtest.h>
#include <QImage>

#include <memory>

namespace {

const QColor kUnpainted(Qt::magenta);

// The control drawn on magenta, without any window background.
QImage Render(QWidget& w, int width, int height)
{
    w.resize(width, height);
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(kUnpainted);
    w.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}

const QColor kFace(192, 192, 192), kWhite(255, 255, 255), kGrey(128, 128, 128);
constexpr COLORREF kField = RGB(255, 255, 255), kInk = RGB(0, 0, 0), kTL = RGB(128, 128, 128), kBR = RGB(250, 250, 250);

TEST(Lamp, DiscInAFaceRingLitUpperLeftShadowedLowerRight)
{
    ApplyDialogColors(); // as the program starts: classic button colours
    constexpr COLORREF kLamp = RGB(0, 255, 0), kBack = RGB(10, 20, 30);
    for (const bool state : {false, true}) {
        for (const QSize size : {QSize(12, 12), QSize(18, 20)}) {
            SCOPED_TRACE(testing::Message() << state << " " << size.width() << "x" << size.height());
            std::unique_ptr<CLedButton> lamp(state ? new CStateLedButton(1, 2, kLamp, kBack) : new CLedButton(kLamp, kBack));
            EXPECT_EQ(QAccessible::queryAccessibleInterface(lamp.get())->role(), QAccessible::Indicator);
            const QImage img = Render(*lamp, size.width(), size.height());
            const LedGeometry g = ComputeLedGeometry({0, 0, size.width(), size.height()}, state ? kLedInsetState : kLedInsetPlain);
            const LedRect& q = g.square;
            const int midX = (q.left + q.right) / 2, midY = (q.top + q.bottom) / 2;
            EXPECT_EQ(QList<QColor>({img.pixelColor(0, 0), img.pixelColor(size.width() - 1, size.height() - 1), img.pixelColor(g.lamp.left, midY),
                                     img.pixelColor(g.lamp.right - 1, midY)}), QList<QColor>({ToQColor(kBack), ToQColor(kBack), kFace, kFace}));
            for (int x = g.lamp.left + 1; x < g.lamp.right - 1; ++x)
                EXPECT_EQ(img.pixelColor(x, midY), ToQColor(kLamp)) << x;
            // Drawn with whole pixels: nothing but the five colours, anywhere.
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    EXPECT_TRUE(QList<QColor>({ToQColor(kBack), kFace, kWhite, kGrey, ToQColor(kLamp)}).contains(img.pixelColor(x, y))) << x << "," << y;
            // Rim: lit on the left and top, in shadow on the right and bottom.
            EXPECT_EQ(QList<QColor>({img.pixelColor(q.left, midY), img.pixelColor(midX, q.top)}), QList<QColor>({kWhite, kWhite}));
            EXPECT_EQ(QList<QColor>({img.pixelColor(q.right - 1, midY), img.pixelColor(midX, q.bottom - 1)}), QList<QColor>({kGrey, kGrey}));
        }
    }
}

// Lamps and text fields repaint inside SetState / SetText; a lamp only when its state changes.
TEST(Controls, RepaintAtOnceAndDescribeTheLampsState)
{
    constexpr COLORREF kLit = RGB(0, 255, 0), kDim = RGB(0, 192, 0), kDark = RGB(0, 128, 0);
    const struct { std::vector<int> calls; int paints, state; COLORREF color; const char* description; } rows[] = {
        {{1}, 0, 1, kDark, "dark"}, {{0, 0}, 1, 0, kLit, "lit"}, {{2}, 1, 2, kDim, "dim"},
        {{7, 7}, 2, 1, kDark, "dark"}, {{-1}, 1, 1, kDark, "dark"}, {{0, 2, 1, 1}, 3, 1, kDark, "dark"}};
    QWidget parent;
    auto* field = new CTextStatic(kField, kInk, kTL, kBR, 1, nullptr, &parent);
    field->setParent(&parent);
    field->setGeometry(20, 0, 100, 20);
    for (const auto& r : rows) {
        auto* lamp = new CStateLedButton(kLit, kDim, kDark, RGB(192, 192, 192));
        lamp->setParent(&parent);
        lamp->setFocusPolicy(Qt::StrongFocus); // as a template button hands it over
        lamp->setGeometry(4, 4, 12, 12);
        lamp->show();
        parent.show();
        QApplication::processEvents();
        EXPECT_FALSE(lamp->focusPolicy() & Qt::ClickFocus) << "a shown lamp takes no focus from a click";
        const int before = lamp->PaintCount(), fieldBefore = field->PaintCount();
        for (int s : r.calls)
            lamp->SetState(s);
        EXPECT_EQ(lamp->PaintCount() - before, r.paints) << r.calls.size();
        EXPECT_EQ(lamp->State(), r.state);
        EXPECT_EQ(lamp->LampColor(), r.color);
        EXPECT_EQ(lamp->accessibleDescription(), QString::fromLatin1(r.description));
        field->SetText(QString::fromLatin1(r.description)); // also when unchanged
        EXPECT_EQ(field->PaintCount(), fieldBefore + 1);
        EXPECT_EQ(field->accessibleName(), QString::fromLatin1(r.description));
        delete lamp;
    }
}

TEST(TextField, LayoutCentresWithTruncationAndStartsAtZeroWhenItDoesNotFit)
{
    const struct { int w, h; bool border; int tw, th; TextRect inner, fill; int x, y; } rows[] = {
        {100, 20, true, 40, 12, {2, 2, 98, 18}, {3, 3, 97, 17}, 30, 4},
        {100, 20, true, 41, 11, {2, 2, 98, 18}, {3, 3, 97, 17}, 29, 4},  // odd slack rounds left/up
        {100, 20, false, 144, 11, {2, 2, 98, 18}, {}, 0, 4},             // too wide: from 0
        {100, 20, true, 20, 16, {2, 2, 98, 18}, {3, 3, 97, 17}, 40, 0},   // as tall as the room: from 0
        {3, 3, true, 0, 0, {2, 2, 1, 1}, {3, 3, 0, 0}, 0, 0}};
    for (const auto& r : rows) {
        const TextFieldLayout l = LayoutTextField(r.w, r.h, r.border, r.tw, r.th);
        EXPECT_TRUE(l.inner == r.inner && l.fill == r.fill) << r.w << "x" << r.h << " " << r.tw;
        EXPECT_EQ(QPoint(l.textX, l.textY), QPoint(r.x, r.y)) << r.tw << "x" << r.th;
    }
}

TEST(TextField, SunkenBorderFilledFieldAndTextAtItsPlaceClipped)
{
    const struct { const char* family; int px; QString text; } rows[] = {
        {"Liberation Sans", 11, "HHHHH"}, {"Liberation Sans", 20, "H"}, {"Liberation Mono", 10, QString(24, 'W')}};
    for (const auto& r : rows) {
        QFont font(QString::fromLatin1(r.family));
        font.setPixelSize(r.px);
        CTextStatic field(kField, kInk, kTL, kBR, 1, &font, nullptr);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(&field)->role(), QAccessible::StaticText); // first control made here
        field.SetText(r.text);
        const QImage img = Render(field, 100, 20);
        const QFontMetrics fm(font);
        const QSize extent(fm.horizontalAdvance(r.text), fm.height());
        const TextFieldLayout l = LayoutTextField(100, 20, true, extent.width(), extent.height());
        // Every pixel: the outermost ring left alone, two-pixel pens along the inner rectangle's edges (the
        // lower-right path drawn last), the fill, and ink only inside the text's box, clipped to the inside.
        const TextRect& e = l.inner;
        QRect ink;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 100; ++x) {
                const auto within = [](int v, int from, int to) { return v >= from && v <= to; };
                const bool br = (within(x, e.right - 1, e.right) && within(y, e.top - 1, e.bottom)) ||
                                (within(y, e.bottom - 1, e.bottom) && within(x, e.left - 1, e.right));
                const bool tl = (within(y, e.top - 1, e.top) && within(x, e.left - 1, e.right)) ||
                                (within(x, e.left - 1, e.left) && within(y, e.top - 1, e.bottom));
                const bool inside = within(x, l.fill.left, l.fill.right - 1) && within(y, l.fill.top, l.fill.bottom - 1);
                const QColor want = br ? ToQColor(kBR) : tl ? ToQColor(kTL) : inside ? ToQColor(kField) : kUnpainted;
                if (inside && img.pixelColor(x, y) != want)
                    ink |= QRect(x, y, 1, 1);
                else if (&r == rows || !inside) { // text that does not fit may cross the border, never the ring
                    EXPECT_TRUE(img.pixelColor(x, y) == want || (&r != rows && want != kUnpainted)) << r.px << ": " << x << "," << y; }
            }
        }
        EXPECT_TRUE(!ink.isEmpty() && QRect(QPoint(l.textX, l.textY), extent).contains(ink)) << r.px;
        bool inked = false; // in the black text colour, not in a pen left over from the border
        for (int y = ink.top(); y <= ink.bottom(); ++y)
            for (int x = ink.left(); x <= ink.right(); ++x)
                inked |= qGray(img.pixel(x, y)) < 64;
        EXPECT_TRUE(inked) << r.px;
    }
    // Too thin for a fill, the field colour plays no part; without a border nothing is drawn.
    CTextStatic field(kField, kInk, kTL, kBR, 1, nullptr, nullptr), other(RGB(1, 2, 3), kInk, kTL, kBR, 1, nullptr, nullptr);
    for (const QSize thin : {QSize(100, 4), QSize(4, 20)})
        EXPECT_EQ(Render(field, thin.width(), thin.height()), Render(other, thin.width(), thin.height())) << thin.width();
    CTextStatic bare(kField, kInk, kTL, kBR, 0, nullptr, nullptr);
    QWidget none;
    EXPECT_EQ(Render(bare, 100, 20), Render(none, 100, 20));
    const QFont system = CTextStatic::SystemFont(); // a field without a font of its own: bold 13 px Arial
    EXPECT_TRUE(system.bold() && system.pixelSize() == 13 && system.family() == "Arial");
}

// Text in columns: a font that is not monospaced, whatever its size is given in, gives way to Liberation Mono at that
// size; one that is (by its advances, whatever its spacing flag says) is kept, and so is the desktop's when it is.
TEST(Fonts, AColumnFontHasEqualAdvancesAtTheSizeAsked)
{
    QFont sans(QStringLiteral("Liberation Sans"), 11), px(QStringLiteral("Liberation Serif")), mono(QStringLiteral("Liberation Mono"), 7);
    px.setPixelSize(15);
    const QFont desktop = MonospaceFont();
    const QString lm = QStringLiteral("Liberation Mono");
    for (const auto& [f, family] : {std::pair(sans, lm), {px, lm}, {mono, lm}, {desktop, desktop.family()}}) {
        const QFont got = MonospaceFont(f);
        const QFontMetrics m(got);
        EXPECT_TRUE(m.horizontalAdvance('i') == m.horizontalAdvance('W') && m.horizontalAdvance('W') == m.horizontalAdvance('0') &&
                    got.pointSizeF() == f.pointSizeF() && got.pixelSize() == f.pixelSize()) << f.family().toStdString();
        EXPECT_EQ(got.family(), family);
    }
}

TEST(Picture, UnscaledFromTheTopLeftCornerClippedByTheControl)
{
    const struct { int id, w, h; QSize bitmap; } rows[] = {{IDB_LOGO, 60, 10, {103, 24}}, {IDB_STANDARDS_LOGO, 90, 60, {77, 41}},
        {0x10000 | IDB_LOGO, 110, 24, {103, 24}} /* 16-bit ids */, {4711, 50, 20, {0, 0}} /* no such bitmap: nothing */};
    for (const auto& r : rows) {
        const QImage bitmap = LoadBitmapResource(r.id & 0xFFFF).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(bitmap.size(), r.bitmap) << r.id;
        CBitmapStatic picture(r.id);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(&picture)->role(), QAccessible::Graphic);
        const QImage img = Render(picture, r.w, r.h);
        for (int y = 0; y < r.h; ++y)
            for (int x = 0; x < r.w; ++x)
                ASSERT_EQ(img.pixelColor(x, y), x < bitmap.width() && y < bitmap.height() ? bitmap.pixelColor(x, y) : kUnpainted)
                    << r.id << " at " << x << "," << y;
    }
}


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

TEST(TransferEdit, ControlKeysAreStoredAndSentButNotShown)
{
    const struct { int key; Qt::KeyboardModifiers mods; QString text; int stored; } rows[] = {
        {Qt::Key_Return, {}, "\r", 13},  {Qt::Key_Enter, Qt::KeypadModifier, "\r", 13}, {Qt::Key_Backspace, {}, "\b", 8},
        {Qt::Key_V, Qt::ControlModifier, "", 22}, {Qt::Key_Z, Qt::ControlModifier, "", 26}, {Qt::Key_E, {}, QString(QChar(0xE9)), 0xE9},
        {Qt::Key_unknown, {}, QString(QChar(0x20AC)), -1}, {Qt::Key_Delete, {}, "\x7f", -1}, {Qt::Key_F, Qt::AltModifier, "f", -1},
        {Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, QString(QChar(0xE9)), 0xE9} /* AltGr */,
        {Qt::Key_E, Qt::AltModifier | Qt::GroupSwitchModifier, QString(QChar(0xE9)), 0xE9} /* AltGr on X11 */};
    for (const auto& r : rows) {
        auto box = ActiveBox(CTransferEdit::Transmit);
        Type(box.get(), QStringLiteral("ab"));
        Send(box.get(), QKeyEvent(QEvent::KeyPress, r.key, r.mods, r.text));
        Type(box.get(), QStringLiteral("c"));
        EXPECT_EQ(TakeAll(*box), r.stored < 0 ? "abc" : "ab" + std::string(1, char(r.stored)) + "c") << r.key;
        EXPECT_EQ(box->text(), QStringLiteral("abc")) << r.key;
    }
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
        if (kind == CTransferEdit::Receive)
            Type(box.get(), QStringLiteral("xyz")); // no typing into a receive box
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
