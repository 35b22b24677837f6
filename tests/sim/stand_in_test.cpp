// The stand-ins through their C interface, linked as any VISA client would
// link them. Each case runs in a child process: the libraries read their
// bench and trace file once per process.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "core/status_table.h"
#include "core/trace.h"
#include "tsx4410_stub.h"

namespace {

struct Child {
  std::string report, trace;
};

std::string slurp(const std::string& path) {
  return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}};
}

// The outputs a call traces when it did its work, and only then: all on success, none on failure.
const std::map<std::string, std::vector<std::string>> kOutputs = {
    {"viOpenDefaultRM", {"rm"}}, {"viFindRsrc", {"count", "desc"}}, {"viFindNext", {"desc"}},
    {"viParseRsrc", {"intf_type", "intf_num"}}, {"viParseRsrcEx", {"intf_type", "intf_num"}},
    {"viGetAttribute", {"value"}}, {"viReadSTB", {"stb"}}, {"tsx4410_getProperty", {"value|record"}},
    {"tsx4410_self_test", {"code", "msg"}}, {"tsx4410_error_message", {"msg"}}, {"tsx4410_error_query", {"code", "msg"}},
    {"tsx4410_revision_query", {"driver", "firmware"}}, {"tsx4410_jobOpc", {"done"}}};

void expect_whole_trace(const std::string& trace) {
  std::istringstream in(trace);
  for (std::string line; std::getline(in, line);) {
    const auto rec = sim::parse_trace_line(line);
    ASSERT_TRUE(rec) << line;
    const auto outputs = kOutputs.find(rec->function);
    for (std::size_t i = 0; outputs != kOutputs.end() && rec->status <= 0 && i < outputs->second.size(); ++i) {
      const std::string& key = outputs->second[i];
      const std::size_t bar = key.find('|');
      const bool traced = rec->get(key.substr(0, bar)) || (bar != std::string::npos && rec->get(key.substr(bar + 1)));
      EXPECT_EQ(traced, rec->status == VI_SUCCESS) << key << " in " << line;
    }
  }
}

// Runs body with the bench text (empty: the built-in bench); its report
// follows anything the child wrote to standard error.
template <class Body>
Child in_child(const std::string& bench, Body body) {
  char dir[] = "/tmp/sim_test_XXXXXX";
  if (!mkdtemp(dir)) return {"no temp dir", ""};
  const std::string at = dir;
  std::ofstream(at + "/bench.json") << bench;
  if (fork() == 0) {
    if (bench.empty()) unsetenv("SFP_SIM_BENCH"); else setenv("SFP_SIM_BENCH", (at + "/bench.json").c_str(), 1);
    setenv("SFP_SIM_TRACE", (at + "/trace").c_str(), 1);
    if (!std::freopen((at + "/report").c_str(), "w", stderr)) _exit(3);
    std::fputs(body().c_str(), stderr);
    std::fflush(stderr);
    _exit(0);
  }
  int status = 0;
  wait(&status);
  Child c{slurp(at + "/report") + (WIFEXITED(status) && !WEXITSTATUS(status) ? "" : "[died]"), slurp(at + "/trace")};
  expect_whole_trace(c.trace);
  std::filesystem::remove_all(at);
  return c;
}

// A status by its name less "VI_", success as "ok", an unknown one as its number.
std::string st(ViStatus s) {
  const char* name = sim::status_name(s);
  return s == VI_SUCCESS ? "ok" : !name ? std::to_string(s) : name + (std::strncmp(name, "VI_", 3) ? 0 : 3);
}

// What a child reports, blank-separated.
struct Report {
  std::string s;
  Report& operator<<(const std::string& t) {
    if (!t.empty()) s += (s.empty() ? "" : " ") + t;
    return *this;
  }
  Report& operator<<(long long v) { return *this << std::to_string(v); }
};

const ViByte* B(const char* s) { return reinterpret_cast<const ViByte*>(s); }

