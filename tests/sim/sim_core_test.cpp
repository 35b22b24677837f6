// The stand-ins' pure parts: resource names, find expressions, the bench
// reader's refusals and the trace reader the application tests rely on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/bench_reader.h"
#include "core/find_expr.h"
#include "core/rsrc_name.h"
#include "core/trace.h"

namespace {

// Each name's canonical form, or "" where VISA would refuse it.
TEST(SimCore, ResourceNames) {
  const char* cases[][2] = {
      {"vxi0::24::instr", "VXI0::24::INSTR"}, {"VXI::24", "VXI0::24::INSTR"}, {"VXI1::255", "VXI1::255::INSTR"},
      {"GPIB::30", "GPIB0::30::INSTR"}, {"GPIB0::7::0::INSTR", "GPIB0::7::INSTR"},
      {"gpib2::7::30", "GPIB2::7::30::INSTR"}, {"GPIB-VXI::24", "GPIB-VXI0::24::INSTR"}, {"", ""},
      {"INSTR", ""}, {"VXI0::", ""}, {"VXI0::2a", ""}, {"VXI0::256", ""}, {"VXI0::24::3::INSTR", ""},
      {"VXI0::24::MEMACC", ""}, {"VXIx::24", ""}, {"GPIB0::31", ""}, {"GPIB0::7::31", ""},
      {"GPIB0::7::0::1::INSTR", ""}, {"GPIB0:7::INSTR", ""}, {"ASRL1::INSTR", ""}, {"VXI0::24::INSTR::INSTR", ""}};
  for (auto& [name, canonical] : cases) {
    const auto parsed = sim::parse_rsrc_name(name);
    EXPECT_EQ(parsed ? parsed->canonical : "", canonical) << name;
  }
}

TEST(SimCore, FindExpressions) {
  const char* matches[][2] = {{"?*INSTR", "VXI0::24::INSTR"}, {"?*instr", "GPIB0::7::INSTR"}, {"*", ""},
                              {"GPIB?*INSTR", "GPIB-VXI0::24::INSTR"}, {"VXI?::24::INSTR", "VXI0::24::INSTR"},
                              {"*a*b*c", "xaxbxbxc"}};
  const char* misses[][2] = {{"GPIB?*INSTR", "VXI0::24::INSTR"}, {"VXI?::24::INSTR", "VXI10::24::INSTR"},
                             {"?*INSTR", "INSTR"}, {"*a*b*c", "xaxbxbxcx"}, {"VXI0::24::INSTR", "VXI0::24::INSTRX"}};
  for (auto& [expr, name] : matches) EXPECT_TRUE(sim::find_expr_matches(expr, name)) << expr << " " << name;
  for (auto& [expr, name] : misses) EXPECT_FALSE(sim::find_expr_matches(expr, name)) << expr << " " << name;
  EXPECT_FALSE(sim::find_expr_valid("") || sim::find_expr_valid("?*\nINSTR"));
}

// A flawed bench is refused as a whole, saying where and why.
TEST(SimCore, BenchRefusals) {
  const char* cases[][2] = {
      {"[]", "expected an object"},
      {R"({"resources": {}})", "resources: expected an array"},
      {R"({"resourcez": []})", "unknown key \"resourcez\""},
      {R"({"resources": [{"interface": "VXI"}]})", "missing \"descriptor\""},
      {R"({"resources": [{"descriptor": 24}]})", "descriptor: expected a string"},
      {R"({"resources": [{"descriptor": "VXI::24", "slot": -1}]})", "slot: expected an integer from 0 to 65535"},
      {R"({"resources": [{"descriptor": "VXI::24", "slot": 65536}]})", "slot: expected an integer from 0"},
      {R"({"resources": [{"descriptor": "TCPIP::x"}]})", "\"interface\" is needed"},
      {R"({"resources": [{"descriptor": "VXI::24", "interface": "USB"}]})", "unknown interface"},
      {R"({"resources": [{"descriptor": "VXI::24"}, {"descriptor": "VXI0::24::INSTR"}]})", "listed twice"},
      {R"({"resources": [{"descriptor": "X", "interface": 2, "module": {"channels": {"5": {}}}}]})", "channels are"},
      {R"({"resources": [{"descriptor": "X", "interface": 2, "module": {"channels": {"1": {"busy": 1}}}}]})",
       "busy: expected true or false"},
      {R"({"resources": [{"descriptor": "VXI::24", "module": {"init_status": "VI_OOPS"}}]})", "is not a status"},
      {R"({"faults": [{"function": "viFindRsrcs", "status": 0}]})", "no entry point"},
      {R"({"faults": [{"function": "viOpen"}]})", "missing \"status\""},
      {R"({"faults": [{"function": "tsx4410_read", "channel": 5, "status": 0}]})", "channel"},
      {R"({"faults": [{"function": "viOpen", "from_call": 0, "status": 0}]})", "from_call"},
  };
  for (auto& [json, reason] : cases) {
    try {
      sim::parse_bench(json);
      ADD_FAILURE() << "taken: " << json;
    } catch (const sim::BenchError& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  // The shipped benches are all usable but the one that shows a broken file.
  for (const auto& file : std::filesystem::directory_iterator(SIM_BENCH_DIR)) {
    std::FILE* err = std::tmpfile();
    sim::load_bench(file.path().c_str(), err, "test");
    EXPECT_EQ(std::ftell(err) == 0, file.path().stem() != "malformed") << file.path();
    std::fclose(err);
  }
}

TEST(SimCore, TraceReaderReadsWhatTheWriterWrites) {
  std::string nasty = "a b=c -> 0 \"q\" \\ \t\n";
  nasty += std::string("\0\x7f\xff", 3);
  const ViInt32 record[2] = {7, -8};
  const auto rec = sim::parse_trace_line(sim::TraceLine("w").num("vi", -1).bytes("b", nasty.data(), nasty.size())
                                             .str("s", static_cast<const char*>(nullptr)).record("r", record, 2)
                                             .finish(VI_ERROR_TMO));
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->function, "w");
  EXPECT_EQ(rec->status, VI_ERROR_TMO);
  const decltype(rec->fields) fields = {{"vi", "-1"}, {"b", nasty}, {"s", "null"}, {"r", "[7,-8]"}};
  EXPECT_EQ(rec->fields, fields);
  for (const char* bad : {"", "viClose", " -> 0", "viClose obj=1", "viClose obj=1 -> x", "viOpen name=\"abc -> 0",
                          "w bytes=\"\\9\" -> 0", "w r=[1,2 -> 0"}) {
    EXPECT_FALSE(sim::parse_trace_line(bad)) << bad;
  }
}

}  // namespace
