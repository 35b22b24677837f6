// The command-line scan over any text: never an error, and each option's
// value is a blank-free piece of the line that follows the option.
#include "app/command_line.h"
#include "fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString tail = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString lower = tail.toLower();
    const CommandLineOptions options = ScanCommandLine(tail);
    FUZZ_CHECK(options.dFlag == (HasOption(lower, QLatin1Char('d')) ? 1 : 0));
    for (const char letter : {'a', 'd', 'l', 'n', 'r'}) {
        bool found = false;
        const QString value = OptionValue(lower, QLatin1Char(letter), &found);
        FUZZ_CHECK(found == HasOption(lower, QLatin1Char(letter)));
        FUZZ_CHECK(!value.contains(QLatin1Char(' ')) && (found || value.isEmpty()) && lower.contains(value));
        if (letter == 'l')
            FUZZ_CHECK(options.labelFile == (found ? value : QStringLiteral("tsx4410.lbl")));
    }
    // The arguments joined again scan the same way.
    const QStringList args = QStringList{QStringLiteral("tsx4410sfp")} + tail.split(QLatin1Char(' '));
    FUZZ_CHECK(CommandLineTail(args) == tail);
    return 0;
}