TEST(StandIn, VisaFindListsSessionsAttributesAndReads) {
  const std::string bench = R"({"resources": [
    {"descriptor": "GPIB0::7::INSTR", "identity": "ID,T4410", "status_byte": 66},
    {"descriptor": "vxi::24", "manufacturer_id": 3021, "model_code": 417, "slot": 5, "logical_address": 24},
    {"descriptor": "VXI0::9::INSTR", "open_status": "VI_ERROR_RSRC_NFOUND"},
    {"descriptor": ")" + std::string(300, 'L') + R"(", "interface": 2}]})";
  const Child c = in_child(bench, [] {
    Report r;
    ViSession rm, g, x, vi = 7;
    ViFindList list = 7;
    ViUInt32 n = 9;
    char d[300];
    r << st(viOpenDefaultRM(&rm)) << st(viFindRsrc(rm, "?*INSTR", &list, &n, d)) << n << d;
    for (int i = 0; i < 3; ++i) r << st(viFindNext(list, d)) << (i < 2 ? d : "");
    r << "|" << st(viFindRsrc(rm, "ASRL?*", &list, &n, d)) << n << list;
    r << st(viFindRsrc(rm, "", &list, &n, d)) << st(viFindRsrc(rm + 99, "?*", &list, &n, d));
    std::memset(d, '#', sizeof d);
    r << st(viFindRsrc(rm, "L+", nullptr, &n, d)) << (d[255] == 'L' && d[256] == '#' ? "full" : "bad");
    r << "|" << st(viOpen(rm, "GPIB0::7::INSTR", 0, 0, &g)) << st(viOpen(rm, "VXI::24", 0, 0, &x));
    for (const char* name : {"VXI0::25::INSTR", "VXI0::9", "no such thing", "GPIB0::7::0::INSTR"})
      r << st(viOpen(rm, name, 0, 0, &vi)) << vi;
    for (ViAttr a : {VI_ATTR_INTF_TYPE, VI_ATTR_MANF_ID, VI_ATTR_MODEL_CODE, VI_ATTR_SLOT, VI_ATTR_VXI_LA})
      for (ViSession s : {x, g, rm}) {
        ViUInt16 v[4] = {0xABAB, 0xABAB, 0xABAB, 0xABAB};  // each value exactly as wide as its type
        const ViStatus got = viGetAttribute(s, a, v);
        r << (got == VI_SUCCESS ? std::to_string(v[0]) : st(got)) << (v[1] == 0xABAB && v[3] == 0xABAB ? "" : "!");
      }
    ViByte buf[100];
    auto rd = [&](ViSession s, ViUInt32 count) {
      const ViStatus got = viRead(s, buf, count, &n);
      return st(got) + ":" + std::string(reinterpret_cast<char*>(buf), n);
    };
    r << "|" << st(viWrite(g, B("*idn?\n"), 6, &n)) << n << rd(g, 2) << rd(g, 100) << rd(g, 100);
    viWrite(g, B("*IDN?"), 5, &n);
    viWrite(g, B("x"), 1, &n);  // a new command drops the unread answer
    r << rd(g, 100) << st(viWrite(x, B("*IDN?"), 5, &n)) << rd(x, 100);
    ViUInt16 stb = 0;
    ViChar desc[256];
    r << "|" << st(viReadSTB(g, &stb)) << stb << st(viReadSTB(rm, &stb)) << st(viStatusDesc(rm, VI_ERROR_TMO, desc));
    ViChar cls[256], full[256], alias[256] = "#";  // all three filled; no alias
    r << st(viParseRsrcEx(rm, "gpib0::7::0", &stb, &stb, cls, full, alias)) << cls << full << std::string("[") + alias + "]";
    r << st(viParseRsrc(rm, "VXI0::24::INSTR", &stb, &stb)) << stb << st(viParseRsrc(rm, "VXI0::x", &stb, &stb));
    // A second manager lives on when the first one closes, and so do its session and list.
    ViSession rm2, g2, l1, l2;
    viOpenDefaultRM(&rm2), viOpen(rm2, "GPIB0::7::INSTR", 0, 0, &g2), viFindRsrc(rm, "?*", &l1, &n, d), viFindRsrc(rm2, "?*", &l2, &n, d);
    r << st(viClose(x)) << st(viReadSTB(x, &stb)) << st(viClose(rm)) << st(viReadSTB(g, &stb)) << st(viClose(rm));
    r << st(viFindNext(l1, d)) << st(viReadSTB(g2, &stb)) << st(viFindNext(l2, d));
    r << st(viGetAttribute(l2, VI_ATTR_RSRC_MANF_ID, &stb)) << st(viClose(rm2)) << st(viClose(g2));  // a list has no attributes
    r << st(viClose(VI_NULL));
    return r.s;
  });
  EXPECT_EQ(c.report,
            "ok ok 3 GPIB0::7::INSTR ok VXI0::24::INSTR ok VXI0::9::INSTR ERROR_RSRC_NFOUND"
            " | ERROR_RSRC_NFOUND 0 0 ERROR_INV_EXPR ERROR_INV_OBJECT ok full"
            " | ok ok ERROR_RSRC_NFOUND 0 ERROR_RSRC_NFOUND 0 ERROR_INV_RSRC_NAME 0 ok 4101"
            " 2 1 ERROR_NSUP_ATTR 3021 ERROR_NSUP_ATTR ERROR_NSUP_ATTR 417 ERROR_NSUP_ATTR ERROR_NSUP_ATTR"
            " 5 ERROR_NSUP_ATTR ERROR_NSUP_ATTR 24 ERROR_NSUP_ATTR ERROR_NSUP_ATTR"
            " | ok 6 SUCCESS_MAX_CNT:ID ok:,T4410 ERROR_TMO: ERROR_TMO: ok ERROR_TMO:"
            " | ok 66 ERROR_NSUP_OPER ok ok INSTR GPIB0::7::0::INSTR [] ok 0 ERROR_INV_RSRC_NAME ok ERROR_INV_OBJECT ok ERROR_INV_OBJECT ERROR_INV_OBJECT"
            " ERROR_INV_OBJECT ok ok ERROR_NSUP_ATTR ok ERROR_INV_OBJECT WARN_NULL_OBJECT");
  EXPECT_NE(c.trace.find("viStatusDesc obj=4097 code=-1073807339 -> 0\n"), std::string::npos) << c.trace;
}

