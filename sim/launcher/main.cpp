// tsx4410sfp-sim: checks the ports and the bench, then becomes the panel
// (exec), so the desktop's signals and the exit status are the panel's own.
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "launcher/launch.h"

namespace {

std::string own_folder() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  const std::string self = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : ".";
  const std::size_t slash = self.find_last_of('/');
  return slash == std::string::npos ? "." : self.substr(0, slash);
}

bool write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The bench goes into a file only the panel's process can reach: a memory
// file inherited across the exec, named through /proc/self, as both stand-ins
// read it by name, each once. Where memory files are missing, a private
// temporary file (mode 0600) whose name goes at once: the descriptor alone
// keeps it, so it ends with the panel, however that ends.
std::string write_bench(const std::string& json) {
  int fd = memfd_create("tsx4410sfp-sim-bench", 0);
  if (fd < 0) {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/tsx4410sfp-sim-XXXXXX.json";
    fd = mkstemps(&path[0], 5);
    if (fd >= 0) unlink(path.c_str());
  }
  return fd >= 0 && write_all(fd, json) ? "/proc/self/fd/" + std::to_string(fd) : "";
}

}  // namespace

int main(int argc, char** argv) {
  launcher::Context ctx;
  ctx.exe_dir = own_folder();
  for (const char* name : {"LD_LIBRARY_PATH", "SFP_LIBRARY_PATH", "SFP_SIM_BENCH"}) {
    if (const char* value = std::getenv(name)) ctx.env[name] = value;
  }
  launcher::Plan plan;
  const int status = launcher::run({argv + 1, argv + argc}, ctx, std::cout, std::cerr, &plan);
  if (status != launcher::kExec) return status;
  const std::string bench = write_bench(plan.bench_json);
  if (bench.empty()) {
    std::cerr << "tsx4410sfp-sim: cannot write the bench: " << std::strerror(errno)
              << " - check that TMPDIR names a folder you may write\n";
    return launcher::kRefused;
  }
  setenv("SFP_SIM_BENCH", bench.c_str(), 1);
  for (const auto& [name, value] : plan.set_env) setenv(name.c_str(), value.c_str(), 1);
  for (const std::string& name : plan.unset_env) unsetenv(name.c_str());
  std::vector<char*> args;
  for (std::string& a : plan.argv) args.push_back(&a[0]);
  args.push_back(nullptr);
  execv(args[0], args.data());
  std::cerr << "tsx4410sfp-sim: " << plan.argv[0] << ": " << std::strerror(errno)
            << " - rebuild (make build) or reinstall the package\n";
  return launcher::kRefused;
}
