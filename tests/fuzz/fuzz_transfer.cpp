// Typed characters and received byte blocks into the two kinds of transfer
// buffer, checked against a plain model: the transmit ring hands out what was
// typed, oldest first, never more than 39 waiting; the receive window holds
// the last 40 shown characters; what is shown is an ending that fits.
#include "controls/transfer_buffer.h"
#include "fuzz_harness.h"

#include <deque>

namespace {

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

} // namespace

// The buffer behind a transfer box, either kind (the input's first byte);
// each kind gets only its own operations, as the box hands them on.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const bool transmit = (in.Byte() & 1) != 0;
    CTransferBuffer buffer(transmit ? CTransferBuffer::Transmit : CTransferBuffer::Receive);
    const TextMeasure measure = [](const std::string& s) { return static_cast<int>(s.size()) * 7; };
    std::deque<char> pending; // the model: typed, not yet taken
    std::string received;     // and the shown characters received, last 40
    while (!in.Empty()) {
        const int op = in.Byte() % 4;
        if (op == 3) {
            const std::uint8_t b = in.Byte();
            const int width = static_cast<std::int8_t>(b) * 3;
            const std::string whole = transmit ? buffer.TypedText() : buffer.ReceivedText();
            const std::string shown = buffer.ShownText(width, measure);
            FUZZ_CHECK(EndsWith(whole, shown) && (shown.empty() || measure(shown) <= width));
            if (b == 0xFF) {
                buffer.Reset();
                pending.clear();
                received.clear();
            }
        } else if (!transmit) {
            // A count that is the block's length, shorter, negative or zero, never longer.
            const std::string block = in.Bytes(300);
            const int kinds[] = {static_cast<int>(block.size()), in.Byte() % (static_cast<int>(block.size()) + 1),
                                 -static_cast<int>(in.Byte()) - 1, 0};
            const int count = kinds[in.Byte() % 4];
            buffer.AppendReceived(block.data(), count);
            for (int i = 0; i < count; ++i)
                if (IsShownChar(block[static_cast<std::size_t>(i)]))
                    received.push_back(block[static_cast<std::size_t>(i)]);
            received.erase(0, received.size() - std::min<std::size_t>(received.size(), CTransferBuffer::kSize));
            FUZZ_CHECK(buffer.ReceivedText() == received);
        } else if (op == 1) {
            const int max = static_cast<std::int8_t>(in.Byte());
            char out[128];
            const int n = buffer.TakePending(out, max);
            std::string taken;
            for (; static_cast<int>(taken.size()) < max && !pending.empty(); pending.pop_front())
                taken.push_back(pending.front());
            FUZZ_CHECK(std::string(out, static_cast<std::size_t>(std::max(n, 0))) == taken);
        } else {
            const char c = static_cast<char>(in.Byte());
            const bool room = pending.size() < CTransferBuffer::kSize - 1;
            if (room)
                pending.push_back(c);
            FUZZ_CHECK(buffer.Type(c) == room);
        }
        FUZZ_CHECK(!transmit || (buffer.TypedText().size() < CTransferBuffer::kSize &&
                                 buffer.HasPending() == !pending.empty()));
    }
    return 0;
}
