// The Traffic window's model: the pattern checker's counting, the log's bounds and texts, rates.
#include "instrument/driver_api.h"
#include "instrument/instrument_driver.h"
#include "panels/traffic/log_file_writer.h"
#include "panels/traffic/pattern.h"
#include "panels/traffic/traffic_log.h"
#include "panels/traffic/traffic_recorder.h"
#include "panels/traffic/traffic_stats.h"
#include "panels/traffic/traffic_window.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <numeric>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

    PatternReportData d { 3, 4, "38400 8 None 1", {}, 7680, {}, {}, 2000, 3840, false, { 1, 0, 22, 3 } };
    d.counts = { 7488, 7487, 1, 0, 0 };
    d.first = { true, 300, std::string("\x2C\x2D", 2), "Z" };
    std::string report = PatternReport(d);
    for (const char* part : { "Pattern test, channel 3 \u2192 4\n", "Settings: 38400 8 None 1\n",
             "Checks: the stream from channel 3 to channel 4, as channel 4 receives it\n", "Duration: 2.000 s\n",
             "Sent: 7680 bytes (3840.0 bytes/s)\nReceived: 7488 bytes (3744.0 bytes/s, 97.5 % of nominal)\n",
             "Wrong: 1\n", "Missing: 0\n", "Line errors on channel 4: 1 parity, 0 framing, 22 overruns, 3 breaks\n",
             "First mismatch: at byte 300, expected 2C 2D, received 5A\n" })
        EXPECT_NE(report.find(part), std::string::npos) << part << " in\n" << report;
    d.to = 3, d.nominal = 0;
    report = PatternReport(d);
    EXPECT_TRUE(report.find("channel 3 sends, back on itself (loop)\n") != std::string::npos
        && report.find("(3744.0 bytes/s)\n") != std::string::npos) << report;
}

TEST(TrafficRecorder, CountsLineErrorsByKindOnlyFromTheirOwnChannelsText)
{
    struct Texts : CInstrumentDriver {
        std::string text;
        int asked = 0;
        void ErrorMessage(ViStatus, QString& m) override { ++asked, m = QString::fromStdString(text); }
        ViStatus LastStatus() override { return VI_SUCCESS; }
    } driver;
    const std::string two = "channel 2: 1 parity error, 12 framing errors, 0 overruns, 1 break";
    const struct { int channel; ViStatus status; std::string text; LineErrorCounts met; } rows[] = {
        { 2, kDriverErrorLine, two, { 1, 12, 0, 1 } },
        { 1, kDriverErrorLine, two, {} }, // another channel's, read too late for this one's
        { 3, kDriverErrorLine, "/dev/a: b: 0 parity errors, 0 framing errors, 999999999999999999 overruns, 0 breaks",
            { 0, 0, 999999999999999999, 0 } },
        { 3, VI_ERROR_TMO, "channel 3: 1 parity error, 0 framing errors, 0 overruns, 0 breaks", {} },
        { 3, kDriverErrorLine, "channel 3: 1 parity error, 0 framing errors, 0 overruns", {} },
        { 3, kDriverErrorLine, "channel 3: 1 parity error, 0 framing errors, 0 overruns, 0 breaks.", {} },
        { 3, kDriverErrorLine, "channel 3: 1 parity error, 0 framing errors, 0 overruns 0 breaks", {} },
        { 3, kDriverErrorLine, "channel 3: 1 parity error, 0 framing errors, 0 overruns, breaks", {} },
        { 3, kDriverErrorLine, "channel 3: 1 parity error, 0 framing errors, 0 overruns, 0 brakes", {} },
        { 3, kDriverErrorLine, "channel 3 1 parity error, 0 framing errors, 0 overruns, 0 breaks", {} },
        { 3, kDriverErrorLine, "channel 3: 1234567890123456789 parity errors, 0 framing errors, 0 overruns, 0 breaks", {} },
        { 5, kDriverErrorLine, "channel 5: 1 parity error, 0 framing errors, 0 overruns, 0 breaks", {} },
        { 4, 1073676290, "channel 4: 1 parity error, 0 framing errors, 0 overruns, 0 breaks", {} },
        { 4, VI_SUCCESS, "channel 4: 1 parity error, 0 framing errors, 0 overruns, 0 breaks", {} },
    };
    CTrafficRecorder r;
    for (const auto& row : rows)
        EXPECT_TRUE(r.Status(row.channel, row.status, row.text) == row.met) << row.text;
    EXPECT_EQ(r.Log().Size(), 12u);
    EXPECT_EQ(r.Log().At(0).data, two);
    EXPECT_FALSE(r.TextsPending()) << "its text came with it";
    // Two line errors on channel 4 before the texts are read share the driver's one text: counted once.
    driver.text = "channel 4: 0 parity errors, 1 framing error, 0 overruns, 0 breaks";
    r.Status(4, kDriverErrorLine), r.Status(4, kDriverErrorLine), r.Status(1, kDriverErrorLine);
    r.ResolveTexts(&driver);
    EXPECT_EQ(driver.asked, 2) << "once per status and channel";
    EXPECT_EQ(r.Log().At(13).data, driver.text);
    const std::vector<std::vector<std::uint64_t>> want { { 0, 0, 0, 0, 2 }, { 1, 12, 0, 1, 1 },
        { 0, 0, 999999999999999999, 0, 9 }, { 0, 1, 0, 0, 2 } };
    for (int ch = 1; ch <= 4; ++ch) {
        const ChannelCounters& c = r.Counters(ch);
        EXPECT_EQ(std::vector<std::uint64_t>({ c.line.parity, c.line.framing, c.line.overruns, c.line.breaks, c.errors }),
            want[static_cast<std::size_t>(ch - 1)]) << ch;
    }
    EXPECT_EQ(LineErrorsBrief({ 1, 0, 22, 3 }), "P 1 \u00B7 F 0 \u00B7 O 22 \u00B7 B 3");
    for (const LineErrorCounts& one : { LineErrorCounts { 1 }, { 0, 1 }, { 0, 0, 1 }, { 0, 0, 0, 1 } })
        EXPECT_TRUE(one.Any() && !LineErrorCounts().Any());
}

