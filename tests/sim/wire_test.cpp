// The simulated line, on a clock the test moves by hand: frame times, the
// busy threshold, arrival at frame end, cables, instant pace and line errors.
#include <gtest/gtest.h>

#include <string>

#include "core/bench_reader.h"
#include "core/driver_state.h"

namespace {

constexpr ViSession kVi = 4098;

// One module on `channels`, every channel open at time 0.
struct Rig {
  explicit Rig(const std::string& channels, const std::string& module = "")
      : bench(sim::parse_bench(R"({"resources": [{"descriptor": "VXI::24", "module": {)" + module +
                               R"("channels": )" + channels + "}}]}")),
        d(bench, [this] { return now; }) {
    d.attach(kVi, 0);
    for (ViInt32 ch = 1; ch <= 4; ++ch) d.open_channel(kVi, ch, true);
  }
  ViInt32 prop(ViInt32 ch, ViInt32 property) {
    ViInt32 word = -99;
    return d.get_property(kVi, ch, property, &word), word;
  }
  // The panel's record words 3, 5..8: rate, parity check, parity, data bits, stop bits.
  void set(ViInt32 ch, ViInt32 rate, ViInt32 check, ViInt32 parity, ViInt32 data, ViInt32 stop) {
    sim::ConfigRecord r{0, 0, 0, rate, rate, check, parity, data, stop};
    d.set_property(kVi, ch, TSX4410_PROP_CHANNEL_CONFIG, r.data());
  }
  ViStatus write(ViInt32 ch, const std::string& s) {
    ViUInt32 n = 0;
    return d.write(kVi, ch, reinterpret_cast<const ViByte*>(s.data()), ViUInt32(s.size()), &n);
  }
  // Reads until a read brings nothing: "good|<error text>|good...".
  std::string reads(ViInt32 ch, ViUInt32 count = 100000) {
    std::string out, buf(count, '\0');
    for (ViUInt32 n = 1; n > 0;) {
      const ViStatus st = d.read(kVi, ch, reinterpret_cast<ViByte*>(buf.data()), count, &n);
      out += "|" + (st == TSX4410_ERROR_LINE ? d.error_text(kVi, st) : buf.substr(0, n));
      n += st == TSX4410_ERROR_LINE;
    }
    return out.substr(1, out.size() - 2);
  }
  sim::Bench bench;
  std::int64_t now = 0;
  sim::DriverState d;
};

TEST(Wire, EachByteTakesItsFrameAndTheFifoIsBusyPastOneStep) {
  const struct {
    ViInt32 rate, parity, data, stop;
    std::int64_t first, third;                  // µs until the 1st and the 3rd byte have arrived
    std::uint64_t step;                         // bytes a 40 ms step carries
  } rows[] = {{9600, 4, 8, 7, 1042, 3125, 38},  // 8N1: 1041.67 µs
              {9600, 0, 7, 15, 1146, 3438, 34}, {9600, 1, 8, 8, 1198, 3594, 33},  // 7E2, 8O1.5
              {115200, 4, 8, 7, 87, 261, 460},  {50, 3, 5, 7, 160000, 480000, 0},
              {4000000, 4, 8, 7, 3, 8, 16000}};  // the FIFO never holds a step: never busy
  for (const auto& row : rows) {
    Rig rig("{}");
    for (ViInt32 ch : {1, 2}) rig.set(ch, row.rate, 0, row.parity, row.data, row.stop);
    rig.write(1, "abc");
    for (auto [at, waiting] : {std::pair{row.first - 1, 0}, {row.first, 1}, {row.third - 1, 2}}) {
      rig.now = at;
      EXPECT_EQ(rig.prop(1, TSX4410_PROP_BYTES_WAITING), waiting) << row.rate << " at " << at;
    }
    rig.now = row.third, rig.write(2, std::string(row.step, 'x'));
    EXPECT_EQ(rig.reads(1) + std::to_string(rig.prop(2, TSX4410_PROP_CHANNEL_STATUS)), "abc0");
    rig.write(2, "y");
    EXPECT_EQ(rig.prop(2, TSX4410_PROP_CHANNEL_STATUS), row.step < 4096);  // 1: busy
  }
}

TEST(Wire, ReadsTakeWhatArrivedAndNewSettingsWaitForTheByteOnTheLine) {
  Rig rig(R"({"1": {"parity_error_one_in": 1}})");
  rig.set(1, 9600, 0, 4, 8, 7), rig.write(1, "abc");
  rig.now = 500;  // byte 1 still ends at 1042, then 2083.33 µs a byte; records without a frame
  const ViInt32 records[][4] = {{4800, 4, 8, 7},  {0, 4, 8, 7},    {4000001, 4, 8, 7},
                                {4800, -1, 8, 7}, {4800, 5, 8, 7}, {4800, 4, 4, 7},
                                {4800, 4, 9, 7},  {4800, 4, 8, 9}};  // are kept, the line as it was
  for (const auto& w : records) rig.set(1, w[0], 0, w[1], w[2], w[3]);
  for (auto [at, got] : {std::pair{3124, "a"}, {3125, "b"}})
    EXPECT_EQ((rig.now = at, rig.reads(1)), got);
  EXPECT_EQ(rig.write(1, std::string(4096, 'z')), TSX4410_ERROR_PORT_OUTPUT_FULL);
  EXPECT_EQ(rig.d.error_text(kVi, TSX4410_ERROR_PORT_OUTPUT_FULL),
            "channel 1: transmit buffer full (1 of 4096 bytes still to go out at 4800 bit/s); "
            "4096 bytes not taken");
  EXPECT_EQ(rig.write(1, std::string(4097, 'z')), TSX4410_ERROR_PORT_OUTPUT_FULL);
  EXPECT_EQ(rig.d.error_text(kVi, TSX4410_ERROR_PORT_OUTPUT_FULL),
            "channel 1: a write of 4097 bytes is larger than the 4096-byte transmit buffer");
  rig.d.open_channel(kVi, 1, false), rig.d.open_channel(kVi, 1, true);  // drops what was on its way
  rig.now = 10000;
  EXPECT_EQ(rig.prop(1, TSX4410_PROP_BYTES_WAITING), 0);
  EXPECT_EQ(rig.write(1, std::string(4096, 'z')), VI_SUCCESS);
  rig.set(1, 9600, 1, 3, 7, 7), rig.now += 5000, rig.d.reset(kVi);  // errors came; all dropped
  rig.write(1, "ab"), rig.now += 174;  // at 115200 bit/s again, checking no parity
  EXPECT_EQ(rig.reads(1), "ab");
}

TEST(Wire, CablesCarryBothWaysInstantPaceTakesNoTimeAndBadCablesAreRefused) {
  Rig rig(R"({"1": {"cable": 2}, "2": {"cable": 1}, "4": {"pace": "wire"}})",
          R"("pace": "instant",)");
  Rig wire(R"({"3": {"cable": 4, "pace": "instant"}})");
  for (auto [r, from, to] : {std::tuple{&rig, 1, 2}, {&rig, 2, 1}, {&rig, 3, 3}, {&wire, 3, 4}}) {
    r->write(from, "hi");
    EXPECT_EQ(r->reads(from == to ? 4 : from) + "/" + r->reads(to), "/hi") << from << to;
  }
  rig.write(4, "hi"), wire.write(4, "hi");
  EXPECT_EQ(rig.reads(4) + wire.reads(3), "");
  rig.now = wire.now = 174;
  EXPECT_EQ(rig.reads(4) + wire.reads(3), "hihi");
  wire.write(3, "old"), wire.now += 100;  // arrived, never read: gone with the close
  wire.d.open_channel(kVi, 4, false), wire.write(3, "lost");  // a closed channel hears nothing
  EXPECT_EQ(wire.prop(4, TSX4410_PROP_BYTES_WAITING), 0);
  wire.d.open_channel(kVi, 4, true);
  EXPECT_EQ(wire.reads(4), "");
  const char* refused[][2] = {
      {R"({"1": {"cable": 5}})", "1.cable: expected an integer from 1 to 4"},
      {R"({"2": {"cable": 2}})", "2.cable: a channel cannot be cabled to itself"},
      {R"({"1": {"cable": 2}, "2": {"port": "/d"}})", "1.cable: channel 2 is on the device \"/d\""},
      {R"({"1": {"port": "/d", "overrun_one_in": 2}})", "1.overrun_one_in: channel 1 is on"},
      {R"({"1": {"cable": 2}, "3": {"cable": 2}})", "3.cable: channel 2 already has a cable"},
      {R"({"1": {"cable": 2}, "2": {"cable": 3}})", "2.cable: channel 2 already has a cable"},
      {R"({"1": {"drop_one_in": -1}})", "1.drop_one_in: expected an integer from 0"},
      {R"({"1": {"pace": "slow"}})", "1.pace: expected \"wire\" or \"instant\""}};
  for (auto& [channels, reason] : refused) {
    try {
      Rig taken(channels);
      ADD_FAILURE() << "taken: " << channels;
    } catch (const sim::BenchError& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
}

TEST(Wire, LineErrorsStopTheReadAndComeWithTheNext) {
  const std::string c = "channel 1: ", p = c + "1 parity error, 0 framing errors, 0 overruns, ",
                    b = c + "0 parity errors, 0 framing errors, 0 overruns, 1 break";
  const struct {
    const char* faults;
    ViInt32 check, parity;  // 7 data bits, 1 stop bit: at most 1041.67 µs a byte
    std::string road;
  } rows[] = {
      {R"("parity_error_one_in": 3)", 1, 3, "ab|" + p + "0 breaks|de|" + p + "0 breaks|g"},
      {R"("parity_error_one_in": 3)", 0, 0, "abcdefg"},  // not checked
      {R"("parity_error_one_in": 3)", 1, 4, "abcdefg"},  // no parity bit
      {R"("framing_error_one_in": 4, "overrun_one_in": 6)", 0, 0,
       "abc|" + c + "0 parity errors, 1 framing error, 0 overruns, 0 breaks|e|" + c +
           "0 parity errors, 0 framing errors, 1 overrun, 0 breaks|g"},
      // breaks at 3, 6 and 9 ms; the 6 ms one follows the 5th byte's error: one read meets both
      {R"("break_every_ms": 3, "parity_error_one_in": 5, "drop_one_in": 2)", 1, 0,
       "a|" + b + "|c|" + p + "1 break|f|" + b},
  };
  for (const auto& row : rows) {
    Rig rig(std::string(R"({"1": {)") + row.faults + "}}");
    rig.set(1, 9600, row.check, row.parity, 7, 7), rig.write(1, "abcdefg");
    rig.now = 9000;
    EXPECT_EQ(rig.reads(1), row.road) << row.faults;
  }
  Rig full("{}", R"("pace": "instant",)");  // a receive buffer of 65536; the rest is overrun
  for (int i = 0; i < 17; ++i) full.write(1, std::string(4096, 'q'));
  EXPECT_EQ(full.prop(1, TSX4410_PROP_BYTES_WAITING), 65537);  // one for the overruns
  EXPECT_EQ(full.reads(1).substr(65534),
            "qq|" + c + "0 parity errors, 0 framing errors, 4096 overruns, 0 breaks");
}

}  // namespace
