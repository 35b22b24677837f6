#pragma once
// The command line is one text: options are found as plain substrings of its
// lower-cased copy, anywhere, and nothing on it is ever an error.
#include <QString>
#include <QStringList>

struct CommandLineOptions {
    int dFlag = 0;
    QString labelFile;
};

// The process arguments without the program name, joined by single blanks.
QString CommandLineTail(const QStringList& arguments);

// True when the lower-cased line holds "/x" or "-x" for the letter x.
bool HasOption(const QString& lowerLine, QChar letter);

// The text that follows option x: after "/x" if the line holds one anywhere,
// else after "-x"; blanks (not tabs) skipped, then up to the next blank or
// the end. `found` tells whether the option was there at all.
QString OptionValue(const QString& lowerLine, QChar letter, bool* found = nullptr);

// "-d" sets the flag; "-l name" gives the label file, "tsx4410.lbl" without it.
CommandLineOptions ScanCommandLine(const QString& tail);