TEST(StandIn, DriverSessionChannelsAndTexts) {
  const std::string bench = R"({"resources": [{"descriptor": "VXI::24", "status_byte": 66, "slot": 5, "module": {"pace": "instant",
    "error_messages": {"VI_ERROR_TMO": "module slow"}, "channels": {"1": {"busy": true},
    "2": {"bytes_waiting": 5000}, "3": {"bytes_waiting": -1}, "4": {"short_read": 3}}}}]})";
  const Child c = in_child(bench, [] {
    Report r;
    ViSession vi = 0;
    ViUInt16 stb = 0;
    ViUInt32 n = 0;
    char m[256];
    r << st(tsx4410_init("vxi::24", 1, 1, &vi)) << st(viReadSTB(vi, &stb)) << stb;
    tsx4410_getAttribute(vi, VI_ATTR_SLOT, &stb);
    auto rd = [&](ViSession s, ViInt32 ch, ViUInt32 count) {
      ViByte buf[64] = {9};
      const ViStatus got = tsx4410_read(s, ch, buf, count, &n, nullptr);
      return st(got) + ":" + std::string(reinterpret_cast<char*>(buf), n) + (n == 0 && buf[0] != 9 ? "!" : "");
    };
    auto prop = [&](ViInt32 ch, ViInt32 id) {
      ViInt32 v[TSX4410_CONFIG_WORDS] = {};
      const ViStatus got = tsx4410_getProperty(vi, ch, id, v);
      const std::string rest = id == 30 ? "," + std::to_string(v[2]) + "," + std::to_string(v[8]) : "";
      return got != VI_SUCCESS ? st(got) : std::to_string(v[0]) + rest;
    };
    for (ViInt32 ch = 1; ch <= 4; ++ch) tsx4410_openChannel(vi, ch);
    for (auto [ch, text] : {std::pair{2, "abc"}, {3, "XY"}, {2, "def"}, {4, "abcdefg"}, {1, "12345"}})
      tsx4410_write(vi, ch, B(text), static_cast<ViUInt32>(std::strlen(text)), &n);
    r << "|" << rd(vi, 2, 4) << rd(vi, 3, 10) << rd(vi, 2, 10) << rd(vi, 2, 10) << rd(vi, 4, 5) << rd(vi, 4, 5);
    r << "|" << prop(1, 19) << prop(1, 29) << prop(2, 29) << prop(2, 19) << prop(3, 19) << prop(4, 19);
    ViInt32 mine[TSX4410_CONFIG_WORDS] = {-7, 1, 9600};
    r << "|" << prop(3, 30) << st(tsx4410_setProperty(vi, 2, 30, mine)) << prop(2, 30) << prop(1, 30);
    r << st(tsx4410_reset(vi)) << prop(2, 30) << prop(1, 19) << st(tsx4410_closeChannel(vi, 4));
    r << "|" << rd(vi, 0, 4) << rd(vi, 5, 4) << rd(vi, 4, 4) << rd(vi + 1, 1, 4) << prop(1, 99);
    r << st(tsx4410_write(vi, 4, B("x"), 1, &n)) << n << st(tsx4410_setProperty(vi, 1, 19, mine));
    for (auto [s, status] : {std::pair{vi, VI_ERROR_TMO}, {0u, VI_ERROR_TMO}, {vi, VI_ERROR_INV_OBJECT}, {vi, 12345}})
      r << "|" << st(tsx4410_error_message(s, status, m)) << m;
    ViBoolean done = 0;
    r << "|" << st(tsx4410_jobOpc(vi, &done)) << done;
    r << "|" << st(tsx4410_close(vi)) << st(viReadSTB(vi, &stb)) << st(tsx4410_close(vi));
    return r.s;
  });
  EXPECT_EQ(c.report,
            "ok ok 66 | ok:abcd ok:XY ok:ef ok: ok:abc ok:def"
            " | 5 1 0 5000 -1 1 | 3,115200,2000 ok -7,9600,0 1,115200,2000 ok 2,115200,2000 0 ok"
            " | ERROR_INV_PARAMETER: ERROR_INV_PARAMETER: TSX4410_ERROR_CHANNEL_CLOSED:"
            " ERROR_INV_OBJECT: ERROR_INV_PARAMETER TSX4410_ERROR_CHANNEL_CLOSED 0"
            " TSX4410_ERROR_PROPERTY_READONLY | ok module slow | ok module slow"
            " | ok The session or object reference is invalid. | ok Unknown status code 12345."
            " | ok 1 | ok ERROR_INV_OBJECT ERROR_INV_OBJECT");
  // The trace: one line per call, both libraries, output values only on success.
  for (const char* line : {"viGetAttribute obj=4098 attr=1073676520 value=5 -> 0\ntsx4410_getAttribute vi=4098",
                           "tsx4410_write vi=4098 channel=4 count=1 bytes=\"x\" written=0 -> -1074135039\n",
                           "channel=3 property=30 record=[3,0,115200,8,0,1,65536,65536,2000,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0] -> 0",
                           "viOpen rm=4097 name=\"vxi::24\" mode=0 timeout=0 vi=4098 -> 0\n",
                           " msg=\"Unknown status code 12345.\" -> 0\n"})
    EXPECT_NE(c.trace.find(line), std::string::npos) << line << "\n" << c.trace;
}