// What `f` returns, if it does within ten seconds: a road that must never wait fails here, not hangs.
template <class F> static auto Within(F f) -> std::optional<decltype(f())>
{
    std::packaged_task<decltype(f())()> task(std::move(f));
    auto result = task.get_future();
    std::thread(std::move(task)).detach(); // left running when stuck
    const bool returned = result.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    return returned ? std::optional(result.get()) : std::nullopt;
}

TEST(LogFileWriter, NeverWaitsOnItsDiskAndTellsWhatDidNotReachIt)
{
    QTemporaryDir dir;
    const std::string at = dir.path().toStdString(), fifo = at + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A FIFO nobody reads yet (making it blocks); one read as lines come (idle when let go); one whose reader
    // leaves; one whose reader never reads: stuck in a line larger than it holds, then "b" and the "c"s fill
    // the queue to the byte and the empty line overflows it.
    const std::vector<std::string> lines { "1", "2", "3" },
        over { std::string(1 << 21, 'a'), "b", std::string(CLogFileWriter::kMaxQueued - 3, 'c'), "" };
    const struct { std::string path; char reader; const std::vector<std::string>& lines; const char* error;
        std::uint64_t lost, queued; } ends[] = { { at + "/events.log", 0, lines, "", 0, 0 },
        { fifo, 0, lines, "", 0, 3 }, { fifo, 'r', lines, "", 0, 0 }, { fifo, 'l', lines, "Broken pipe", 2, 0 },
        { at + "/none/events.log", 0, lines, "No such file or directory", 3, 0 },
        { fifo, 's', over, "the disk does not keep up with the log", 3, 1 } };
    for (const auto& e : ends) {
        int reader = e.reader ? open(fifo.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        auto w = std::make_shared<CLogFileWriter>(); // with what is left running if stuck on it
        ASSERT_EQ(Within([w, path = e.path] { return w->Open(path, nullptr); }), true) << e.path;
        for (const std::string& line : e.lines) {
            w->Append(line);
            for (int held = 0, i = 0; e.reader == 's' && !held && i < 10000; ++i, usleep(1000))
                ioctl(reader, FIONREAD, &held); // the writer has begun the line: what follows waits
            ASSERT_TRUE(e.queued || Within([w] { return w->Sync(), true; })) << e.path;
            if (e.reader == 'l')
                close(std::exchange(reader, -1));
        }
        EXPECT_EQ(w->Error(), *e.error ? e.path + ": " + e.error : "") << e.path;
        EXPECT_EQ(std::make_pair(w->Lost(), w->Queued()), std::make_pair(e.lost, e.queued)) << e.path;
        ASSERT_EQ(Within([w = std::move(w)]() mutable { return w.reset(), true; }), true) << e.path;
        const std::string want = std::accumulate(e.lines.begin(), e.lines.end() - static_cast<long>(e.lost),
            std::string(), [](const std::string& s, const std::string& line) { return s + line + '\n'; });
        const auto all = [path = e.path, reader] { // all it gives until its writer closes it
            const int in = reader >= 0 ? reader : open(path.c_str(), O_RDONLY);
            std::string got, buf(65536, '\0');
            for (ssize_t n = fcntl(in, F_SETFL, 0); (n = read(in, buf.data(), buf.size())) > 0;)
                got.append(buf.data(), static_cast<std::size_t>(n));
            return close(in), got;
        };
        ASSERT_TRUE(e.reader == 'l' || Within(all) == want) << e.path << ": what was not lost, in order";
    }
}
