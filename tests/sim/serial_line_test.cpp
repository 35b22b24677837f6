// A serial line on a pseudo-terminal pair: the line holds the terminal side,
// the test plays the far end on the other side. (A pseudo-terminal keeps the
// rate and flow flags but always 8 data bits and no parity.)
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "core/serial_kernel.h"
#include "core/serial_line.h"

namespace {

using sim::SerialLine;
using namespace sim::record_word;

struct Pty {
  Pty() {
    char name[64];
    EXPECT_EQ(openpty(&far, &near, name, nullptr, nullptr), 0);
    path = name;
  }
  ~Pty() {
    if (far >= 0) close(far);
    close(near);
  }
  // What the far end receives, waiting for `want` bytes while they come.
  std::string Take(std::size_t want) const {
    std::string got;
    char buf[4096];
    pollfd p{far, POLLIN, 0};
    while (got.size() < want && poll(&p, 1, 300) > 0) {
      const ssize_t n = read(far, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }
  void Send(const std::string& s) const { ASSERT_EQ(write(far, s.data(), s.size()), ssize_t(s.size())); }
  int far = -1, near = -1;
  std::string path;
};

// The bytes the line holds once the far end's bytes have crossed the pair.
ViUInt32 Waiting(SerialLine& line, ViUInt32 want) {
  ViUInt32 n = 0;
  for (int i = 0; i < 200 && n < want && line.waiting(&n) == VI_SUCCESS; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return n;
}

std::string ReadAll(SerialLine& line, ViUInt32 count) {
  std::string out(count, '\0');
  ViUInt32 got = 0;
  EXPECT_EQ(line.read(reinterpret_cast<ViByte*>(&out[0]), count, &got), VI_SUCCESS);
  out.resize(got);
  return out;
}

std::string Pattern(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(i * 7 % 251);
  return s;
}

sim::ConfigRecord Record(std::initializer_list<std::pair<int, ViInt32>> words) {
  sim::ConfigRecord r = sim::serial_default_record(1);
  for (const auto& [word, value] : words) r[static_cast<std::size_t>(word)] = value;
  return r;
}

TEST(SerialLine, BytesCrossBothWaysInOrderAndTheWaitingCountIsTheirs) {
  Pty pty;
  SerialLine line(pty.path);
  ASSERT_EQ(line.open(Record({}), nullptr), VI_SUCCESS) << line.message();
  EXPECT_EQ(ReadAll(line, 100), "") << "a read returns what is there, also nothing";
  const std::string in = Pattern(3000), out = Pattern(2500);
  pty.Send(in);
  ASSERT_EQ(Waiting(line, 3000), 3000u);
  std::string got = ReadAll(line, 1000);
  got += ReadAll(line, 2048);
  EXPECT_TRUE(got == in) << got.size() << " bytes, not in order";
  ViUInt32 written = 0;
  ASSERT_EQ(line.write(reinterpret_cast<const ViByte*>(out.data()), 2500, &written), VI_SUCCESS);
  EXPECT_EQ(written, 2500u);
  EXPECT_TRUE(pty.Take(2500) == out);
}

TEST(SerialLine, ModesLoopEchoOrPass) {
  // mode, what the line delivers, what the far end gets back (the line writes "w").
  const std::tuple<ViInt32, const char*, const char*> kModes[] = {
      {0, "abc", "w"}, {1, "abc", "abcw"}, {2, "w", ""}, {3, "", "abcw"}};
  for (const auto& [mode, delivered, echoed] : kModes) {
    Pty pty;
    SerialLine line(pty.path);
    ASSERT_EQ(line.open(Record({{kMode, mode}}), nullptr), VI_SUCCESS);
    pty.Send("abc");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string got = ReadAll(line, 10);  // LOCAL-LOOP drops the line's input here
    ViUInt32 n = 0;
    EXPECT_EQ(line.write(reinterpret_cast<const ViByte*>("w"), 1, &n), VI_SUCCESS);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(line.waiting(&n), VI_SUCCESS);
    got += ReadAll(line, n);
    EXPECT_EQ(got, delivered) << "mode " << mode;
    EXPECT_EQ(pty.Take(std::max<std::size_t>(1, std::string(echoed).size())), echoed) << mode;
  }
}

TEST(SerialLine, OpenFailuresNameTheDeviceAndTheReason) {
  Pty pty;
  SerialLine first(pty.path), again(pty.path);
  ASSERT_EQ(first.open(Record({}), nullptr), VI_SUCCESS);
  const std::pair<std::string, std::string> kCases[] = {
      {pty.path, pty.path + ": in use by another program"},
      {"/dev/null", "/dev/null: not a serial device"},
      {"/dev/ttyNONE9", "/dev/ttyNONE9: No such file or directory"}};
  for (const auto& [path, text] : kCases) {
    SerialLine line(path);
    EXPECT_EQ(line.open(Record({}), nullptr), TSX4410_ERROR_PORT_UNAVAILABLE);
    EXPECT_EQ(line.message(), text);
    EXPECT_FALSE(line.is_open());
  }
  first.close();
  EXPECT_EQ(again.open(Record({}), nullptr), VI_SUCCESS) << "free again once closed";
}

TEST(SerialLine, SettingsFoundComeBackOnCloseAndAtExit) {
  Pty pty;
  termios found{};
  tcgetattr(pty.near, &found);
  cfsetspeed(&found, B1200);
  ASSERT_EQ(tcsetattr(pty.near, TCSANOW, &found), 0);
  SerialLine line(pty.path);
  sim::ConfigRecord effective{};
  ASSERT_EQ(line.open(Record({{kRate, 2000}, {kRtsCts, 3}, {kStopBits, 8}}), &effective),
            TSX4410_WARN_NEAREST_SETTING);
  EXPECT_EQ(line.message(), pty.path + ": 1.5 stop bits: applied 2");
  EXPECT_EQ(effective[kStopBits], 15);
  termios now{};
  unsigned rate = 0;
  tcgetattr(pty.near, &now);
  ASSERT_TRUE(sim::kernel_rate(pty.near, &rate));
  EXPECT_EQ(rate, 2000u);
  EXPECT_EQ(now.c_cflag & (CRTSCTS | CSTOPB), tcflag_t(CRTSCTS | CSTOPB));
  EXPECT_EQ(now.c_lflag & ICANON, 0u);
  EXPECT_EQ(line.configure(Record({{kParity, 0}}), nullptr), TSX4410_WARN_NEAREST_SETTING);
  EXPECT_NE(line.message().find("the device kept 9600 cflag=CS8|CREAD"), std::string::npos)
      << line.message();
  const auto as_found = [&] {
    tcgetattr(pty.near, &now);
    return now.c_cflag == found.c_cflag && now.c_lflag == found.c_lflag && now.c_iflag == found.c_iflag;
  };
  SerialLine::restore_all();  // the exit handler, with the line still open
  EXPECT_TRUE(as_found());
  ASSERT_EQ(line.configure(Record({}), nullptr), VI_SUCCESS);
  line.close();
  EXPECT_TRUE(as_found());
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
    ASSERT_EQ(line.open(Record({}), nullptr), VI_SUCCESS);
    close(pty.far);
    pty.far = -1;
    EXPECT_EQ(call(line), TSX4410_ERROR_PORT_DISCONNECTED);
    EXPECT_EQ(line.message(), pty.path + ": disconnected (the device went away or its other end was closed)");
    EXPECT_FALSE(line.is_open());
    // The freed descriptor number goes to a file; no later call may reach it.
    char name[] = "/tmp/serial-line-XXXXXX";
    const int file = mkstemp(name);
    for (const auto& again : kCalls) EXPECT_EQ(again(line), TSX4410_ERROR_PORT_DISCONNECTED);
    EXPECT_EQ(lseek(file, 0, SEEK_END), 0);
    close(file);
    unlink(name);
  }
}

}  // namespace
