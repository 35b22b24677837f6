// The configuration record built from any settings texts and any record the
// driver reported: the words the settings decide carry their codes (-1 for a
// text that is no list item), every other byte stays as the driver gave it.
#include "fuzz_input.h"
#include "panels/channel_settings.h"

#include <set>

namespace {

// A list item most of the time, else any text from the input.
QString Pick(FuzzInput& in, const QStringList& items)
{
    const std::uint8_t b = in.Byte();
    if (b < 200)
        return items[b % items.size()];
    return QString::fromUtf8(in.Bytes(24).c_str());
}

int Expected(int (*lookup)(const QString&), const QStringList& items, const QString& text)
{
    const int code = lookup(text);
    FUZZ_CHECK(items.contains(text) == (code != -1));
    return code;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    ChannelSettings s;
    s.baudRate = Pick(in, BaudRateItems());
    s.dataBits = Pick(in, DataBitsItems());
    s.parity = Pick(in, ParityItems());
    s.stopBits = Pick(in, StopBitsItems());
    s.flowControl = Pick(in, FlowControlItems());
    s.parityCheck = in.I32();
    s.mode = Pick(in, ModeItems());
    ConfigRecord asRead{};
    for (unsigned char& b : asRead)
        b = in.Byte();

    const ConfigRecord record = BuildConfigRecord(asRead, s);

    std::set<int> decided{0, 3, 4, 5, 6, 7, 8, 18, 19, 21, 22};
    FUZZ_CHECK(RecordWord(record, 0) == Expected(LookupMode, ModeItems(), s.mode));
    const int baud = Expected(LookupBaudRate, BaudRateItems(), s.baudRate);
    FUZZ_CHECK(RecordWord(record, 3) == baud && RecordWord(record, 4) == baud);
    FUZZ_CHECK(RecordWord(record, 5) == static_cast<std::int16_t>(s.parityCheck & 0xFFFF));
    FUZZ_CHECK(RecordWord(record, 6) == Expected(LookupParity, ParityItems(), s.parity));
    FUZZ_CHECK(RecordWord(record, 7) == Expected(LookupDataBits, DataBitsItems(), s.dataBits));
    FUZZ_CHECK(RecordWord(record, 8) == Expected(LookupStopBits, StopBitsItems(), s.stopBits));
    FUZZ_CHECK(RecordWord(record, 18) == -1 && RecordWord(record, 19) == -1);
    FUZZ_CHECK(RecordWord(record, 21) == 5 && RecordWord(record, 22) == 1);
    if (s.flowControl == QLatin1String("Xon/Xoff")) {
        FUZZ_CHECK(RecordWord(record, 9) == 1 && RecordWord(record, 10) == 1);
        decided.insert({9, 10});
    } else if (s.flowControl == QLatin1String("RTS/CTS")) {
        FUZZ_CHECK(RecordWord(record, 11) == 3);
        decided.insert(11);
    } else if (s.flowControl == QLatin1String("DTR/DSR")) {
        FUZZ_CHECK(RecordWord(record, 13) == 3);
        decided.insert(13);
    }
    for (int word = 0; word < kConfigRecordSize / 4; ++word)
        if (!decided.count(word))
            FUZZ_CHECK(RecordWord(record, word) == RecordWord(asRead, word));

    // Outside the record there is no word to read.
    const int outside = in.I32();
    if (outside < 0 || outside >= kConfigRecordSize / 4)
        FUZZ_CHECK(RecordWord(record, outside) == 0);
    return 0;
}
