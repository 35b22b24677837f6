// Exercises the built libraries through dlopen, as the application does. Each
// case runs in a child process: the libraries read the bench once per process.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/trace.h"
#include "tsx4410_stub.h"

namespace {

// Runs body in a child with the given bench (nullptr: none set) and returns
// the problems it found, or why the child died.
std::string in_child(const char* bench, const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (bench) setenv("SFP_SIM_BENCH", bench, 1); else unsetenv("SFP_SIM_BENCH");
    const std::string problems = body();
    if (write(fds[1], problems.data(), problems.size()) < 0) _exit(2);
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out += " [child died, status " + std::to_string(status) + "]";
  return out;
}

std::string bench(const char* name) { return std::string(SIM_BENCH_DIR) + "/" + name + ".json"; }

// A scratch file holding `content`, removed again at the end of the test.
struct TempFile {
  explicit TempFile(const std::string& content = {}) {
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << content;
  }
  ~TempFile() { std::remove(path); }
  char path[32] = "/tmp/sim_test_XXXXXX";
};

struct Libs {
  void* visa = dlopen(SIM_VISA_LIB, RTLD_NOW | RTLD_GLOBAL);
  void* driver = dlopen(SIM_DRIVER_LIB, RTLD_NOW);  // finds the libvisa.so loaded above
  bool ok() const { return visa && driver; }
};

#define SYM(handle, name) reinterpret_cast<decltype(&name)>(dlsym(handle, #name))

// Collects failed checks inside the child, where gtest assertions cannot report.
struct Problems {
  std::ostringstream out;
  void check(bool ok, const std::string& what) {
    if (!ok) out << what << "; ";
  }
  template <class T>
  void equal(T got, T want, const std::string& what) {
    if (!(got == want)) out << what << ": got " << got << ", want " << want << "; ";
  }
};

TEST(Library, ExportsEveryEntryPoint) {
  EXPECT_EQ(in_child(nullptr, [] {
    Problems p;
    Libs libs;
    if (!libs.ok()) return std::string(dlerror());
    void* visa = libs.visa;
    void* driver = libs.driver;
    for (const char* name : {"viOpenDefaultRM", "viFindRsrc", "viFindNext", "viParseRsrc",
                             "viParseRsrcEx", "viOpen", "viClose", "viGetAttribute",
                             "viSetAttribute", "viStatusDesc", "viWrite", "viRead", "viReadSTB",
                             "viFlush", "viClear", "viDisableEvent", "viDiscardEvents"}) {
      p.check(dlsym(visa, name) != nullptr, name);
    }
    for (const char* name : {"tsx4410_init", "tsx4410_reset", "tsx4410_self_test", "tsx4410_close",
                             "tsx4410_error_message", "tsx4410_error_query",
                             "tsx4410_getProperty", "tsx4410_setProperty", "tsx4410_openChannel",
                             "tsx4410_closeChannel", "tsx4410_write", "tsx4410_read",
                             "tsx4410_getAttribute", "tsx4410_setAttribute", "tsx4410_jobOpc",
                             "tsx4410_readAsync", "tsx4410_writeAsync", "tsx4410_revision_query",
                             "tsx4410_terminate"}) {
      p.check(dlsym(driver, name) != nullptr, name);
    }
    p.check(dlsym(visa, "_ZN3sim10load_benchEPKcP8_IO_FILES1_") == nullptr, "internals exported");
    return p.out.str();
  }), "");
}

TEST(Library, VariantsLackOneEntryPoint) {
  EXPECT_EQ(in_child(nullptr, [] {
    Problems p;
    void* visa = dlopen(SIM_VISA_MISSING_LIB, RTLD_NOW | RTLD_GLOBAL);
    void* driver = dlopen(SIM_DRIVER_MISSING_LIB, RTLD_NOW);
    if (!visa || !driver) return std::string(dlerror());
    p.check(dlsym(visa, "viFindNext") == nullptr, "viFindNext present");
    p.check(dlsym(visa, "viFindRsrc") != nullptr, "viFindRsrc missing");
    p.check(dlsym(driver, "tsx4410_write") == nullptr, "tsx4410_write present");
    p.check(dlsym(driver, "tsx4410_read") != nullptr, "tsx4410_read missing");
    return p.out.str();
  }), "");
}

TEST(Library, DriverSessionIsAVisaSession) {
  const TempFile stb(R"({"resources": [{"descriptor": "VXI0::24::INSTR", "status_byte": 66}]})");
  EXPECT_EQ(in_child(stb.path, [] {
    Problems p;
    Libs libs;
    if (!libs.ok()) return std::string(dlerror());
    ViSession vi = VI_NULL;
    p.equal(SYM(libs.driver, tsx4410_init)("vxi::24", VI_TRUE, VI_TRUE, &vi), VI_SUCCESS, "init");
    ViUInt16 stb = 0;
    p.equal(SYM(libs.visa, viReadSTB)(vi, &stb), VI_SUCCESS, "viReadSTB");
    p.equal<int>(stb, 66, "status byte");
    p.equal(SYM(libs.driver, tsx4410_close)(vi), VI_SUCCESS, "close");
    p.equal(SYM(libs.visa, viReadSTB)(vi, &stb), VI_ERROR_INV_OBJECT, "viReadSTB after close");
    return p.out.str();
  }), "");
}

TEST(Library, TraceOfAModuleSession) {
  const TempFile trace;
  setenv("SFP_SIM_TRACE", trace.path, 1);
  const std::string timeouts = bench("timeouts");
  EXPECT_EQ(in_child(timeouts.c_str(), [] {
    Problems p;
    Libs libs;
    if (!libs.ok()) return std::string(dlerror());
    ViSession vi = VI_NULL;
    SYM(libs.driver, tsx4410_init)("VXI0::24::INSTR", 1, 0, &vi);
    SYM(libs.driver, tsx4410_openChannel)(vi, 2);
    auto write = SYM(libs.driver, tsx4410_write);
    auto read = SYM(libs.driver, tsx4410_read);
    ViUInt32 n = 0;
    ViInt16 scratch = 0;
    unsigned char buf[16];
    p.equal(write(vi, 2, reinterpret_cast<const ViByte*>("ab\n"), 3, &n), VI_SUCCESS, "write 1");
    p.equal(write(vi, 2, reinterpret_cast<const ViByte*>("cd"), 2, &n), VI_SUCCESS, "write 2");
    p.equal(write(vi, 2, reinterpret_cast<const ViByte*>("ef"), 2, &n), VI_ERROR_TMO, "write 3");
    p.equal(read(vi, 2, buf, 16, &n, &scratch), VI_SUCCESS, "read 1");
    p.equal(n, 5u, "read count");
    read(vi, 2, buf, 16, &n, &scratch);
    p.equal(read(vi, 2, buf, 16, &n, &scratch), VI_ERROR_TMO, "read 3");
    ViInt32 record[TSX4410_CONFIG_WORDS] = {};
    SYM(libs.driver, tsx4410_getProperty)(vi, 2, TSX4410_PROP_CHANNEL_CONFIG, record);
    SYM(libs.driver, tsx4410_close)(vi);
    return p.out.str();
  }), "");
  unsetenv("SFP_SIM_TRACE");

  std::ifstream in(trace.path);
  std::vector<sim::TraceRecord> recs;
  for (std::string line; std::getline(in, line);) {
    auto rec = sim::parse_trace_line(line);
    ASSERT_TRUE(rec) << line;
    recs.push_back(*rec);
  }
  std::vector<std::string> functions;
  for (const auto& r : recs) functions.push_back(r.function);
  const std::vector<std::string> expected = {
      "viOpenDefaultRM", "viOpen", "tsx4410_init", "tsx4410_openChannel", "tsx4410_write",
      "tsx4410_write", "tsx4410_write", "tsx4410_read", "tsx4410_read", "tsx4410_read",
      "tsx4410_getProperty", "viClose", "tsx4410_close"};
  ASSERT_EQ(functions, expected);
  EXPECT_EQ(*recs[1].get("name"), "VXI0::24::INSTR");
  EXPECT_EQ(*recs[2].get("reset"), "0");
  EXPECT_EQ(*recs[2].get("vi"), *recs[1].get("vi"));
  EXPECT_EQ(*recs[4].get("bytes"), "ab\n");
  EXPECT_EQ(*recs[4].get("channel"), "2");
  EXPECT_EQ(recs[6].status, VI_ERROR_TMO);
  EXPECT_EQ(*recs[7].get("bytes"), "ab\ncd");
  EXPECT_EQ(*recs[10].get("record"), "[2,0,115200,8,0,1,65536,65536,2000,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]");
}

TEST(Library, BenchScenarios) {
  struct Case {
    const char* bench;
    std::function<std::string(Libs&)> body;
  };
  const Case cases[] = {
      {"none", [](Libs& l) {
         Problems p;
         ViSession rm, vi = 1;
         ViUInt32 count = 9;
         char desc[256];
         SYM(l.visa, viOpenDefaultRM)(&rm);
         p.equal(SYM(l.visa, viFindRsrc)(rm, "?*INSTR", nullptr, &count, desc), VI_ERROR_RSRC_NFOUND, "find");
         p.equal(SYM(l.driver, tsx4410_init)("VXI0::24::INSTR", 0, 0, &vi), VI_ERROR_RSRC_NFOUND, "init");
         p.equal<ViSession>(vi, VI_NULL, "no session");
         p.equal(SYM(l.driver, tsx4410_init)("no such name", 0, 0, &vi), VI_ERROR_RSRC_NFOUND, "init");
         return p.out.str();
       }},
      {"init-warning", [](Libs& l) {
         Problems p;
         ViSession vi = 1;
         char msg[256];
         p.equal(SYM(l.driver, tsx4410_init)("VXI0::24::INSTR", 0, 0, &vi), ViStatus{0x3FFA0001}, "init");
         p.equal<ViSession>(vi, VI_NULL, "no session");
         p.equal(SYM(l.driver, tsx4410_error_message)(VI_NULL, 0x3FFA0001, msg), VI_SUCCESS, "message");
         p.equal(std::string(msg), std::string("Module firmware is older than the driver expects."), "text");
         return p.out.str();
       }},
      {"long-texts", [](Libs& l) {
         Problems p;
         ViSession vi;
         ViInt16 code = 0;
         char msg[300];
         std::memset(msg, '#', sizeof msg);
         SYM(l.driver, tsx4410_init)("VXI0::24::INSTR", 0, 0, &vi);
         p.equal(SYM(l.driver, tsx4410_self_test)(vi, &code, msg), VI_SUCCESS, "self test");
         p.equal<int>(code, 7, "code");
         p.equal(msg[255] != '\0' && msg[256] == '#', true, "256 bytes, no zero");
         std::memset(msg, '#', sizeof msg);
         p.equal(SYM(l.driver, tsx4410_error_message)(vi, VI_ERROR_TMO, msg), VI_SUCCESS, "message");
         p.equal(msg[255] != '\0' && msg[256] == '#', true, "error text 256 bytes, no zero");
         return p.out.str();
       }},
  };
  for (const Case& c : cases) {
    const std::string path = bench(c.bench);
    EXPECT_EQ(in_child(path.c_str(), [&] {
      Libs libs;
      return libs.ok() ? c.body(libs) : std::string(dlerror());
    }), "") << c.bench;
  }
}

TEST(Library, MalformedBenchIsReportedAndEmpty) {
  const TempFile err;
  const std::string malformed = bench("malformed");
  EXPECT_EQ(in_child(malformed.c_str(), [&err] {
    if (dup2(open(err.path, O_WRONLY), STDERR_FILENO) < 0) return std::string("no stderr file");
    Problems p;
    Libs libs;
    if (!libs.ok()) return std::string(dlerror());
    ViSession rm;
    ViUInt32 count;
    char desc[256];
    SYM(libs.visa, viOpenDefaultRM)(&rm);
    p.equal(SYM(libs.visa, viFindRsrc)(rm, "?*INSTR", nullptr, &count, desc), VI_ERROR_RSRC_NFOUND, "find");
    return p.out.str();
  }), "");
  std::ifstream in(err.path);
  std::string line, rest;
  std::getline(in, line);
  EXPECT_NE(line.find("libvisa.so stand-in: bench file \"" + malformed + "\" not used: "),
            std::string::npos) << line;
  EXPECT_FALSE(std::getline(in, rest)) << "more than one line: " << rest;
}

}  // namespace
