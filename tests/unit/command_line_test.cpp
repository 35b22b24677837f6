#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

struct ScanCase {
    const char* tail;
    int dFlag;
    const char* labelFile;
};

class CommandLineScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(CommandLineScan, FindsOptionsAsSubstringsOfTheLowerCasedLine)
{
    const ScanCase& c = GetParam();
    const CommandLineOptions options = ScanCommandLine(QString::fromLatin1(c.tail));
    EXPECT_EQ(options.dFlag, c.dFlag) << c.tail;
    EXPECT_EQ(options.labelFile, QString::fromLatin1(c.labelFile)) << c.tail;
}

INSTANTIATE_TEST_SUITE_P(
    Tails, CommandLineScan,
    ::testing::Values(
        ScanCase{"", 0, "tsx4410.lbl"},
        ScanCase{"-L MyPanel.LBL", 0, "mypanel.lbl"},
        ScanCase{"-lfoo.lbl", 0, "foo.lbl"},
        ScanCase{"-l    foo.lbl  bar", 0, "foo.lbl"},
        ScanCase{"x -l", 0, ""},
        ScanCase{"-l", 0, ""},
        ScanCase{"-l b.lbl /l a.lbl", 0, "a.lbl"},
        ScanCase{"/l a.lbl -l b.lbl", 0, "a.lbl"},
        ScanCase{"-l\tfoo.lbl", 0, "\tfoo.lbl"},
        ScanCase{"-display :0", 1, "tsx4410.lbl"},
        ScanCase{"/D", 1, "tsx4410.lbl"},
        ScanCase{"c:/lib/x.lbl", 0, "ib/x.lbl"},
        ScanCase{"-d -l name", 1, "name"},
        ScanCase{"plain words only", 0, "tsx4410.lbl"}));

TEST(CommandLineTail, DropsTheProgramNameAndJoinsWithSingleBlanks)
{
    EXPECT_EQ(CommandLineTail({"prog"}), QString());
    EXPECT_EQ(CommandLineTail({"prog", "-l", "a b.lbl", "-n"}), QStringLiteral("-l a b.lbl -n"));
}

TEST(OptionValue, SlashFormWinsWhereverItStandsAndReportsPresence)
{
    bool found = false;
    EXPECT_EQ(OptionValue(QStringLiteral("-a gpib0::7 /a vxi0::24::instr"), QLatin1Char('a'), &found),
              QStringLiteral("vxi0::24::instr"));
    EXPECT_TRUE(found);
    EXPECT_EQ(OptionValue(QStringLiteral("nothing"), QLatin1Char('a'), &found), QString());
    EXPECT_FALSE(found);
    EXPECT_TRUE(HasOption(QStringLiteral("c:/tmp/run.lbl"), QLatin1Char('r')));
    EXPECT_FALSE(HasOption(QStringLiteral("abc"), QLatin1Char('n')));
}

} // namespace
