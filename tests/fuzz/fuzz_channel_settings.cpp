// The configuration record built from any settings texts and any record the
// driver reported: the words the settings decide carry their codes (-1 for a
// text that is no list item), every other word stays as the driver gave it.
#include "fuzz_harness.h"
#include "panels/channel_settings.h"

#include <map>

namespace {

// A list item most of the time, else any text from the input.
QString Pick(FuzzInput& in, const QStringList& items)
{
    const std::uint8_t b = in.Byte();
    return b < 200 ? items[b % items.size()] : QString::fromUtf8(in.Bytes(24).c_str());
}

int Code(int (*lookup)(const QString&), const QStringList& items, const QString& text)
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
    s.parityCheck = static_cast<int>(in.U32());
    s.mode = Pick(in, ModeItems());
    ConfigRecord asRead{};
    for (unsigned char& b : asRead)
        b = in.Byte();
    const ConfigRecord record = BuildConfigRecord(asRead, s);

    const int baud = Code(LookupBaudRate, BaudRateItems(), s.baudRate);
    std::map<int, int> decided{{0, Code(LookupMode, ModeItems(), s.mode)}, {3, baud}, {4, baud},
                               {5, static_cast<std::int16_t>(s.parityCheck & 0xFFFF)},
                               {6, Code(LookupParity, ParityItems(), s.parity)}, {18, -1}, {19, -1}, {21, 5},
                               {7, Code(LookupDataBits, DataBitsItems(), s.dataBits)}, {22, 1},
                               {8, Code(LookupStopBits, StopBitsItems(), s.stopBits)}};
    if (s.flowControl == QLatin1String("Xon/Xoff"))
        decided.insert({{9, 1}, {10, 1}});
    else if (s.flowControl == QLatin1String("RTS/CTS"))
        decided[11] = 3;
    else if (s.flowControl == QLatin1String("DTR/DSR"))
        decided[13] = 3;
    for (int word = 0; word < kConfigRecordSize / 4; ++word)
        FUZZ_CHECK(RecordWord(record, word) == (decided.count(word) ? decided[word] : RecordWord(asRead, word)));

    const int outside = static_cast<int>(in.U32()); // outside the record there is no word to read
    FUZZ_CHECK((outside >= 0 && outside < kConfigRecordSize / 4) || RecordWord(record, outside) == 0);
    return 0;
}
