// A serial line on a pseudo-terminal pair, the test at the far end. (A pseudo-
// terminal keeps the rate and flow flags, but always 8 data bits, no parity.)
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
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
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  // mode, what the far end sends, what the line delivers after writing "w", what the far end gets
  const std::tuple<ViInt32, std::string, std::string, std::string> kModes[] = {
      {0, big, big, "w"}, {1, "abc", "abc", "abcw"}, {2, "abc", "w", ""}, {3, "abc", "", "abcw"}};
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
  EXPECT_EQ(line.message(), pty.path + ": the device kept 9600 cflag=CS8|CREAD|CLOCAL iflag=0 raw");
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
TEST(SerialLine, HeldOutputWaitsInTheQueueAndCloseWaitsForItOnlySoLong) {
  Pty pty;
  SerialLine line(pty.path);
  ASSERT_EQ(line.open(Record({{kXonXoffOut, 1}, {kXonXoffIn, 1}, {kRate, 38400}}), nullptr), VI_SUCCESS);
  ASSERT_EQ(write(pty.far, "\x13", 1), 1);  // XOFF
  EXPECT_TRUE(Written(line, "held") && Queued(line) && pty.Take().empty());
  ASSERT_EQ(write(pty.far, "\x11", 1), 1);  // XON
  EXPECT_TRUE(!Queued(line) && pty.Take() == "held");

  ASSERT_EQ(write(pty.far, "\x13", 1), 1);  // held until the queue is full, then released
  std::string sent;
  for (int i = 0; Written(line, std::string(100, static_cast<char>('a' + i % 26))); ++i)
    sent += std::string(100, static_cast<char>('a' + i % 26));
  EXPECT_EQ(sent.size(), SerialLine::kTransmitBuffer / 100 * 100);
  EXPECT_EQ(line.message(), pty.path + ": transmit buffer full (4000 bytes held back by flow control or a far end "
                                       "that does not read); 100 bytes not taken");
  ASSERT_EQ(write(pty.far, "\x11", 1), 1);
  EXPECT_TRUE(pty.Take(&line) == sent);

  // Close: at most what the bytes need at the line's rate plus half a second, never over 2 s. Reopened,
  // it starts empty both ways and free to send: held, taken in or sent while closed, XOFF: all gone.
  for (const auto& [bytes, least, most] : {std::tuple{10, 450, 900}, std::tuple{4000, 1900, 2600}}) {
    ASSERT_EQ(line.open(Record({{kXonXoffOut, 1}, {kXonXoffIn, 1}, {kRate, 9600}}), nullptr), VI_SUCCESS);
    int in = -1;  // the device's output queue (TIOCOUTQ) is the line's to count: Queued()
    EXPECT_TRUE(ioctl(pty.near, TIOCINQ, &in) == 0 && in == 0 && Read(line, 100).empty() && !Queued(line) &&
                Written(line, "new") && pty.Take() == "new") << in;
    ASSERT_EQ(write(pty.far, "\x13in", 3), 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(Written(line, std::string(static_cast<std::size_t>(bytes), 'q')));
    const auto start = std::chrono::steady_clock::now();
    line.close();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_TRUE(ms.count() >= least && ms.count() <= most) << bytes << " bytes: " << ms.count() << " ms";
    ASSERT_EQ(write(pty.far, "closed", 6), 6);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
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

}  // namespace
