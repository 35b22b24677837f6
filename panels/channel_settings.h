#pragma once
// The seven line settings of one serial channel, the lists the operator picks
// them from, the codes the instrument receives for them, and the 96-byte
// configuration record (channel property 30) that carries those codes.
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// Always moved in this order: baud rate, data bits, parity, stop bits,
// flow control, parity check, mode. The texts are item texts of the lists.
struct ChannelSettings {
    QString baudRate, dataBits, parity, stopBits, flowControl;
    int parityCheck;
    QString mode;
};

// "9600", "8", "None", "1", "None", parity check 1, "NORMAL".
ChannelSettings DefaultChannelSettings();

// Item texts in the order the Setting Panel's lists show them.
const QStringList& ModeItems();
const QStringList& BaudRateItems();
const QStringList& DataBitsItems();
const QStringList& ParityItems();
const QStringList& StopBitsItems();
const QStringList& FlowControlItems();

// Text to code; whole text, case included. Anything else gives -1.
int LookupMode(const QString& text);
int LookupBaudRate(const QString& text);
int LookupDataBits(const QString& text);
int LookupParity(const QString& text);
int LookupStopBits(const QString& text);

constexpr int kConfigRecordSize = 96;
using ConfigRecord = std::array<unsigned char, kConfigRecordSize>;

// The record to write back: `asRead` with the words the settings decide
// replaced (native byte order); every other byte stays as the driver gave it.
ConfigRecord BuildConfigRecord(const ConfigRecord& asRead, const ChannelSettings& settings);

// Word `word` (byte offset 4 * word) of the record, native byte order; 0 for a
// word outside the record.
std::int32_t RecordWord(const ConfigRecord& record, int word);
