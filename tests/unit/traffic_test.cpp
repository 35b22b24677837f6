// The Traffic window's model: the pattern checker's counting, the log's bounds and texts, rates.
#include "panels/traffic/log_file_writer.h"
#include "panels/traffic/pattern.h"
#include "panels/traffic/traffic_log.h"
#include "panels/traffic/traffic_stats.h"
#include "panels/traffic/traffic_window.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// At offset `at` of the stream sent: 'd' drop n, 'c' corrupt n, 'r' send the n bytes before `at` again, 'x' n extra.
struct Edit { std::uint64_t at; char op; int n; };

// The stream [0, length) as a faulty line would deliver it.
std::string Deliver(const PatternSpec& spec, std::uint64_t length, const std::vector<Edit>& edits)
{
    std::string out;
    std::size_t next = 0;
    for (std::uint64_t i = 0; i < length; ++i) {
        const Edit* e = next < edits.size() && edits[next].at == i ? &edits[next++] : nullptr;
        if (e && e->op == 'r')
            out += PatternBytes(spec, i - static_cast<std::uint64_t>(e->n), static_cast<std::size_t>(e->n));
        if (e && e->op == 'x')
            out += std::string(static_cast<std::size_t>(e->n), '\xA5');
        if (e && e->op == 'd') {
            i += static_cast<std::uint64_t>(e->n) - 1;
            continue;
        }
        const std::string bytes
            = PatternBytes(spec, i, e && e->op == 'c' ? static_cast<std::size_t>(e->n) : 1);
        for (char c : bytes)
            out += e && e->op == 'c' ? static_cast<char>(c ^ 0x5A) : c;
        i += bytes.size() - 1;
    }
    return out;
}

} // namespace

TEST(PatternChecker, CountsEachFaultOnceAndFindsItsPlaceAgain)
{
    PatternSpec text;
    text.kind = PatternSpec::TextLine;
    text.text = "ab";
    const struct { const char* name; PatternSpec spec; std::uint64_t length; std::vector<Edit> edits;
        std::uint64_t matched, wrong, missing, repeated, firstAt; } rows[] = {
        { "clean", {}, 5000, {}, 5000, 0, 0, 0, 0 },
        { "dropped", {}, 5000, { { 300, 'd', 1 }, { 1000, 'd', 3 } }, 4996, 0, 4, 0, 300 },
        { "corrupted", {}, 5000, { { 10, 'c', 1 }, { 700, 'c', 2 } }, 4997, 3, 0, 0, 10 },
        { "repeated", {}, 5000, { { 40, 'r', 1 }, { 900, 'r', 5 } }, 5000, 0, 0, 6, 40 },
        { "extra", {}, 2000, { { 77, 'x', 1 } }, 2000, 1, 0, 0, 77 },
        { "lost at the wrap", {}, 2000, { { 255, 'd', 2 }, { 511, 'd', 1 } }, 1997, 0, 3, 0, 255 },
        { "repeated at the wrap", {}, 2000, { { 256, 'r', 1 }, { 1024, 'r', 3 } }, 2000, 0, 0, 4, 256 },
        { "corrupted at the wrap", {}, 2000, { { 255, 'c', 2 } }, 1998, 2, 0, 0, 255 },
        { "a whole line dropped", text, 2200, { { 111, 'd', 11 } }, 2189, 0, 11, 0, 118 }, // "ab 0000" agrees
        { "lines lost, more than it looks ahead", text, 3000, { { 700, 'd', 300 } }, 2700, 0, 300, 0, 700 }, // by number
        { "lines lost, the next line's end garbled", text, 3000, { { 700, 'd', 300 }, { 1010, 'c', 1 } }, 2699, 1, 300, 0, 700 },
        { "lines again from the first, more than it looks behind", text, 3000, { { 1500, 'r', 1500 } }, 3000, 0, 0, 1500, 1500 },
        { "a digit corrupted", text, 2200, { { 5, 'c', 1 }, { 1000, 'r', 2 } }, 2199, 1, 0, 2, 5 },
        { "tail never came", {}, 3000, { { 2990, 'd', 10 } }, 2990, 0, 10, 0, 2990 },
        { "the last two garbled", {}, 3000, { { 2998, 'c', 2 } }, 2998, 2, 0, 0, 2998 },
    };
    for (const auto& row : rows) {
        const std::string got = Deliver(row.spec, row.length, row.edits);
        for (std::size_t chunk : { std::size_t { 1 }, std::size_t { 7 }, got.size() }) {
            CPatternChecker checker(row.spec);
            for (std::size_t at = 0; at < got.size(); at += chunk)
                checker.Feed(got.data() + at, std::min(chunk, got.size() - at));
            checker.Finish(row.length);
            const CheckCounts& c = checker.Counts();
            EXPECT_EQ(std::vector<std::uint64_t>({ c.received, c.matched, c.wrong, c.missing, c.repeated }),
                std::vector<std::uint64_t>({ got.size(), row.matched, row.wrong, row.missing, row.repeated }))
                << row.name << ", chunks of " << chunk;
            EXPECT_EQ(checker.First().found, !row.edits.empty()) << row.name;
            if (checker.First().found) {
                EXPECT_EQ(checker.First().offset, row.firstAt) << row.name;
                EXPECT_EQ(checker.First().expected, PatternBytes(row.spec, row.firstAt, 8)) << row.name;
            }
            EXPECT_EQ(checker.Position(), row.length) << row.name;
        }
    }
    CPatternChecker garbage;
    garbage.Feed("\x01\x05\x09", 3), garbage.Feed(nullptr, 3);
    garbage.Finish(3);
    EXPECT_EQ(garbage.Counts().wrong + garbage.Counts().missing, 3u) << "judged on what there is";
    EXPECT_EQ(garbage.First().received, std::string("\x01\x05\x09"));
}