// Fault rules count the calls they match (function, channel, resource) and
// fire from their Nth call for M calls; the first active rule wins. Calls
// the driver makes into VISA count too.
TEST(StandIn, FaultInjection) {
  const Child c = in_child(R"({"resources": [
    {"descriptor": "VXI::24", "faults": [{"function": "tsx4410_read", "channel": 2, "from_call": 2,
                                          "count": 2, "status": "VI_ERROR_TMO"}]},
    {"descriptor": "VXI::25", "faults": [{"function": "tsx4410_getProperty", "status": "0x3FFA0001"}]}],
    "faults": [{"function": "viReadSTB", "from_call": 2, "count": 1, "status": -1073807360},
               {"function": "viReadSTB", "status": "0xBFFF0015"},
               {"function": "viOpen", "from_call": 3, "status": "VI_ERROR_RSRC_NFOUND"}]})", [] {
    Report r;
    ViSession a, b;
    ViUInt32 n;
    ViByte buf[4];
    r << st(tsx4410_init("VXI::24", 0, 0, &a)) << st(tsx4410_init("VXI::25", 0, 0, &b));
    for (ViInt32 ch = 1; ch <= 2; ++ch) tsx4410_openChannel(a, ch), tsx4410_openChannel(b, ch);
    for (auto [s, ch] : {std::pair{a, 1}, {a, 2}, {a, 1}, {a, 2}, {b, 2}, {a, 2}, {a, 2}})
      r << st(tsx4410_read(s, ch, buf, 4, &n, nullptr));
    ViUInt16 stb;
    r << "|" << st(viReadSTB(a, &stb)) << st(viReadSTB(a, &stb)) << st(viReadSTB(a, &stb));
    ViInt32 v = 77;  // an injected warning does no work: nothing written, nothing traced
    r << "|" << st(tsx4410_getProperty(b, 1, 19, &v)) << v;
    r << "|" << st(tsx4410_init("VXI::24", 0, 0, &a)) << a;
    return r.s;
  });
  EXPECT_NE(c.trace.find("channel=1 property=19 -> 1073348609\n"), std::string::npos) << c.trace;
  EXPECT_EQ(c.report, "ok ok ok ok ok ERROR_TMO ok ERROR_TMO ok | ERROR_TMO ERROR_SYSTEM_ERROR ERROR_TMO"
                      " | TSX4410_WARN_NEAREST_SETTING 77 | ERROR_RSRC_NFOUND 0");
}

}  // namespace
