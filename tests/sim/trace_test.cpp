#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>

#include "core/trace.h"

namespace {

TEST(Trace, LineFormat) {
  const ViInt32 record[3] = {1, -2, 3};
  const unsigned char bytes[] = {'a', '"', '\\', '\n', 0, 0x80, '7'};
  struct Case {
    sim::TraceLine line;
    ViStatus status;
    const char* text;
  };
  const Case cases[] = {
      {sim::TraceLine("viClose").num("obj", 4097), VI_SUCCESS, "viClose obj=4097 -> 0\n"},
      {sim::TraceLine("viOpen").str("name", "VXI::24"), VI_ERROR_TMO,
       "viOpen name=\"VXI::24\" -> -1073807339\n"},
      {sim::TraceLine("f").str("s", static_cast<const char*>(nullptr)), 1, "f s=null -> 1\n"},
      {sim::TraceLine("w").bytes("bytes", bytes, sizeof bytes), 0,
       "w bytes=\"a\\\"\\\\\\n\\000\\2007\" -> 0\n"},
      {sim::TraceLine("g").record("record", record, 3), 0, "g record=[1,-2,3] -> 0\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.line.finish(c.status), c.text);
}

TEST(Trace, ParserReadsWhatTheWriterWrites) {
  std::string nasty = "a b=c -> 0 \"q\" \\ \t";
  nasty += '\0';
  nasty += "\x7f\xff";
  const ViInt32 record[2] = {7, -8};
  const std::string line = sim::TraceLine("tsx4410_write")
                               .num("vi", 4097)
                               .bytes("bytes", nasty.data(), nasty.size())
                               .record("record", record, 2)
                               .num("written", 3)
                               .finish(VI_ERROR_TMO);
  auto rec = sim::parse_trace_line(line);
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->function, "tsx4410_write");
  EXPECT_EQ(rec->status, VI_ERROR_TMO);
  ASSERT_EQ(rec->fields.size(), 4u);
  EXPECT_EQ(*rec->get("vi"), "4097");
  EXPECT_EQ(*rec->get("bytes"), nasty);
  EXPECT_EQ(*rec->get("record"), "[7,-8]");
  EXPECT_EQ(*rec->get("written"), "3");
  EXPECT_EQ(rec->get("missing"), nullptr);
}

TEST(Trace, ParserRejectsBrokenLines) {
  for (const char* bad : {"", "viClose", "viClose obj=1", "viClose obj=1 -> x",
                          "viOpen name=\"abc -> 0", "w bytes=\"\\9\" -> 0"}) {
    EXPECT_FALSE(sim::parse_trace_line(bad)) << bad;
  }
}

TEST(Trace, TwoSinksAppendWholeLinesToOneFile) {
  char path[] = "/tmp/sim_trace_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  {
    sim::TraceSink a(path), b(path);
    for (int i = 0; i < 50; ++i) {
      a.write(sim::TraceLine("viRead").num("i", i).finish(0));
      b.write(sim::TraceLine("tsx4410_read").num("i", i).finish(0));
    }
  }
  std::ifstream in(path);
  int lines = 0;
  for (std::string line; std::getline(in, line); ++lines) {
    auto rec = sim::parse_trace_line(line);
    ASSERT_TRUE(rec) << line;
    EXPECT_EQ(*rec->get("i"), std::to_string(lines / 2));  // neither sink overwrote the other
  }
  EXPECT_EQ(lines, 100);
  std::remove(path);
}

}  // namespace