TEST(PatternGenerator, CountsAndNumbersItsLines)
{
    PatternSpec line;
    line.kind = PatternSpec::TextLine;
    line.text = "Hi";
    CPatternGenerator counting, text(line);
    EXPECT_EQ(HexBytes(counting.Take(3)), "00 01 02");
    EXPECT_EQ(PatternBytes({}, 0x1FE, 3), std::string("\xFE\xFF\x00", 3));
    EXPECT_EQ(text.Take(22), "Hi 000000\r\nHi 000001\r\n");
    EXPECT_EQ(text.Sent(), 22u);
    EXPECT_EQ(PatternBytes(line, 11 * 1234567, 11), "Hi 234567\r\n");
}

TEST(TrafficLog, EscapesTimesAndBounds)
{
    EXPECT_EQ(EscapeBytes(std::string("a\r\n\t\\\x00\x7F\xFF~", 9)), "a\\r\\n\\t\\\\\\x00\\x7F\\xFF~");
    EXPECT_EQ(HexBytes(std::string("\x00\x0D\xAB", 3)), "00 0D AB");
    EXPECT_EQ(
        TimeOfDayText(((13 * 60 + 4) * 60 + 5) * 1000 + 6) + TimeOfDayText(-5) + TimeOfDayText(86400001),
        "13:04:05.00600:00:00.00000:00:00.001");
    EXPECT_EQ(SinceStartText(61005) + SinceStartText(-250) + SinceStartText(0), "+61.005-0.250+0.000");
    TrafficEvent e { 3600000, 1500, 2, TrafficKind::Received, "hi\r\n", 0 };
    EXPECT_EQ(FormatEvent(e, false), "01:00:00.000 +1.500 Ch2 recv 4 'hi\\r\\n'");
    EXPECT_EQ(FormatEvent(e, true), "01:00:00.000 +1.500 Ch2 recv 4 68 69 0D 0A");
    e.kind = TrafficKind::Warning, e.status = 1073479685, e.data = "/dev/pts/3: kept\n";
    EXPECT_EQ(FormatEvent(e, true), "01:00:00.000 +1.500 Ch2 warning 1073479685 /dev/pts/3: kept\\n");
    e.kind = TrafficKind::Sent, e.data = "x";
    EXPECT_EQ(FormatEvent(e, false), "01:00:00.000 +1.500 Ch2 sent 1 'x'");

    CTrafficLog log(3, 10);
    for (int i = 0; i < 5; ++i)
        log.Add({ 0, i, 1, TrafficKind::Sent, std::string(1, static_cast<char>('a' + i)), 0 });
    EXPECT_EQ(std::vector<std::uint64_t>({ log.Size(), log.Dropped(), log.FirstNumber(), log.NextNumber() }),
        std::vector<std::uint64_t>({ 3, 2, 2, 5 }));
    EXPECT_EQ(log.At(0).data + log.At(2).data, "ce");
    log.Add({ 0, 5, 1, TrafficKind::Sent, std::string(9, 'z'), 0 });
    EXPECT_EQ(log.Size() * 100 + log.HeldBytes(), 210u) << "over the byte budget the oldest go";
    log.Add({ 0, 6, 1, TrafficKind::Sent, std::string(20, 'y'), 0 });
    EXPECT_EQ(log.Size() + log.Dropped() * 10, 61u) << "never the newest";
    CTrafficLogModel shown(log); // follows the log: the rows it let go leave the view, new ones come in order
    QAbstractItemModelTester keeps(&shown, QAbstractItemModelTester::FailureReportingMode::Fatal); // and says so
    shown.Sync();
    log.Add({ 0, 7, 1, TrafficKind::Sent, "w", 0 });
    log.Add({ 0, 8, 2, TrafficKind::Received, "v", 0 });
    shown.Sync();
    EXPECT_EQ(shown.rowCount(), 2);
    EXPECT_TRUE(shown.Line(0).endsWith("'w'") && shown.Line(1).endsWith("'v'") && shown.Line(2).isEmpty() && shown.Line(1 << 24).isEmpty());
    log.Clear();
    EXPECT_EQ(log.Size() + log.HeldBytes() + log.FirstNumber(), 9u);
}

