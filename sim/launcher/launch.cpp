#include "launcher/launch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "core/bench_reader.h"

namespace launcher {
namespace {

using nlohmann::json;

constexpr const char* kUsage =
    "Usage: tsx4410sfp-sim [--bench FILE] [--trace FILE] [CHANNEL=DEVICE...] [-- PANEL-OPTIONS]\n"
    "       tsx4410sfp-sim --list [--probe] [DEVICE...]\n"
    "Starts the soft front panel on the simulated TSX4410 with channels 1 to 4 on this PC's\n"
    "serial devices (1=/dev/ttyUSB0 ...); a channel without a device loops back.\n"
    "  --list          list the serial devices, who may open them and which are in use;\n"
    "                  it opens none (it reads sysfs, lock files and programs' open files)\n"
    "  --probe         list as --list does, then open each device that looks free for a\n"
    "                  moment to be sure (raises DTR: many microcontroller boards reset)\n"
    "  --bench FILE    start from this bench file (default: $SFP_SIM_BENCH, else one module)\n"
    "  --trace FILE    append a line per library call to FILE\n"
    "  --              the rest goes to the panel (e.g. -- -r resets the module)\n"
    "See tsx4410sfp-sim(1).\n";

// The bench the stand-ins use when none is named: one module at VXI0::24.
constexpr const char* kBuiltInBench =
    R"({"resources":[{"descriptor":"VXI0::24::INSTR","interface":"VXI","manufacturer_id":3021,)"
    R"("model_code":417,"slot":5,"logical_address":24}]})";

// Stand-in or real library chosen by file; the launcher's stand-ins must win.
constexpr const char* kLibraryFileVariables[] = {"SFP_VISA_LIBRARY", "SFP_DRIVER_LIBRARY"};

bool is_file(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

std::string parent(const std::string& dir) {
  const std::size_t slash = dir.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? "/" : dir.substr(0, slash);
}

std::string one_line(std::string s) {
  for (char& c : s) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return s;
}

// "1=/dev/ttyUSB0" into the options; the refusal line otherwise.
std::string take_port(const std::string& arg, Options* opts) {
  const std::size_t eq = arg.find('=');
  if (eq == std::string::npos) {
    return "\"" + arg + "\": expected CHANNEL=DEVICE such as 1=/dev/ttyUSB0 (see --help)";
  }
  const std::string ch = arg.substr(0, eq), device = arg.substr(eq + 1);
  if (ch.size() != 1 || ch[0] < '1' || ch[0] > '4') {
    return "\"" + arg + "\": no channel \"" + ch + "\" - the module's channels are 1 to 4";
  }
  if (device.empty()) return "\"" + arg + "\": no device - write " + ch + "=/dev/ttyUSB0";
  const auto [it, fresh] = opts->ports.emplace(ch[0] - '0', device);
  if (!fresh) {
    return "channel " + ch + " is given twice (" + ch + "=" + it->second + ", " + arg +
           ") - give each channel one device";
  }
  return "";
}

// Reads the starting bench with the stand-ins' own reader, so it refuses
// exactly what they would refuse, then puts the ports on its first module.
std::string merged_bench(const std::string& file, const std::map<int, std::string>& ports,
                         json* doc, sim::Bench* bench, std::size_t* first) {
  const std::string who = "bench file \"" + file + "\": ";
  std::string text = kBuiltInBench;
  if (!file.empty()) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return who + std::strerror(errno) + " - check the file's name";
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
  }
  try {
    *bench = sim::parse_bench(text);
    *doc = json::parse(text);
    if (ports.empty()) return "";
    if (!doc->contains("resources") || (*doc)["resources"].empty()) {
      return who + "no instrument to put the ports on - add a resource with a \"module\"";
    }
    json& resources = (*doc)["resources"];
    while (*first < resources.size() && !resources[*first].contains("module")) ++*first;
    if (*first == resources.size()) *first = 0;
    for (const auto& [ch, device] : ports) {
      resources[*first]["module"]["channels"][std::to_string(ch)]["port"] = device;
    }
    *bench = sim::parse_bench(doc->dump());
  } catch (const std::exception& e) {
    return who + one_line(e.what()) + " - correct the file (tsx4410sfp-sim(1) lists the keys)";
  }
  return "";
}

// Every device the merged bench names: each one usable as far as can be told
// without opening it (the panel opens it, once), none named twice.
std::string check_ports(const std::string& file, const std::map<int, std::string>& ports,
                        std::size_t first, const sim::Bench& bench, const ListRoots& roots) {
  std::map<std::string, std::string> taken;  // canonical device -> who names it
  for (std::size_t r = 0; r < bench.resources.size(); ++r) {
    const auto& channels = bench.resources[r].module.channels;
    for (std::size_t c = 0; c < channels.size(); ++c) {
      if (!channels[c].port) continue;
      const std::string& device = *channels[c].port;
      const int ch = static_cast<int>(c) + 1;
      const auto given = ports.find(ch);
      // A device from the command line is named as typed; one from the file by its key.
      const std::string who = given != ports.end() && given->second == device && r == first
                                  ? "channel " + std::to_string(ch)
                                  : "bench file \"" + file + "\": resources[" + std::to_string(r) +
                                        "].module.channels." + std::to_string(ch) + ".port";
      const std::string real = real_path(device);
      const auto [it, fresh] = taken.emplace(real.empty() ? device : real, who);
      if (!fresh) {
        return device + ": named for " + it->second + " and for " + who +
               " - a device can carry one channel";
      }
      const std::string why = check_port(device, roots).text;
      if (!why.empty()) return who.compare(0, 5, "bench") == 0 ? who + ": " + why : why;
    }
  }
  return "";
}

std::string check_trace(const std::string& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    return "trace file \"" + file + "\": " + std::strerror(errno) + " - name a file you may write";
  }
  ::close(fd);
  return "";
}

std::string in_front(const std::string& dir, const Environment& env, const char* name) {
  const auto it = env.find(name);
  return it == env.end() || it->second.empty() ? dir : dir + ":" + it->second;
}

}  // namespace

