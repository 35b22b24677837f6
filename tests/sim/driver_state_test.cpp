#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/bench_reader.h"
#include "core/c_text.h"
#include "core/driver_state.h"

namespace {

constexpr ViSession kVi = 0x2000;

class DriverStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.attach(kVi, 0);
    for (ViInt32 ch = 1; ch <= 4; ++ch) ASSERT_EQ(state.open_channel(kVi, ch, true), VI_SUCCESS);
  }
  ViStatus write(ViInt32 ch, const std::string& s) {
    ViUInt32 n = 0;
    return state.write(kVi, ch, reinterpret_cast<const ViByte*>(s.data()),
                       static_cast<ViUInt32>(s.size()), &n);
  }
  std::string read(ViInt32 ch, ViUInt32 count) {
    ViByte buf[64];
    ViUInt32 n = 0;
    EXPECT_EQ(state.read(kVi, ch, buf, count, &n), VI_SUCCESS);
    return std::string(reinterpret_cast<char*>(buf), n);
  }
  ViInt32 property(ViInt32 ch, ViInt32 id) {
    ViInt32 value = 0;
    EXPECT_EQ(state.get_property(kVi, ch, id, &value), VI_SUCCESS);
    return value;
  }

  sim::Bench bench = sim::parse_bench(R"({"resources": [{"descriptor": "VXI::24",
    "module": {"channels": {"1": {"busy": true}, "2": {"bytes_waiting": 5000},
                            "3": {"bytes_waiting": -1}, "4": {"short_read": 3}},
               "error_messages": {"VI_ERROR_TMO": "module slow"}}}]})");
  sim::DriverState state{bench};
};

TEST_F(DriverStateTest, LoopbackKeepsOrderPerChannel) {
  ASSERT_EQ(write(2, "abc"), VI_SUCCESS);
  ASSERT_EQ(write(3, "XY"), VI_SUCCESS);
  ASSERT_EQ(write(2, "def"), VI_SUCCESS);
  EXPECT_EQ(read(2, 4), "abcd");
  EXPECT_EQ(read(3, 10), "XY");
  EXPECT_EQ(read(2, 10), "ef");  // more than held: what is held
  EXPECT_EQ(read(2, 10), "");
}

TEST_F(DriverStateTest, ChannelHooks) {
  write(1, "12345");
  EXPECT_EQ(property(1, TSX4410_PROP_BYTES_WAITING), 5);
  EXPECT_EQ(property(1, TSX4410_PROP_CHANNEL_STATUS) & TSX4410_STATUS_BUSY, 1);
  EXPECT_EQ(property(2, TSX4410_PROP_CHANNEL_STATUS), 0);
  EXPECT_EQ(property(2, TSX4410_PROP_BYTES_WAITING), 5000);
  EXPECT_EQ(property(3, TSX4410_PROP_BYTES_WAITING), -1);
  write(4, "abcdefg");
  EXPECT_EQ(read(4, 5), "abc");  // short read caps each read
  EXPECT_EQ(read(4, 5), "def");
  EXPECT_EQ(property(4, TSX4410_PROP_BYTES_WAITING), 1);
}

