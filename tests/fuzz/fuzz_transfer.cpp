// Typed characters and received byte blocks into the two kinds of transfer
// buffer, checked against a plain model: the transmit ring hands out what was
// typed, oldest first, never more than 39 waiting; the receive window holds
// the last 40 shown characters; what is shown is an ending that fits.
#include "controls/transfer_buffer.h"
#include "fuzz_input.h"

#include <algorithm>
#include <deque>

namespace {

struct Model {
    std::deque<char> pending; // transmit: typed, not yet taken
    std::string received;     // receive: shown characters, last 40

    bool Type(char c)
    {
        const bool room = pending.size() < CTransferBuffer::kSize - 1;
        if (room)
            pending.push_back(c);
        return room;
    }
    void Receive(const std::string& block, int count)
    {
        for (int i = 0; i < count; ++i)
            if (IsShownChar(block[static_cast<std::size_t>(i)]))
                received.push_back(block[static_cast<std::size_t>(i)]);
        received.erase(0, received.size() - std::min<std::size_t>(received.size(), CTransferBuffer::kSize));
    }
    std::string Take(int max)
    {
        std::string out;
        for (; static_cast<int>(out.size()) < max && !pending.empty(); pending.pop_front())
            out.push_back(pending.front());
        return out;
    }
};

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// A block and a count that is its length, shorter, negative or zero; never
// longer than the block (the caller owns that many bytes).
std::pair<std::string, int> Block(FuzzInput& in)
{
    const std::string block = in.Bytes(300);
    const int size = static_cast<int>(block.size());
    switch (in.Byte() % 4) {
    case 0: return {block, size};
    case 1: return {block, size == 0 ? 0 : static_cast<int>(in.Byte()) % (size + 1)};
    case 2: return {block, -static_cast<int>(in.Byte()) - 1};
    default: return {block, 0};
    }
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
    Model model;
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
                model = Model();
            }
        } else if (!transmit) {
            const auto [block, count] = Block(in);
            buffer.AppendReceived(block.data(), count);
            model.Receive(block, count);
            FUZZ_CHECK(buffer.ReceivedText() == model.received);
        } else if (op == 1) {
            const int max = static_cast<std::int8_t>(in.Byte());
            char out[128];
            const int n = buffer.TakePending(out, max);
            FUZZ_CHECK(std::string(out, static_cast<std::size_t>(std::max(n, 0))) == model.Take(max));
        } else {
            const char c = static_cast<char>(in.Byte());
            FUZZ_CHECK(buffer.Type(c) == model.Type(c));
        }
        FUZZ_CHECK(!transmit || (buffer.TypedText().size() < CTransferBuffer::kSize &&
                                 buffer.HasPending() == !model.pending.empty()));
        FUZZ_CHECK(buffer.Fill() >= 0 && buffer.Fill() <= CTransferBuffer::kSize &&
                   buffer.TakePosition() >= 0 && buffer.TakePosition() < CTransferBuffer::kSize &&
                   buffer.DisplayStart() >= 0 && buffer.DisplayStart() < CTransferBuffer::kSize);
    }
    return 0;
}
