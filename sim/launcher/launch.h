// tsx4410sfp-sim: starts the panel on the simulated module with its channels
// on this PC's serial devices. Everything up to the exec lives here, free of
// side effects but for reading files (it opens no device but with --probe),
// so a test can run it on pseudo-terminals and look at what would be started.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "launcher/port_list.h"

namespace launcher {

struct Options {
  bool list = false;
  bool probe = false;  // --probe: --list, opening each free device for a moment
  bool help = false;
  bool dry_run = false;                 // print what would be started, start nothing
  std::map<int, std::string> ports;     // channel 1..4 -> device
  std::vector<std::string> positional;  // with --list: devices to list besides the scan
  std::string bench;                    // empty: SFP_SIM_BENCH, else the built-in bench
  std::string trace;
  std::vector<std::string> panel_args;  // everything after --
};

// Empty when the command line is usable; else the line that says why not.
std::string parse_options(const std::vector<std::string>& args, Options* opts);

// The panel and the stand-ins, found from the launcher's own folder: beside
// it in a build tree (<build>/tsx4410sfp, <build>/sim), or installed
// (<prefix>/bin/tsx4410sfp, <prefix>/lib/tsx4410-sfp/sim).
struct Layout {
  std::string panel;
  std::string sim_dir;
};
// Empty when both are there; else the line that says what is missing.
std::string find_layout(const std::string& exe_dir, Layout* layout);

struct Plan {
  std::vector<std::string> argv;  // argv[0] is the panel's path
  std::vector<std::pair<std::string, std::string>> set_env;
  std::vector<std::string> unset_env;
  std::string bench_json;  // for SFP_SIM_BENCH, written where only the panel sees it
};

// The environment the launcher reads: LD_LIBRARY_PATH, SFP_LIBRARY_PATH and
// SFP_SIM_BENCH (name -> value, absent when unset).
using Environment = std::map<std::string, std::string>;

struct Context {
  std::string exe_dir;
  Environment env;
  ListRoots roots;  // named devices are added from the command line
};

// Exit statuses; kExec: the plan is ready and the caller execs the panel.
constexpr int kExec = -1;
constexpr int kDone = 0;
constexpr int kRefused = 2;

// Runs the command line. Help, the list and a dry run go to `out`; a refusal
// is one line on `err`, naming the device (or the bench key) and the fix.
int run(const std::vector<std::string>& args, const Context& ctx, std::ostream& out,
        std::ostream& err, Plan* plan);

}  // namespace launcher