TEST(TrafficStats, RatesAndNominalRates)
{
    CRateMeter m;
    EXPECT_EQ(m.Rate(1000), 0);
    for (int t = 0; t < 4000; t += 250)
        m.Add(t, 1000);
    EXPECT_NEAR(m.Rate(3999), 4000, 1);
    m.Add(1800, 5000); // just too old for the window: not counted
    EXPECT_NEAR(m.Rate(3999), 4000, 1);
    m.Add(4000, 0); // a new bucket starts empty
    EXPECT_NEAR(m.Rate(4249), 3500, 1);
    EXPECT_NEAR(m.Rate(4999), 2000, 1);
    EXPECT_EQ(m.Rate(9000), 0);
    m.Reset();
    m.Add(10000, 300);
    EXPECT_NEAR(m.Rate(10500), 600, 1) << "a young meter divides by its own age";
    CRateMeter first;
    first.Add(100, 250);
    EXPECT_NEAR(first.Rate(200), 1000, 1);
    const struct { int baud, data; const char *parity, *stop; double rate; } rows[] = { { 9600, 8, "None", "1", 960 },
        { 38400, 8, "None", "1", 3840 }, { 9600, 7, "Even", "2", 872.727 }, { 9600, 8, "Odd", "1.5", 834.783 },
        { 0, 8, "None", "1", 0 }, { 9600, 0, "None", "1", 0 } };
    for (const auto& r : rows)
        EXPECT_NEAR(NominalBytesPerSecond(r.baud, r.data, r.parity, r.stop), r.rate, 0.01) << r.baud << r.parity;

    PatternReportData d { 3, 4, "38400 8 None 1", {}, 7680, {}, {}, 2000, 3840 };
    d.counts = { 7680, 7679, 1, 0, 0 };
    d.first = { true, 300, std::string("\x2C\x2D", 2), "Z" };
    const std::string report = PatternReport(d);
    for (const char* part : { "channel 3\n", "Settings: 38400 8 None 1\n", "the stream of channel 4\n",
             "Duration: 2.000 s\n", "Sent: 7680 bytes (3840.0 bytes/s)\n", "Wrong: 1\n", "Missing: 0\n",
             "First mismatch: at byte 300, expected 2C 2D, received 5A\n" })
        EXPECT_NE(report.find(part), std::string::npos) << part << " in\n" << report;
}

TEST(LogFileWriter, AStalledDiskHoldsUpNothingLosesNothingAcceptedAndOverflowEndsIt)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int room = fcntl(fds[0], F_GETPIPE_SZ);
    const std::string path = "/dev/fd/" + std::to_string(fds[1]);
    const std::string first(static_cast<std::size_t>(room) + 1000, 'a'), last(CLogFileWriter::kMaxQueued - 2, 'c');
    std::string got;
    std::thread reader;
    {
        CLogFileWriter w;
        ASSERT_TRUE(w.Open(path, nullptr));
        close(fds[1]);
        w.Append(first);
        for (int held = 0; held < room; usleep(1000)) // the writer is stuck on a full pipe
            ASSERT_EQ(ioctl(fds[0], FIONREAD, &held), 0);
        w.Append("b");
        w.Append(last); // exactly the queue's bound: taken
        EXPECT_EQ(w.Error(), "");
        w.Append("d");
        EXPECT_EQ(w.Error(), path + ": the disk does not keep up with the log");
        reader = std::thread([&] {
            usleep(50000); // Sync waits on a writer that is still busy
            char buf[65536];
            for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
                got.append(buf, static_cast<std::size_t>(n));
        });
        w.Sync();
        w.Append("e");
        EXPECT_EQ(w.Error(), path + ": the disk does not keep up with the log") << "the first failure stays";
    }
    reader.join();
    close(fds[0]);
    EXPECT_TRUE(got == first + "\nb\n" + last + "\n") << "what was taken is written, in order";
}