TEST_F(DriverStateTest, ConfigRecordIsKeptPerChannelUntilReset) {
  sim::ConfigRecord got{};
  ASSERT_EQ(state.get_property(kVi, 3, TSX4410_PROP_CHANNEL_CONFIG, got.data()), VI_SUCCESS);
  EXPECT_EQ(got, sim::default_record(3));
  EXPECT_EQ(got[0], 3);

  sim::ConfigRecord mine{};
  for (std::size_t i = 0; i < mine.size(); ++i) mine[i] = static_cast<ViInt32>(i * 7 - 50);
  ASSERT_EQ(state.set_property(kVi, 2, TSX4410_PROP_CHANNEL_CONFIG, mine.data()), VI_SUCCESS);
  ASSERT_EQ(state.get_property(kVi, 2, TSX4410_PROP_CHANNEL_CONFIG, got.data()), VI_SUCCESS);
  EXPECT_EQ(got, mine);
  ASSERT_EQ(state.get_property(kVi, 1, TSX4410_PROP_CHANNEL_CONFIG, got.data()), VI_SUCCESS);
  EXPECT_EQ(got, sim::default_record(1));

  write(2, "x");
  ASSERT_EQ(state.reset(kVi), VI_SUCCESS);
  ASSERT_EQ(state.get_property(kVi, 2, TSX4410_PROP_CHANNEL_CONFIG, got.data()), VI_SUCCESS);
  EXPECT_EQ(got, sim::default_record(2));
  EXPECT_EQ(property(4, TSX4410_PROP_BYTES_WAITING), 0);
}

TEST_F(DriverStateTest, BadCallsFailWithoutTouchingMemory) {
  state.open_channel(kVi, 2, false);
  struct Case {
    const char* what;
    ViSession vi;
    ViInt32 channel;
    ViStatus status;
  };
  const Case cases[] = {{"channel 0", kVi, 0, VI_ERROR_INV_PARAMETER},
                        {"channel 5", kVi, 5, VI_ERROR_INV_PARAMETER},
                        {"channel -1", kVi, -1, VI_ERROR_INV_PARAMETER},
                        {"closed channel", kVi, 2, TSX4410_ERROR_CHANNEL_CLOSED},
                        {"unknown session", kVi + 1, 1, VI_ERROR_INV_OBJECT}};
  for (const Case& c : cases) {
    ViByte buf[4] = {9, 9, 9, 9};
    ViUInt32 n = 77;
    EXPECT_EQ(state.read(c.vi, c.channel, buf, 4, &n), c.status) << c.what;
    EXPECT_EQ(n, 0u) << c.what;
    EXPECT_EQ(buf[0], 9) << c.what;
    EXPECT_EQ(state.write(c.vi, c.channel, buf, 4, &n), c.status) << c.what;
  }
  ViInt32 value = 0;
  EXPECT_EQ(state.get_property(kVi, 1, 99, &value), VI_ERROR_INV_PARAMETER);
  EXPECT_EQ(state.set_property(kVi, 1, TSX4410_PROP_BYTES_WAITING, &value),
            TSX4410_ERROR_PROPERTY_READONLY);
  state.detach(kVi);
  EXPECT_EQ(state.get_property(kVi, 1, TSX4410_PROP_BYTES_WAITING, &value), VI_ERROR_INV_OBJECT);
}

TEST_F(DriverStateTest, ErrorTexts) {
  EXPECT_EQ(state.error_text(kVi, VI_ERROR_TMO), "module slow");
  EXPECT_EQ(state.error_text(VI_NULL, VI_ERROR_TMO), "module slow");  // after a failed init
  EXPECT_NE(state.error_text(kVi, VI_ERROR_INV_OBJECT).find("invalid"), std::string::npos);
  EXPECT_EQ(state.error_text(kVi, 12345), "Unknown status code 12345.");
}

TEST(CText, LongTextsFillTheBufferUnterminated) {
  struct Case {
    std::size_t length;
    bool terminated;
  };
  for (Case c : {Case{0, true}, Case{255, true}, Case{256, false}, Case{400, false}}) {
    char buf[300];
    std::memset(buf, '#', sizeof buf);
    const std::string text(c.length, 'm');
    sim::copy_text256(buf, text);
    const std::size_t copied = std::min<std::size_t>(c.length, 256);
    EXPECT_EQ(std::string(buf, copied), text.substr(0, copied)) << c.length;
    EXPECT_EQ(buf[copied], c.terminated ? '\0' : '#') << c.length;
    EXPECT_EQ(sim::view_text256(buf).size(), copied) << c.length;
  }
}

}  // namespace
