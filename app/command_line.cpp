#include "app/command_line.h"

QString CommandLineTail(const QStringList& arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

namespace {
QString Option(QChar lead, QChar letter)
{
    return QString(lead) + letter;
}
} // namespace

bool HasOption(const QString& lowerLine, QChar letter)
{
    return lowerLine.contains(Option(QLatin1Char('/'), letter)) ||
           lowerLine.contains(Option(QLatin1Char('-'), letter));
}

QString OptionValue(const QString& lowerLine, QChar letter, bool* found)
{
    int pos = lowerLine.indexOf(Option(QLatin1Char('/'), letter));
    if (pos < 0)
        pos = lowerLine.indexOf(Option(QLatin1Char('-'), letter));
    if (found)
        *found = pos >= 0;
    if (pos < 0)
        return QString();
    int start = pos + 2;
    while (start < lowerLine.size() && lowerLine.at(start) == QLatin1Char(' '))
        ++start;
    int end = lowerLine.indexOf(QLatin1Char(' '), start);
    if (end < 0)
        end = lowerLine.size();
    return lowerLine.mid(start, end - start);
}

CommandLineOptions ScanCommandLine(const QString& tail)
{
    const QString lower = tail.toLower();
    CommandLineOptions options;
    options.dFlag = HasOption(lower, QLatin1Char('d')) ? 1 : 0;
    bool found = false;
    options.labelFile = OptionValue(lower, QLatin1Char('l'), &found);
    if (!found)
        options.labelFile = QStringLiteral("tsx4410.lbl");
    return options;
}
