// A serial line on a pseudo-terminal pair, the test at the far end. (A pseudo-
// terminal keeps the rate and flow flags, but always 8 data bits, no parity.)
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "core/serial_kernel.h"
#include "core/serial_line.h"

namespace {

using sim::SerialLine;
using namespace sim::record_word;

bool Queued(SerialLine& l) { bool q = false; return l.output_queued(&q) == VI_SUCCESS && q; }

struct Pty {
  Pty() {
    char name[64];
    termios t{};  // as it starts (Xon/Xoff on), but echoing nothing back while no line holds it
    EXPECT_TRUE(openpty(&far, &near, name, nullptr, nullptr) == 0 && tcgetattr(near, &t) == 0);
    t.c_lflag &= ~tcflag_t(ECHO);
    EXPECT_EQ(tcsetattr(near, TCSANOW, &t), 0);
    path = name;
  }
  ~Pty() { for (int fd : {near, far}) fd >= 0 && close(fd); }
  // What reaches the far end until 50 ms pass without a byte; calls on `line` meanwhile move its queue.
  std::string Take(SerialLine* line = nullptr) const {
    std::string got;
    char buf[4096];
    pollfd p{far, POLLIN, 0};
    for (ssize_t n = 1; n > 0; got.append(buf, static_cast<std::size_t>(std::max<ssize_t>(n, 0)))) {
      if (line) Queued(*line);
      n = poll(&p, 1, 50) > 0 ? read(far, buf, sizeof buf) : 0;
    }
    return got;
  }
  // Sends from the far end and gives the line's side 20 ms to take it in.
  bool Say(const std::string& s) const {
    const bool sent = write(far, s.data(), s.size()) == ssize_t(s.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return sent;
  }
  int far = -1, near = -1;
  std::string path;
};

sim::ConfigRecord Record(std::initializer_list<std::pair<int, ViInt32>> words = {}) {
  sim::ConfigRecord r = sim::serial_default_record(1);
  for (const auto& [word, value] : words) r[static_cast<std::size_t>(word)] = value;
  return r;
}

bool Written(SerialLine& l, const std::string& s) {
  ViUInt32 n = 0;
  return l.write(reinterpret_cast<const ViByte*>(s.data()), ViUInt32(s.size()), &n) == VI_SUCCESS && n == s.size();
}

std::string Read(SerialLine& line, ViUInt32 count) {
  std::string out(count, '\0');
  ViUInt32 got = 0;
  EXPECT_EQ(line.read(reinterpret_cast<ViByte*>(&out[0]), count, &got), VI_SUCCESS);
  return out.substr(0, got);
}

TEST(SerialLine, BytesCrossBothWaysInOrderInEachMode) {
  std::string big(3000, '\0');  // every byte value, in an order a shuffle would break
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 256);
  // mode, what the far end sends, what the line delivers after writing "w", what the far end gets
  const std::tuple<ViInt32, std::string, std::string, std::string> kModes[] = {
      {0, big, big, "w"}, {1, "a\377c", "a\377c", "a\377cw"}, {2, "abc", "w", ""}, {3, "a\377c", "", "a\377cw"}};
  for (const auto& [mode, sent, delivered, echoed] : kModes) {
    Pty pty;
    SerialLine line(pty.path);
    ASSERT_EQ(line.open(Record({{kMode, mode}}), nullptr), VI_SUCCESS) << line.message();
    EXPECT_EQ(Read(line, 100), "") << "a read returns what is there, also nothing";
    ASSERT_EQ(write(pty.far, sent.data(), sent.size()), ssize_t(sent.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ViUInt32 n = 0;  // LOCAL-LOOP drops the line's input when counting, REMOTE-LOOP echoes it
    EXPECT_TRUE(line.waiting(&n) == VI_SUCCESS && n == (mode < 2 ? sent.size() : 0u)) << mode << ": " << n;
    std::string got = Read(line, std::min<ViUInt32>(n, 1000));
    EXPECT_TRUE(Written(line, "w") && line.waiting(&n) == VI_SUCCESS);
    got += Read(line, n);
    EXPECT_TRUE(got == delivered) << "mode " << mode << ": " << got.size() << " bytes";
    EXPECT_EQ(pty.Take(), echoed) << "mode " << mode;
  }
}

TEST(SerialLine, OpensOnlyATerminalAloneAndPutsTheSettingsFoundBackOnCloseAndAtExit) {
  Pty pty;
  termios found{}, now{};
  tcgetattr(pty.near, &found);
  cfsetspeed(&found, B1200);
  ASSERT_EQ(tcsetattr(pty.near, TCSANOW, &found), 0);
  const auto as_found = [&] {
    return tcgetattr(pty.near, &now) == 0 && now.c_cflag == found.c_cflag && now.c_lflag == found.c_lflag;
  };
  if (fork() == 0)  // a process that exits with the line open leaves it as it found it
    std::exit(SerialLine(pty.path).open(Record({{kRtsCts, 3}}), nullptr) == VI_SUCCESS && !as_found() ? 0 : 1);
  int status = -1;
  EXPECT_TRUE(wait(&status) > 0 && status == 0 && as_found()) << status;
  SerialLine line(pty.path), again(pty.path);
  ASSERT_EQ(line.open(Record({{kRate, 2000}, {kRtsCts, 3}, {kStopBits, 8}}), nullptr),
            TSX4410_WARN_NEAREST_SETTING);
  EXPECT_EQ(line.message(), pty.path + ": 1.5 stop bits: applied 2");
  unsigned rate = 0;
  EXPECT_TRUE(sim::kernel_rate(pty.near, &rate) && rate == 2000) << rate;
  EXPECT_TRUE(!as_found() && (now.c_cflag & (CRTSCTS | CSTOPB)) == (CRTSCTS | CSTOPB));
  EXPECT_EQ(line.configure(Record({{kParity, 0}}), nullptr), TSX4410_WARN_NEAREST_SETTING);
  EXPECT_EQ(line.message(), pty.path + ": the device kept 9600 cflag=CS8|CREAD|CLOCAL iflag=PARMRK raw");
  // Taken; the refusals' texts are the panel's test (a device that cannot be opened).
  EXPECT_EQ(SerialLine(pty.path).open(Record(), nullptr), TSX4410_ERROR_PORT_UNAVAILABLE);
  SerialLine::restore_all();  // the exit handler, with the line still open
  EXPECT_TRUE(as_found());
  ASSERT_EQ(line.configure(Record(), nullptr), VI_SUCCESS);
  line.close();
  EXPECT_TRUE(as_found());
  EXPECT_EQ(again.open(Record(), nullptr), VI_SUCCESS) << "free again once closed";
  again.close();
  { SerialLine brief(pty.path); brief.open(Record(), nullptr); }
  SerialLine::restore_all();  // a line gone is off the list (the sanitizer build sees a stale one)
  // Only a terminal is taken as a line: each setting on /dev/null or a pipe is refused, naming it.
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  for (const std::string& path : {std::string("/dev/null"), "/proc/self/fd/" + std::to_string(ends[1])})
    for (const auto& word : {std::pair{kRate, 2000}, {kRate, 38400}, {kDataBits, 7}, {kParity, 1},
                             {kStopBits, 15}, {kXonXoffOut, 1}, {kRtsCts, 1}, {kDtrDsr, 1}, {kMode, 2}}) {
      SerialLine line(path);
      EXPECT_TRUE(line.open(Record({word}), nullptr) == TSX4410_ERROR_PORT_UNAVAILABLE && !line.is_open() &&
                  line.configure(Record({word}), nullptr) == TSX4410_ERROR_CHANNEL_CLOSED) << path << word.first;
      EXPECT_EQ(line.message(), path + ": not a serial device");
    }
  for (int fd : ends) close(fd);
}

TEST(SerialLine, HangUpOfTheFarEndIsDisconnectedAndEndsAllIo) {
  const std::function<ViStatus(SerialLine&)> kCalls[] = {
      [](SerialLine& l) { ViUInt32 n; return l.waiting(&n); },
      [](SerialLine& l) { bool q; return l.output_queued(&q); },
      [](SerialLine& l) { ViByte b[4]; ViUInt32 n; return l.read(b, 4, &n); },
      [](SerialLine& l) { ViUInt32 n; return l.write(reinterpret_cast<const ViByte*>("x"), 1, &n); }};
  for (const auto& call : kCalls) {
    Pty pty;
    SerialLine line(pty.path);
    ASSERT_EQ(line.open(Record(), nullptr), VI_SUCCESS);
    close(std::exchange(pty.far, -1));
    EXPECT_EQ(call(line), TSX4410_ERROR_PORT_DISCONNECTED);
    EXPECT_EQ(line.message(), pty.path + ": disconnected (the device went away or its other end was closed)");
    // The freed descriptor number goes to a file; no later call may reach it.
    FILE* file = tmpfile();
    for (const auto& again : kCalls) EXPECT_EQ(again(line), TSX4410_ERROR_PORT_DISCONNECTED);
    EXPECT_EQ(lseek(fileno(file), 0, SEEK_END), 0);
    fclose(file);
  }
}

// Flow control and a far end that does not read only delay bytes: each goes
// out once, in order; what cannot be queued is refused, naming the device.
TEST(SerialLine, HeldOutputWaitsInTheQueueAndIsBusyOnlyPastWhatTheLineSendsInAStep) {
  Pty pty;
  SerialLine line(pty.path);
  // rate, stop bits, the whole characters the line sends in 40 ms: that many held is not busy yet
  for (const auto& [rate, stop, step] : {std::tuple{9600, 7, 38}, {9600, 15, 34}, {115200, 7, 460}, {50, 7, 1}}) {
    ASSERT_GE(line.open(Record({{kXonXoffOut, 1}, {kRate, rate}, {kStopBits, stop}}), nullptr), VI_SUCCESS);
    ASSERT_TRUE(pty.Say("\x13"));  // XOFF
    EXPECT_TRUE(Written(line, std::string(step, 'a')) && !Queued(line) && Written(line, "b") && Queued(line)) << rate;
  }
  ASSERT_GE(line.open(Record({{kXonXoffOut, 1}, {kXonXoffIn, 1}, {kRate, 38400}}), nullptr), VI_SUCCESS);
  EXPECT_TRUE(Read(line, 100).empty() && !Queued(line) && pty.Take().empty()) << "reopened: what it held is gone";
  std::string sent(SerialLine::kTransmitBuffer, '\0');
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(pty.Say("\x13") && !Written(line, sent + "x"));
  EXPECT_EQ(line.message(), pty.path + ": a write of 4097 bytes is larger than the 4096-byte transmit buffer");
  EXPECT_TRUE(Written(line, sent) && !Written(line, "xy"));
  EXPECT_EQ(line.message(), pty.path + ": transmit buffer full (4096 bytes held back by flow control or a far end "
                                       "that does not read); 2 bytes not taken");
  ASSERT_TRUE(pty.Say("\x11"));  // XON
  EXPECT_TRUE(pty.Take(&line) == sent);
}

// A close never waits: lines closed together drain side by side, each for what its bytes need at the
// line's rate plus half a second (never over 2 s), then the device is back as found and free again.
TEST(SerialLine, ClosedLinesDrainSideBySideAndAReopenOrTheExitEndsTheirDrain) {
  using Clock = std::chrono::steady_clock;
  const auto ms = [t0 = Clock::now()] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
  };
  // bytes held by XOFF at 9600 bit/s; XON 100 ms after the close; free again in [least, most] ms
  // (the last line's device is opened anew then: [least, most] is how long that open takes)
  const std::tuple<std::size_t, bool, long, long> kLines[] = {
      {10, false, 450, 1500}, {4000, false, 1900, 3000}, {4000, true, 100, 1500}, {4000, false, 0, 250}};
  Pty pty[4];
  std::unique_ptr<SerialLine> line[4];
  termios t{};
  const auto as_found = [&](int i) { return tcgetattr(pty[i].near, &t) == 0 && cfgetospeed(&t) == B1200; };
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(tcgetattr(pty[i].near, &t) == 0 && cfsetspeed(&t, B1200) == 0);
    ASSERT_EQ(tcsetattr(pty[i].near, TCSANOW, &t), 0);
    line[i] = std::make_unique<SerialLine>(pty[i].path);
    ASSERT_GE(line[i]->open(Record({{kXonXoffOut, 1}}), nullptr), VI_SUCCESS);
    ASSERT_TRUE(pty[i].Say("\x13") && Written(*line[i], std::string(std::get<0>(kLines[i]), 'q')));
  }
  const long start = ms();
  for (auto& l : line) l->close();
  EXPECT_LT(ms() - start, 100) << "four closes";
  const pid_t child = fork();  // exits at once, leaving its parent's drains alone: their devices are in use
  if (child == 0) {  // what its exit runs, without a leak checker's own scan at exit
    const bool refused = SerialLine(pty[1].path).open(Record(), nullptr) == TSX4410_ERROR_PORT_UNAVAILABLE;
    SerialLine::restore_all();
    _exit(refused ? 0 : 1);
  }
  int status = -1;
  while (waitpid(child, &status, WNOHANG) == 0 && ms() - start < 3000)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0 && ms() - start < 1500 && !as_found(1)) << status;
  if (!WIFEXITED(status)) kill(child, SIGKILL), waitpid(child, &status, 0);
  long freed[4] = {-1, -1, -1, -1};
  SerialLine again(pty[3].path);  // a new line on a draining device takes it at once, empty
  for (long now = ms(); now - start < 4000 && std::count(freed, freed + 3, -1) > 0; now = ms()) {
    if (freed[3] < 0 && now - start >= 100) {
      ASSERT_TRUE(pty[2].Say("\x11"));
      const long opening = ms();
      ASSERT_GE(again.open(Record(), nullptr), VI_SUCCESS);
      freed[3] = ms() - opening;
      EXPECT_TRUE(Read(again, 100).empty() && !Queued(again) && Written(again, "new"));
    }
    for (int i = 0; i < 3; ++i)
      if (freed[i] < 0 && sim::probe_port(pty[i].path).fault == sim::PortFault::kNone)
        freed[i] = as_found(i) ? ms() - start : -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  for (int i = 0; i < 4; ++i) {
    const auto [bytes, resumed, least, most] = kLines[i];
    EXPECT_TRUE(freed[i] >= least && freed[i] <= most) << i << ": " << freed[i] << " ms";
    EXPECT_EQ(pty[i].Take(), i == 3 ? "new" : resumed ? std::string(bytes, 'q') : "") << i;
  }
  again.close();
  EXPECT_TRUE(as_found(3)) << "the drain put the device back before the reopen found it";
  // The exit waits for a drain still running (of a line since gone), as long as its deadline.
  line[0].reset(new SerialLine(pty[0].path));
  ASSERT_GE(line[0]->open(Record({{kXonXoffOut, 1}}), nullptr), VI_SUCCESS);
  ASSERT_TRUE(pty[0].Say("\x13") && Written(*line[0], "qq"));
  line[0].reset();
  const long closed = ms();
  SerialLine::restore_all();
  EXPECT_TRUE(ms() - closed >= 450 && ms() - closed <= 1500 && as_found(0)) << ms() - closed;
}

TEST(SerialLine, WhatArrivedBeforeAHangUpIsDeliveredFirstAndARefusedRecordChangesNothing) {
  Pty pty;
  SerialLine line(pty.path);
  ASSERT_EQ(line.open(Record({{kRate, 19200}}), nullptr), VI_SUCCESS);
  termios before{}, after{};
  tcgetattr(pty.near, &before);
  EXPECT_EQ(line.configure(Record({{kRate, 1200}, {kMode, 4}}), nullptr), TSX4410_ERROR_PORT_SETTING);
  EXPECT_TRUE(tcgetattr(pty.near, &after) == 0 && cfgetospeed(&after) == B19200 && after.c_cflag == before.c_cflag);
  ASSERT_EQ(write(pty.far, "bye", 3), 3);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(Queued(line));  // any call takes the input in
  close(std::exchange(pty.far, -1));
  ViUInt32 n = 0;
  EXPECT_TRUE(line.waiting(&n) == VI_SUCCESS && n == 3);
  EXPECT_EQ(Read(line, 10), "bye");
  EXPECT_EQ(line.waiting(&n), TSX4410_ERROR_PORT_DISCONNECTED);
}

// A pseudo-terminal marks no errors itself: the marked input is handed in as the device would give it.
TEST(SerialLine, MarkedErrorsFailTheReadThatMeetsThemAndEveryGoodByteComesAroundThem) {
  for (const ViInt32 check : {1, 0}) {
    Pty pty;
    SerialLine line(pty.path);
    ASSERT_GE(line.open(Record({{kParity, 0}, {kParityCheck, check}}), nullptr), 0);
    EXPECT_EQ(line.guessing(), pty.path + ": no error counts from the device (TIOCGICOUNT): a marked byte "
                                          "counts as a parity error when parity is checked, else framing");
    for (const std::string& raw : {std::string("ab\377\0X\377\0\0c\377", 10), std::string("\0\0\377\377d", 5)})
      line.received(raw.data(), raw.size());
    ViUInt32 n = 0, got = 9;
    EXPECT_TRUE(line.waiting(&n) == VI_SUCCESS && n == 7) << n;
    const std::string kind = check ? "1 parity error, 0 framing errors" : "0 parity errors, 1 framing error";
    EXPECT_EQ(Read(line, 1), "a");
    EXPECT_EQ(Read(line, 5), "b");
    ViByte b[8];
    const std::pair<std::string, std::string> kMet[] = {
        {kind + ", 0 overruns, 1 break", "c"}, {"0 parity errors, 0 framing errors, 0 overruns, 1 break", "\377d"}};
    for (const auto& [errors, after] : kMet) {
      EXPECT_TRUE(line.read(b, 8, &got) == TSX4410_ERROR_LINE && got == 0);
      EXPECT_EQ(line.message(), pty.path + ": " + errors);
      EXPECT_EQ(Read(line, 8), after);
    }
    const std::function<void()> kDrops[] = {[&] { line.discard(); }, [&] { line.open(Record(), nullptr); },
                                            [&] { line.configure(Record({{kMode, 1}}), nullptr); }};
    for (const auto& drop : kDrops) {  // each drops what is not yet read, an escape begun included
      line.received("e\377\0\0\377", 5);
      drop();
      line.received("\0\0", 2);
      EXPECT_TRUE(line.waiting(&n) == VI_SUCCESS && n == 2 && Read(line, 4) == std::string(2, '\0')) << n;
    }
  }
}

}  // namespace
