#include "panels/channel_settings.h"

#include <cstring>

namespace {

struct CodeEntry {
    const char* text;
    int code;
};

// The tables are searched in their own order; data bits and stop bits run in
// reverse of the list order, which changes no result since texts are distinct.
constexpr CodeEntry kModeCodes[] = {
    {"NORMAL", 0}, {"AUTO-ECHO", 1}, {"LOCAL-LOOP", 2}, {"REMOTE-LOOP", 3}};
constexpr CodeEntry kBaudRateCodes[] = {
    {"75", 75},     {"110", 110},   {"150", 150},   {"300", 300},     {"600", 600},
    {"1200", 1200}, {"1800", 1800}, {"2000", 2000}, {"2400", 2400},   {"4800", 4800},
    {"9600", 9600}, {"19.2k", 19200}, {"38.4k", 38400}};
constexpr CodeEntry kDataBitsCodes[] = {{"8", 8}, {"7", 7}, {"6", 6}, {"5", 5}};
constexpr CodeEntry kParityCodes[] = {
    {"Even", 0}, {"Odd", 1}, {"Force 0", 2}, {"Force 1", 3}, {"None", 4}};
constexpr CodeEntry kStopBitsCodes[] = {{"2", 15}, {"1.5", 8}, {"1", 7}};

template <std::size_t N>
int Lookup(const CodeEntry (&table)[N], const QString& text)
{
    for (const CodeEntry& entry : table) {
        if (text == QLatin1String(entry.text))
            return entry.code;
    }
    return -1;
}

// Word numbers of the record that Configure writes.
enum RecordWordIndex {
    kWordMode = 0,
    kWordBaud = 3,
    kWordBaudAgain = 4,
    kWordParityCheck = 5,
    kWordParity = 6,
    kWordDataBits = 7,
    kWordStopBits = 8,
    kWordXonXoffA = 9,
    kWordXonXoffB = 10,
    kWordRtsCts = 11,
    kWordDtrDsr = 13,
    kWordFixedA = 18,
    kWordFixedB = 19,
    kWordFive = 21,
    kWordOne = 22,
};

constexpr int kWordCount = kConfigRecordSize / 4;

void SetWord(ConfigRecord& record, int word, std::int32_t value)
{
    if (word < 0 || word >= kWordCount)
        return;
    std::memcpy(record.data() + 4 * word, &value, sizeof value);
}

} // namespace

ChannelSettings DefaultChannelSettings()
{
    return ChannelSettings{QStringLiteral("9600"), QStringLiteral("8"), QStringLiteral("None"),
                           QStringLiteral("1"),    QStringLiteral("None"), 1,
                           QStringLiteral("NORMAL")};
}

const QStringList& ModeItems()
{
    static const QStringList items{"NORMAL", "AUTO-ECHO", "LOCAL-LOOP", "REMOTE-LOOP"};
    return items;
}

const QStringList& BaudRateItems()
{
    static const QStringList items{"75",   "110",  "150",  "300",  "600",   "1200", "1800",
                                   "2000", "2400", "4800", "9600", "19.2k", "38.4k"};
    return items;
}

const QStringList& DataBitsItems()
{
    static const QStringList items{"5", "6", "7", "8"};
    return items;
}

const QStringList& ParityItems()
{
    static const QStringList items{"None", "Odd", "Even", "Force 1", "Force 0"};
    return items;
}

const QStringList& StopBitsItems()
{
    static const QStringList items{"1", "1.5", "2"};
    return items;
}

const QStringList& FlowControlItems()
{
    static const QStringList items{"None", "Xon/Xoff", "RTS/CTS", "DTR/DSR"};
    return items;
}

int LookupMode(const QString& text) { return Lookup(kModeCodes, text); }
int LookupBaudRate(const QString& text) { return Lookup(kBaudRateCodes, text); }
int LookupDataBits(const QString& text) { return Lookup(kDataBitsCodes, text); }
int LookupParity(const QString& text) { return Lookup(kParityCodes, text); }
int LookupStopBits(const QString& text) { return Lookup(kStopBitsCodes, text); }

ConfigRecord BuildConfigRecord(const ConfigRecord& asRead, const ChannelSettings& settings)
{
    ConfigRecord record = asRead;
    const int baud = LookupBaudRate(settings.baudRate);
    SetWord(record, kWordMode, LookupMode(settings.mode));
    SetWord(record, kWordBaud, baud);
    SetWord(record, kWordBaudAgain, baud);
    // The driver keeps the flag in a 16-bit field: only its low half travels,
    // sign-extended to the word.
    SetWord(record, kWordParityCheck, static_cast<std::int16_t>(settings.parityCheck & 0xFFFF));
    SetWord(record, kWordParity, LookupParity(settings.parity));
    SetWord(record, kWordDataBits, LookupDataBits(settings.dataBits));
    SetWord(record, kWordStopBits, LookupStopBits(settings.stopBits));
    // Each flow control switches on its own words only; for "None" the
    // driver's words stay as it reported them.
    if (settings.flowControl == QLatin1String("Xon/Xoff")) {
        SetWord(record, kWordXonXoffA, 1);
        SetWord(record, kWordXonXoffB, 1);
    } else if (settings.flowControl == QLatin1String("RTS/CTS")) {
        SetWord(record, kWordRtsCts, 3);
    } else if (settings.flowControl == QLatin1String("DTR/DSR")) {
        SetWord(record, kWordDtrDsr, 3);
    }
    SetWord(record, kWordFixedA, -1);
    SetWord(record, kWordFixedB, -1);
    SetWord(record, kWordFive, 5);
    SetWord(record, kWordOne, 1);
    return record;
}

std::int32_t RecordWord(const ConfigRecord& record, int word)
{
    if (word < 0 || word >= kWordCount)
        return 0;
    std::int32_t value;
    std::memcpy(&value, record.data() + 4 * word, sizeof value);
    return value;
}
