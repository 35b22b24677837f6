// Typed characters and received byte blocks into the two kinds of transfer
// box, checked against a plain model: the transmit ring hands out what was
// typed, oldest first, never more than 39 waiting; the receive window holds
// the last 40 shown characters; what is shown is an ending that fits.
#include "controls/transfer_buffer.h"
#include "controls/transfer_edit.h"
#include "fuzz_input.h"

#include <QApplication>
#include <QFontMetrics>
#include <deque>
#include <memory>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "fuzz_transfer";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

struct Model {
    std::deque<char> pending;  // transmit: typed, not yet taken
    std::string received;      // receive: shown characters, last 40

    void Type(char c)
    {
        if (pending.size() < CTransferBuffer::kSize - 1)
            pending.push_back(c);
    }
    void Receive(const std::string& block, int count)
    {
        for (int i = 0; i < count && i < static_cast<int>(block.size()); ++i)
            if (IsShownChar(block[static_cast<std::size_t>(i)]))
                received.push_back(block[static_cast<std::size_t>(i)]);
        if (received.size() > CTransferBuffer::kSize)
            received.erase(0, received.size() - CTransferBuffer::kSize);
    }
    std::string Take(int max)
    {
        std::string out;
        while (max > 0 && static_cast<int>(out.size()) < max && !pending.empty()) {
            out.push_back(pending.front());
            pending.pop_front();
        }
        return out;
    }
};

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// A count that is sometimes the block's length, sometimes shorter, negative
// or zero; never longer than the block (the caller owns that many bytes).
int CountFor(FuzzInput& in, const std::string& block)
{
    const int size = static_cast<int>(block.size());
    switch (in.Byte() % 4) {
    case 0: return size;
    case 1: return size == 0 ? 0 : static_cast<int>(in.Byte()) % (size + 1);
    case 2: return -static_cast<int>(in.Byte()) - 1;
    default: return 0;
    }
}

void RunBuffer(FuzzInput& in, int kind)
{
    CTransferBuffer buffer(kind);
    Model model;
    const TextMeasure measure = [](const std::string& s) { return static_cast<int>(s.size()) * 7; };
    // Each kind gets only its own operations, as the box hands them on.
    const bool transmit = kind == CTransferBuffer::Transmit;
    while (!in.Empty()) {
        int op = in.Byte() % 4;
        if (!transmit && op < 2)
            op = 2;
        else if (transmit && op == 2)
            op = 0;
        switch (op) {
        case 0: {
            const char c = static_cast<char>(in.Byte());
            const bool stored = buffer.Type(c);
            FUZZ_CHECK(stored == (model.pending.size() < CTransferBuffer::kSize - 1));
            model.Type(c);
            break;
        }
        case 1: {
            const int max = static_cast<int>(static_cast<std::int8_t>(in.Byte()));
            char out[128];
            const int n = buffer.TakePending(out, max);
            FUZZ_CHECK(std::string(out, static_cast<std::size_t>(std::max(n, 0))) == model.Take(max));
            break;
        }
        case 2: {
            const std::string block = in.Bytes(300);
            const int count = CountFor(in, block);
            buffer.AppendReceived(block.data(), count);
            model.Receive(block, count);
            break;
        }
        default: {
            const std::uint8_t b = in.Byte();
            if (b == 0xFF) {
                buffer.Reset();
                model = Model();
                break;
            }
            const int width = static_cast<int>(static_cast<std::int8_t>(b)) * 3;
            const std::string whole = transmit ? buffer.TypedText() : buffer.ReceivedText();
            const std::string shown = buffer.ShownText(width, measure);
            FUZZ_CHECK(EndsWith(whole, shown));
            FUZZ_CHECK(shown.empty() || measure(shown) <= width);
            break;
        }
        }
        if (transmit)
            FUZZ_CHECK(buffer.HasPending() == !model.pending.empty());
        FUZZ_CHECK(buffer.Fill() >= 0 && buffer.Fill() <= CTransferBuffer::kSize);
        FUZZ_CHECK(buffer.TakePosition() >= 0 && buffer.TakePosition() < CTransferBuffer::kSize);
        FUZZ_CHECK(buffer.DisplayStart() >= 0 && buffer.DisplayStart() < CTransferBuffer::kSize);
        if (!transmit)
            FUZZ_CHECK(buffer.ReceivedText() == model.received);
        else
            FUZZ_CHECK(buffer.TypedText().size() < CTransferBuffer::kSize);
    }
}

// The same stream through the widget: what it shows is an ending of what it
// holds and fits the box.
void RunEdit(FuzzInput& in, int kind)
{
    App();
    CTransferEdit edit(0, kind);
    edit.resize(100, 20);
    edit.Activate();
    Model model;
    while (!in.Empty()) {
        switch (in.Byte() % 4) {
        case 0: {
            const char c = static_cast<char>(in.Byte());
            edit.OnChar(c);
            if (kind == CTransferEdit::Transmit)
                model.Type(c);
            break;
        }
        case 1: {
            const int max = static_cast<int>(static_cast<std::int8_t>(in.Byte()));
            char out[128];
            const int n = edit.TakePending(out, max);
            if (kind == CTransferEdit::Transmit)
                FUZZ_CHECK(std::string(out, static_cast<std::size_t>(std::max(n, 0))) == model.Take(max));
            else
                FUZZ_CHECK(n == 0);
            break;
        }
        case 2: {
            const std::string block = in.Bytes(300);
            const int count = CountFor(in, block);
            edit.AppendReceived(block.data(), count);
            if (kind == CTransferEdit::Receive)
                model.Receive(block, count);
            break;
        }
        default:
            edit.Activate();
            model = Model();
            break;
        }
        const QString shown = edit.text();
        FUZZ_CHECK(shown.size() <= CTransferBuffer::kSize);
        FUZZ_CHECK(shown.isEmpty() || QFontMetrics(edit.font()).horizontalAdvance(shown) <= edit.AvailableTextWidth());
        if (kind == CTransferEdit::Receive)
            FUZZ_CHECK(EndsWith(model.received, shown.toLatin1().toStdString()));
        FUZZ_CHECK(edit.HasPending() == !model.pending.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();
    const int kind = (mode & 1) ? CTransferBuffer::Transmit : CTransferBuffer::Receive;
    if (mode & 0x80)
        RunEdit(in, kind);
    else
        RunBuffer(in, kind);
    return 0;
}
