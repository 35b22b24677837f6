#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "core/bench_reader.h"
#include "tsx4410_stub.h"

namespace {

std::string write_temp(const std::string& content) {
  char path[] = "/tmp/sim_bench_XXXXXX";
  int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  close(fd);
  std::ofstream(path) << content;
  return path;
}

// What load_bench reported, line by line.
std::string load_and_report(const char* path, sim::Bench& bench) {
  std::FILE* err = std::tmpfile();
  bench = sim::load_bench(path, err, "test");
  std::rewind(err);
  std::string out;
  for (int c; (c = std::fgetc(err)) != EOF;) out += static_cast<char>(c);
  std::fclose(err);
  return out;
}

TEST(BenchReader, ReadsEveryField) {
  sim::Bench b = sim::parse_bench(R"({
    "resources": [{
      "descriptor": "gpib::7", "identity": "X,Y", "status_byte": 66, "open_status": -1073807343,
      "module": {
        "init_status": "0x3FFA0001",
        "self_test": {"code": -3, "message": "bad"},
        "error_query": {"code": 12, "message": "queue"},
        "error_messages": {"VI_ERROR_TMO": "slow", "-1073807360": "sys"},
        "firmware": "B.02",
        "channels": {"2": {"busy": true, "bytes_waiting": -1, "short_read": 3}}
      },
      "faults": [{"function": "tsx4410_read", "channel": 2, "from_call": 3, "count": 2,
                  "status": "VI_ERROR_TMO"}]
    }],
    "faults": [{"function": "viFindRsrc", "status": -1073807360}]
  })");
  ASSERT_EQ(b.resources.size(), 1u);
  const sim::Resource& r = b.resources[0];
  EXPECT_EQ(r.intf_type, VI_INTF_GPIB);  // taken from the descriptor
  EXPECT_FALSE(r.slot);
  EXPECT_FALSE(r.manufacturer_id);
  EXPECT_EQ(r.identity.value_or(""), "X,Y");
  EXPECT_EQ(r.status_byte, 66);
  EXPECT_EQ(r.open_status, VI_ERROR_RSRC_NFOUND);
  EXPECT_EQ(r.module.init_status, 0x3FFA0001);
  EXPECT_EQ(r.module.self_test_code, -3);
  EXPECT_EQ(r.module.error_query_code, 12);
  EXPECT_EQ(r.module.error_messages.at(VI_ERROR_TMO), "slow");
  EXPECT_EQ(r.module.error_messages.at(VI_ERROR_SYSTEM_ERROR), "sys");
  EXPECT_TRUE(r.module.channels[1].busy);
  EXPECT_EQ(r.module.channels[1].bytes_waiting.value_or(0), -1);
  EXPECT_EQ(r.module.channels[1].short_read.value_or(0), 3u);
  EXPECT_FALSE(r.module.channels[0].busy);
  ASSERT_EQ(b.faults.size(), 2u);
  EXPECT_EQ(b.faults[0].resource, 0);
  EXPECT_EQ(b.faults[0].channel, 2);
  EXPECT_EQ(b.faults[0].from_call, 3u);
  EXPECT_EQ(b.faults[0].count, 2u);
  EXPECT_EQ(b.faults[0].status, VI_ERROR_TMO);
  EXPECT_EQ(b.faults[1].resource, -1);
  EXPECT_EQ(b.faults[1].from_call, 1u);
}

TEST(BenchReader, BuiltInBenchWithoutPath) {
  sim::Bench b;
  EXPECT_EQ(load_and_report(nullptr, b), "");
  ASSERT_EQ(b.resources.size(), 1u);
  const sim::Resource& r = b.resources[0];
  EXPECT_EQ(r.descriptor, "VXI0::24::INSTR");
  EXPECT_EQ(r.intf_type, VI_INTF_VXI);
  EXPECT_EQ(r.manufacturer_id.value_or(0), 3021);
  EXPECT_EQ(r.model_code.value_or(0), 417);
  EXPECT_EQ(r.slot.value_or(0), 5);
  EXPECT_EQ(r.logical_address.value_or(0), 24);
  EXPECT_EQ(r.module.self_test_message, "Self test passed");
}

TEST(BenchReader, ShippedBenchesAreValid) {
  for (const char* name : {"none", "vxi", "gpib", "gpib-and-vxi", "two-vxi", "init-warning",
                           "init-error", "timeouts", "channel-hooks", "long-texts",
                           "long-descriptor"}) {
    const std::string path = std::string(SIM_BENCH_DIR) + "/" + name + ".json";
    sim::Bench b;
    EXPECT_EQ(load_and_report(path.c_str(), b), "") << name;
  }
}

TEST(BenchReader, UnusableFileGivesOneLineAndNoResources) {
  struct Case {
    const char* content;
    const char* reason;  // part of the reported line
  };
  const Case cases[] = {
      {"{ \"resources\": [ ", "parse error"},
      {"[]", "expected an object"},
      {R"({"resources": {}})", "resources: expected an array"},
      {R"({"resourcez": []})", "unknown key \"resourcez\""},
      {R"({"resources": [{"interface": "VXI"}]})", "missing \"descriptor\""},
      {R"({"resources": [{"descriptor": 24}]})", "descriptor: expected a string"},
      {R"({"resources": [{"descriptor": "VXI::24", "slot": "5"}]})", "slot: expected an integer"},
      {R"({"resources": [{"descriptor": "VXI::24", "slot": 70000}]})", "slot: expected an integer from 0"},
      {R"({"resources": [{"descriptor": "TCPIP::x"}]})", "\"interface\" is needed"},
      {R"({"resources": [{"descriptor": "VXI::24", "interface": "USB"}]})", "unknown interface"},
      {R"({"resources": [{"descriptor": "VXI::24"}, {"descriptor": "VXI0::24::INSTR"}]})", "listed twice"},
      {R"({"resources": [{"descriptor": "VXI::24", "module": {"channels": {"5": {}}}}]})", "channels are"},
      {R"({"resources": [{"descriptor": "VXI::24", "module": {"init_status": "VI_OOPS"}}]})", "is not a status"},
      {R"({"faults": [{"function": "viFindRsrcs", "status": 0}]})", "no entry point"},
      {R"({"faults": [{"function": "viOpen"}]})", "missing \"status\""},
      {R"({"faults": [{"function": "tsx4410_read", "channel": 5, "status": 0}]})", "channel"},
      {R"({"faults": [{"function": "viOpen", "from_call": 0, "status": 0}]})", "from_call"},
  };
  for (const Case& c : cases) {
    const std::string path = write_temp(c.content);
    sim::Bench b = sim::default_bench();
    const std::string report = load_and_report(path.c_str(), b);
    EXPECT_TRUE(b.resources.empty()) << c.content;
    EXPECT_TRUE(b.faults.empty()) << c.content;
    EXPECT_EQ(report.find('\n'), report.size() - 1) << report;
    EXPECT_NE(report.find(path), std::string::npos) << report;
    EXPECT_NE(report.find(c.reason), std::string::npos) << report;
    std::remove(path.c_str());
  }
}

TEST(BenchReader, MissingFileIsReported) {
  sim::Bench b = sim::default_bench();
  const std::string report = load_and_report("/nonexistent/bench.json", b);
  EXPECT_TRUE(b.resources.empty());
  EXPECT_NE(report.find("/nonexistent/bench.json"), std::string::npos);
  EXPECT_NE(report.find("cannot open"), std::string::npos);
}

}  // namespace
