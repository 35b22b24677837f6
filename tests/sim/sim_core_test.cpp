// The stand-ins' pure parts: resource names, the bench reader's refusals
// and the trace reader the application tests rely on.
#include <gtest/gtest.h>


#include "core/bench_reader.h"
#include "core/find_expr.h"
#include "core/rsrc_name.h"
#include "core/trace.h"

namespace {

// Each name's canonical form, or "" where VISA would refuse it.
TEST(SimCore, ResourceNames) {
  const char* cases[][2] = {
      {"vxi0::24::instr", "VXI0::24::INSTR"}, {"VXI::24", "VXI0::24::INSTR"},
      {"VXI1::255", "VXI1::255::INSTR"}, {"GPIB::30", "GPIB0::30::INSTR"},
      {"GPIB0::7::0::INSTR", "GPIB0::7::0::INSTR"}, {"gpib2::7::30", "GPIB2::7::30::INSTR"},
      {"GPIB-VXI::24", "GPIB-VXI0::24::INSTR"}, {"", ""}, {"VXI0::", ""}, {"VXI0::2a", ""}, {"VXIx::24", ""},
      {"VXI0::256", ""}, {"VXI0::24::3::INSTR", ""}, {"VXI0::24::MEMACC", ""}, {"GPIB0::31", ""},
      {"GPIB0::7::31", ""}, {"GPIB0::7::0::1::INSTR", ""}, {"GPIB0:7::INSTR", ""}, {"ASRL1::INSTR", ""}};
  for (auto& [name, canonical] : cases) {
    const auto parsed = sim::parse_rsrc_name(name);
    EXPECT_EQ(parsed ? parsed->canonical : "", canonical) << name;
  }
}

// Which of the names each search expression lists, or "x" where it is malformed.
TEST(SimCore, FindExpressions) {
  const char* names[] = {"GPIB0::7::INSTR", "GPIB0::7::0::INSTR", "gpib12::3::INSTR", "VXI0::24::INSTR",
                         "GPIB-VXI0::8::INSTR", "VXI0::24::MEMACC", "a+B(1)"};
  const std::string deep = std::string(101, '(') + "a" + std::string(101, ')');
  const std::pair<std::string, const char*> cases[] = {
      {"?*INSTR", "1111100"}, {"?*::INSTR", "1111100"}, {"GPIB?*INSTR", "1110100"}, {"GPIB[0-9]*::?*INSTR", "1110000"},
      {"VXI0::?*INSTR", "0001000"}, {"(GPIB|VXI)?*INSTR", "1111100"}, {"GPIB*", "0000000"}, {"gpib0::7::instr", "1000000"},
      {"GPIB0::7", "0000000"}, {"?*[^R]", "0000011"}, {"[A-F]+\\+b\\(1\\)", "0000001"}, {"GPIB0::7::(0::)*INSTR", "1100000"},
      {"GPIB0::7::(0::)+INSTR", "0100000"}, {"VXI0::24::INSTR|MEMACC", "0001000"}, {"?*::?*::?*::INSTR", "0100000"},
      {"GPIB1?::?*", "0010000"}, {"?*~|GPIB0::7::INSTR", "1000000"}, {"[-+]?*|G[^P]?*|?*[)-]", "0000001"}, {"(((?*)*)*x)*", "0000000"}, {"", "x"}, {"*", "x"},
      {"+x", "x"}, {"GPIB|", "x"}, {"(GPIB", "x"}, {"GPIB)", "x"}, {"[0-9", "x"}, {"[]", "x"}, {"[9-0]", "x"}, {"ab\\", "x"},
      {"()", "x"}, {"a**", "x"}, {"a\tb", "x"}, {"[a\\", "x"}, {deep, "x"}, {deep.substr(1, 201), "0000000"}};
  for (const auto& [expr, want] : cases) {
    const auto search = sim::FindExpr::compile(expr);
    std::string got = search ? "" : "x";
    for (const char* name : names) got += search ? (search->matches(name) ? "1" : "0") : "";
    EXPECT_EQ(got, want) << expr;
  }
}

// A flawed bench is refused as a whole, saying where and why.
TEST(SimCore, BenchRefusals) {
  const char* cases[][2] = {
      {R"({"resources": {}})", "resources: expected an array"},
      {R"({"resourcez": []})", "unknown key \"resourcez\""},
      {R"({"resources": [{"interface": "VXI"}]})", "missing \"descriptor\""},
      {R"({"resources": [{"descriptor": "VXI::24", "slot": -1}]})", "slot: expected an integer from 0 to 65535"},
      {R"({"resources": [{"descriptor": "VXI::24", "slot": 65536}]})", "slot: expected an integer from 0"},
      {R"({"resources": [{"descriptor": "TCPIP::x"}]})", "\"interface\" is needed"},
      {R"({"resources": [{"descriptor": "VXI::24"}, {"descriptor": "VXI0::24::INSTR"}]})", "listed twice"},
      {R"({"resources": [{"descriptor": "VXI::2", "module": {"channels": {"5": {}}}}]})", "channels are"},
      {R"({"resources": [{"descriptor": "VXI::2", "module": {"channels": {"1": {"busy": 1}}}}]})", "busy: expected"},
      {R"({"resources": [{"descriptor": "VXI::2", "module": {"error_query": {"text": "x"}}}]})", "unknown key \"text\""},
      {R"({"faults": [{"function": "viOpen", "status": "VI_OOPS"}]})", "is not a status"},
      {R"({"faults": [{"function": "viOpen", "status": "12x"}]})", "\"12x\" is not a status"},
      {R"({"faults": [{"function": "viOpen", "status": "VI_ERROR_TMO", "when": 1}]})", "unknown key \"when\""},
      {R"({"faults": [{"function": "viFindRsrcs", "status": 0}]})", "no entry point"}};
  for (auto& [json, reason] : cases) {
    try {
      sim::parse_bench(json);
      ADD_FAILURE() << "taken: " << json;
    } catch (const sim::BenchError& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(sim::load_bench(nullptr, nullptr, "test").find("VXI0::24::INSTR"), 0);  // the built-in bench
}

TEST(SimCore, TraceReaderReadsWhatTheWriterWrites) {
  const std::string nasty = std::string("a b=c -> 0 \"q\" \\ \t\n\0\x7f\xff", 22);
  const ViInt32 record[2] = {7, -8};
  const auto rec = sim::parse_trace_line(sim::TraceLine("w").num("vi", -1).bytes("b", nasty.data(), nasty.size())
                                             .str("s", static_cast<const char*>(nullptr)).record("r", record, 2)
                                             .finish(VI_ERROR_TMO));
  const decltype(rec->fields) fields = {{"vi", "-1"}, {"b", nasty}, {"s", "null"}, {"r", "[7,-8]"}};
  EXPECT_TRUE(rec && rec->function == "w" && rec->status == VI_ERROR_TMO && rec->fields == fields);
  EXPECT_TRUE(rec && *rec->get("s") == "null" && !rec->get("t"));
  // What people read: printable ASCII as it is, C escapes, three octal digits for the rest.
  EXPECT_EQ(sim::c_escape(nasty.data(), nasty.size()), "a b=c -> 0 \\\"q\\\" \\\\ \\t\\n\\000\\177\\377");
  for (const char* bad : {"", "viClose", " -> 0", "viClose obj=1", "viClose obj=1 -> x", "viOpen name=\"abc -> 0",
                          "w bytes=\"\\9\" -> 0", "w r=[1,2 -> 0"})
    EXPECT_FALSE(sim::parse_trace_line(bad)) << bad;
}

}  // namespace