std::string parse_options(const std::vector<std::string>& args, Options* opts) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      opts->panel_args.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (a == "--bench" || a == "--trace") {
      if (i + 1 == args.size() || args[i + 1].empty()) return a + " needs a file name";
      (a == "--bench" ? opts->bench : opts->trace) = args[++i];
    } else if (a == "--list" || a == "--probe") {
      opts->list = true;
      opts->probe = opts->probe || a == "--probe";
    } else if (a == "--dry-run") {
      opts->dry_run = true;
    } else if (a == "-h" || a == "--help") {
      opts->help = true;
    } else if (!a.empty() && a[0] == '-') {
      return "unknown option \"" + a + "\" - see tsx4410sfp-sim --help";
    } else {
      opts->positional.push_back(a);
    }
  }
  if (opts->list) return "";
  for (const std::string& a : opts->positional) {
    const std::string why = take_port(a, opts);
    if (!why.empty()) return why;
  }
  return "";
}

std::string find_layout(const std::string& exe_dir, Layout* layout) {
  layout->panel = exe_dir + "/tsx4410sfp";
  if (::access(layout->panel.c_str(), X_OK) != 0) {
    return "no panel at " + layout->panel + " - build it (make build) or reinstall the package";
  }
  const std::string build = exe_dir + "/sim";
  const std::string installed = parent(exe_dir) + "/lib/tsx4410-sfp/sim";
  for (const std::string& dir : {build, installed}) {
    if (is_file(dir + "/libvisa.so") && is_file(dir + "/libtsx4410.so")) {
      layout->sim_dir = dir;
      return "";
    }
  }
  return "no stand-in libraries in " + build + " or " + installed +
         " - build them (make build) or reinstall the package";
}

int run(const std::vector<std::string>& args, const Context& ctx, std::ostream& out,
        std::ostream& err, Plan* plan) {
  Options opts;
  std::string why = parse_options(args, &opts);
  if (why.empty() && opts.help) {
    out << kUsage;
    return kDone;
  }
  if (why.empty() && opts.list) {
    ListRoots roots = ctx.roots;
    roots.named.insert(roots.named.end(), opts.positional.begin(), opts.positional.end());
    print_ports(list_ports(roots, opts.probe), out);
    return kDone;
  }
  Layout layout;
  if (why.empty()) why = find_layout(ctx.exe_dir, &layout);
  std::string file = opts.bench;
  if (file.empty() && ctx.env.count("SFP_SIM_BENCH")) file = ctx.env.at("SFP_SIM_BENCH");
  json doc;
  sim::Bench bench;
  std::size_t first = 0;  // the resource that carries the command line's ports
  if (why.empty()) why = merged_bench(file, opts.ports, &doc, &bench, &first);
  if (why.empty()) why = check_ports(file, opts.ports, first, bench, ctx.roots);
  if (why.empty() && !opts.trace.empty()) why = check_trace(opts.trace);
  if (!why.empty()) {
    err << "tsx4410sfp-sim: " << why << "\n";
    return kRefused;
  }
  plan->argv = {layout.panel};
  plan->argv.insert(plan->argv.end(), opts.panel_args.begin(), opts.panel_args.end());
  // The loader path for the driver stand-in's own need of libvisa.so; the
  // panel's folder list so that it asks there first whatever the system has.
  plan->set_env = {{"LD_LIBRARY_PATH", in_front(layout.sim_dir, ctx.env, "LD_LIBRARY_PATH")},
                   {"SFP_LIBRARY_PATH", in_front(layout.sim_dir, ctx.env, "SFP_LIBRARY_PATH")}};
  if (!opts.trace.empty()) plan->set_env.emplace_back("SFP_SIM_TRACE", opts.trace);
  plan->unset_env.assign(std::begin(kLibraryFileVariables), std::end(kLibraryFileVariables));
  plan->bench_json = doc.dump();
  if (!opts.dry_run) return kExec;
  for (const std::string& a : plan->argv) out << "arg " << a << "\n";
  for (const auto& [name, value] : plan->set_env) out << "env " << name << "=" << value << "\n";
  for (const std::string& name : plan->unset_env) out << "unset " << name << "\n";
  out << "bench " << plan->bench_json << "\n";
  return kDone;
}

}  // namespace launcher
