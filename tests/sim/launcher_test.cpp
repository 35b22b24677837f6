// The port launcher on pseudo-terminals, sysfs, /dev, /run/lock and /proc made up in a scratch folder:
// what it refuses (one line naming the device or bench key), starts and lists, opening no device.
#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "core/bench_reader.h"
#include "core/config_record.h"
#include "launcher/launch.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using sim::PortFault;

struct Pty {
    Pty() { EXPECT_EQ(openpty(&far, &near, name, nullptr, nullptr), 0); }
    ~Pty() { close(far), close(near); }
    std::string path() const { return name; }
    std::string base() const { return fs::path(name).filename(); }
    int far = -1, near = -1;
    char name[64] = {};
};

// A scratch folder with a build tree and an installed tree, each with a panel and stand-ins, the
// kernel's list of tty drivers and whatever files a case makes.
struct Scratch {
    Scratch()
    {
        for (const char* f : { "build/tsx4410sfp", "build/sim/libvisa.so", "build/sim/libtsx4410.so",
                 "bin/tsx4410sfp", "lib/tsx4410-sfp/sim/libvisa.so", "lib/tsx4410-sfp/sim/libtsx4410.so" })
            fs::permissions(Write(f, ""), fs::perms::owner_all);
        Link("proc/tty", "/proc/tty");
        ctx.exe_dir = dir / "bin";
        ctx.roots = { dir / "dev", dir / "by-id", dir / "path", dir / "sys", dir / "lock", dir / "proc", {} };
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string At(const std::string& n) { return fs::create_directories((dir / n).parent_path()), dir / n; }
    std::string Write(const std::string& n, const std::string& t) { return std::ofstream(At(n)) << t, At(n); }
    std::string Link(const std::string& n, const fs::path& t) { return fs::create_symlink(t, At(n)), At(n); }
    fs::path dir = fs::temp_directory_path() / ("launcher-" + std::to_string(getpid()));
    launcher::Context ctx;
};

struct Outcome {
    int status;
    std::string out, err;
    launcher::Plan plan;
    std::string flat() const { return std::regex_replace(out, std::regex("   *"), "  "); } // columns 2 apart
};

Outcome Launch(const std::vector<std::string>& args, const launcher::Context& ctx)
{
    std::ostringstream out, err;
    Outcome o;
    o.status = launcher::run(args, ctx, out, err, &o.plan);
    o.out = out.str(), o.err = err.str();
    return o;
}

std::string Bench(const std::string& channels)
{
    return R"({"resources":[{"descriptor":"VXI0::24::INSTR","module":{"channels":)" + channels + "}}]}";
}

TEST(Launcher, RefusesInOneLineNamingTheDeviceOrBenchKeyAndTheFix)
{
    Scratch s;
    Pty free, held, bare;
    const std::string me = std::to_string(getpid()), plain = s.Write("plain.txt", "x");
    s.Write("lock/LCK.." + held.base(), "   " + me + "\n"), s.Write("sys/" + bare.base() + "/type", "0\n");
    const std::string typo = s.Write("typo.json", Bench(R"({"1":{"Port":"/dev/ttyUSB0"}})"));
    const std::string gone = s.Write("gone.json", Bench(R"({"3":{"port":"/nowhere/ttyUSB9"}})"));
    const std::string none = s.Write("none.json", R"({"resources":[]})");
    const std::pair<std::vector<std::string>, std::string> kRows[] = {
        { { "5=" + free.path() }, "no channel \"5\" - the module's channels are 1 to 4" },
        { { "ttyUSB0" }, "\"ttyUSB0\": expected CHANNEL=DEVICE such as 1=/dev/ttyUSB0" },
        { { "2=" }, "\"2=\": no device - write 2=/dev/ttyUSB0" },
        { { "1=/nowhere/ttyUSB7" }, "/nowhere/ttyUSB7: no such device - check the name" },
        { { "1=" + plain + "/ttyS0" }, plain + "/ttyS0: no such device" },
        { { "1=" + plain }, plain + ": not a serial device (a plain file) - name one such as" },
        { { "1=/dev/null" }, "/dev/null: not a serial device (a character device that is not a tty)" },
        { { "4=" + s.dir.string() }, s.dir.string() + ": not a serial device (a folder)" },
        { { "1=" + held.path() }, held.path() + ": in use by another program (pid " + me + ") - end that" },
        { { "1=" + bare.path() }, bare.path() + ": a built-in port with no UART behind it" },
        { { "1=" + free.path(), "3=" + s.Link("A", free.path()) },
            ": named for channel 1 and for channel 3" },
        { { "1=" + free.path(), "1=" + held.path() }, "channel 1 is given twice" },
        { { "--bench", typo }, typo + "\": resources[0].module.channels.1: unknown key \"Port\"" },
        { { "--bench", gone, "1=" + free.path() },
            "resources[0].module.channels.3.port: /nowhere/ttyUSB9: no such device" },
        { { "--bench", none, "1=" + free.path() }, "no instrument to put the ports on" },
        { { "--bench", s.dir / "missing.json" }, "missing.json\": No such file or directory" },
        { { "--trace", "/nowhere/t", "1=" + free.path() }, "trace file \"/nowhere/t\": No such file" },
        { { "--frob" }, "unknown option \"--frob\"" },
        { { "--trace" }, "--trace needs a file name" },
    };
    for (const auto& [args, expected] : kRows) {
        const Outcome o = Launch(args, s.ctx);
        EXPECT_TRUE(o.status == launcher::kRefused && o.plan.argv.empty() && o.out.empty()) << args[0];
        EXPECT_TRUE(o.err.rfind("tsx4410sfp-sim: ", 0) == 0
            && std::count(o.err.begin(), o.err.end(), '\n') == 1 && o.err.find(expected) != o.err.npos)
            << o.err;
    }
    fs::remove(s.dir / "bin/tsx4410sfp");
    EXPECT_NE(Launch({}, s.ctx).err.find("no panel at " + s.ctx.exe_dir), std::string::npos);
}

TEST(Launcher, StartsThePanelOnTheStandInsWithThePortsOnTheFirstModule)
{
    Scratch s;
    Pty a, b;
    const std::string file = s.Write("two.json",
        R"({"resources":[{"descriptor":"GPIB0::7::INSTR"},)"
        R"({"descriptor":"VXI0::24::INSTR","module":{"channels":{"2":{"busy":true,)"
        R"("port":"/dev/ttyUSB5"},"4":{"port":")"
            + b.path() + R"("}}}}]})");
    s.ctx.env = { { "LD_LIBRARY_PATH", "/opt/x" }, { "SFP_SIM_BENCH", file } };
    for (const std::string exe : { "bin", "build" }) {
        s.ctx.exe_dir = s.dir / exe;
        const std::string sim = exe == "bin" ? s.dir / "lib/tsx4410-sfp/sim" : s.dir / "build/sim";
        const Outcome o = Launch({ "2=" + a.path(), "--trace", s.dir / "t", "--", "-r", "x=1" }, s.ctx);
        ASSERT_EQ(o.status, launcher::kExec) << o.err;
        EXPECT_EQ(o.plan.argv, (std::vector<std::string> { s.dir / exe / "tsx4410sfp", "-r", "x=1" }));
        EXPECT_EQ(o.plan.set_env,
            (decltype(o.plan.set_env) { { "LD_LIBRARY_PATH", sim + ":/opt/x" }, { "SFP_LIBRARY_PATH", sim },
                { "SFP_SIM_TRACE", s.dir / "t" } }));
        EXPECT_EQ(o.plan.unset_env, (std::vector<std::string> { "SFP_VISA_LIBRARY", "SFP_DRIVER_LIBRARY" }));
        const json bench = json::parse(o.plan.bench_json);
        EXPECT_FALSE(bench["resources"][0].contains("module"));
        EXPECT_EQ(bench["resources"][1]["module"]["channels"],
            json::parse(
                R"({"2":{"busy":true,"port":")" + a.path() + R"("},"4":{"port":")" + b.path() + R"("}})"));
    }
    fs::remove(s.dir / "build/sim/libtsx4410.so"); // half a set of stand-ins is passed over
    EXPECT_EQ(Launch({ "2=" + a.path() }, s.ctx).plan.set_env.at(1).second, s.dir / "lib/tsx4410-sfp/sim");
    // Without a bench: the stand-ins' built-in one, the port on its module; a dry run only prints.
    s.ctx.env.clear();
    const Outcome o = Launch({ "--dry-run", "3=" + a.path() }, s.ctx);
    EXPECT_EQ(o.status, launcher::kDone);
    EXPECT_NE(o.out.find("arg " + s.ctx.exe_dir + "/tsx4410sfp\nenv LD_LIBRARY_PATH="), std::string::npos);
    for (const std::string help : { "-h", "--help" })
        EXPECT_EQ(Launch({ help }, s.ctx).out.rfind("Usage: tsx4410sfp-sim [--bench FILE]", 0), 0u);
    const sim::Bench bench = sim::parse_bench(o.plan.bench_json), builtin = sim::default_bench();
    ASSERT_EQ(bench.resources.size(), 1u);
    const sim::Resource &r = bench.resources[0], &d = builtin.resources[0];
    EXPECT_EQ(std::tie(r.descriptor, r.intf_type, r.manufacturer_id, r.model_code, r.slot, r.logical_address),
        std::tie(d.descriptor, d.intf_type, d.manufacturer_id, d.model_code, d.slot, d.logical_address));
    EXPECT_EQ(r.module.channels[2].port, a.path());
}

// Every tty sysfs shows with a device behind it (tty1 has none), its driver, and what holds it.
TEST(Launcher, ListsEveryTtyWithHardwareBehindItAndWhatHoldsItWithoutOpeningIt)
{
    Scratch s;
    Pty t[6], p[8];
    const std::string usb = "devices/usb1/1-2", dev = s.dir / "dev", me = std::to_string(getpid());
    const std::pair<std::string, std::string> kTtys[] = { { "ttyUSB2", usb + "/1-2:1.0/tty" },
        { "ttyUSB10", "devices/usb1/1-3/1-3:1.0" }, { "ttyTHS0", "devices/ths/ctrl/port" },
        { "rfcomm0", "devices/bt" }, { "ttyS3", "devices/pnp" } };
    for (std::size_t i = 0; i < 5; ++i)
        s.Link("dev/" + kTtys[i].first, t[i].path()),
            s.Link("sys/" + kTtys[i].first + "/device", s.At(kTtys[i].second + "/"));
    s.Link("dev/tty1", t[5].path()), s.Write("sys/tty1/dev", "4:1"), s.Write("sys/ttyS3/type", "0");
    s.Link("by-id/usb-FTDI_A1B2C3", "../dev/ttyUSB2"), s.Link("path/pci-0:2", "../dev/ttyUSB2");
    for (const auto& [key, value] : { std::pair<std::string, std::string> { "idVendor", "0403" },
             { "idProduct", "6001" }, { "product", "FT232R USB UART" }, { "serial", "A1B2C3" } })
        s.Write(usb + "/" + key, value + "\n");
    s.Link(usb + "/1-2:1.0/tty/driver", s.At("drivers/ftdi_sio/")),
        s.Link("devices/ths/driver", s.At("drivers/serial-tegra/"));
    for (const char* d : { "devices/ths/ctrl/port", "devices/ths/ctrl" }) // serial_core's own, in between
        s.Link(d + std::string("/subsystem"), s.At("bus/serial-base/"));
    // Held by a lock, a stale lock, a lock under the name given, minicom, the launcher itself, the
    // far end of a pair socat made (it holds the line and its master), and one with another's master.
    s.Write("lock/LCK.." + p[0].base(), "  " + me + "\n"), s.Write("lock/LCK.." + p[1].base(), "99999999");
    s.Write("lock/LCK..usb-X", "?"), s.Link("proc/42/fd/3", p[3].path()), s.Write("proc/42/comm", "minicom");
    s.Link("proc/" + me + "/fd/3", p[4].path()), s.Link("proc/self/fd/3", p[5].path());
    for (const std::string d : { "proc/6/", "proc/7/" }) // both hold p[6]'s master: socat's far end, another
        s.Link(d + "fd/7", p[d[5] - '0'].path()), s.Link(d + "fd/8", "/dev/ptmx"),
            s.Write(d + "fdinfo/8", "pos:\t0\ntty-index:\t" + p[6].base() + "\n");
    const std::string kHeld[] = { "yes: pid " + me, "no", "yes: " + s.dir.string() + "/lock/LCK..usb-X",
        "yes: minicom, pid 42", "no", "no", "no", "yes: pid 7" };
    const std::vector<std::string> args { "--list", p[0].path(), p[1].path(), s.Link("usb-X", p[2].path()),
        p[3].path(), p[4].path(), p[5].path(), p[6].path(), p[7].path() };
    const Outcome o = Launch(args, s.ctx);
    EXPECT_EQ(o.out.find("IN USE") - o.out.find("MAY OPEN"), 10u) << "2 spaces after the widest, the heading";
    std::string rows = "DEVICE  MAY OPEN  IN USE  DRIVER  USB\n" + dev + "/rfcomm0  yes  no\n" + dev
        + "/ttyTHS0  yes  no  serial-tegra\n" + dev
        + "/ttyUSB2  yes  no  ftdi_sio  0403:6001 FT232R USB UART (serial A1B2C3)\n  " + s.dir.string()
        + "/by-id/usb-FTDI_A1B2C3\n  " + s.dir.string() + "/path/pci-0:2\n" + dev + "/ttyUSB10  yes  no\n";
    for (std::size_t i = 1; i < args.size(); ++i)
        rows += args[i] + "  yes  " + kHeld[i - 1] + "\n" + (i == 3 ? "  is " + p[2].path() + "\n" : "");
    rows += "Not listed: 1 built-in port with no UART behind it (ttyS3).\nPut a channel on a free one: "
            "tsx4410sfp-sim 1=";
    EXPECT_EQ(o.flat(), rows + dev + "/rfcomm0\n");
    s.ctx.roots = { "", "", "", "", "", "", {} };
    EXPECT_EQ(Launch({ "--list" }, s.ctx).out.rfind("No serial devices found.", 0), 0u);
}

// Only --probe and the panel open a device, and take only one that answers TCGETS2 (/dev/null and
// files do not), which every open needs to save and put back the line's settings.
TEST(Launcher, OnlyProbeAndThePanelOpenADeviceAndTakeOneOnlyIfItAnswersTheKernelsLineSettings)
{
    Scratch s;
    Pty free, held;
    const int master = posix_openpt(O_RDWR | O_NOCTTY); // never unlocked: opening its line fails (EIO)
    const std::string list = "/ttyUSB0  yes  no\n" + held.path() + "  yes  ", locked = ptsname(master);
    ASSERT_EQ(flock(held.near, LOCK_EX), 0);
    s.Link("sys/ttyUSB0/device", s.dir / "sys"), s.Link("dev/ttyUSB0", free.path());
    s.ctx.roots.proc = "/none"; // without the kernel's list of ttys, only opening /dev/null tells
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, free.name, IN_OPEN), 0);
    const std::string probed = list + "yes\n" + locked + "  ?  ?\n  " + locked
        + ": Input/output error - choose another device; " + launcher::kListHint
        + "\n/dev/null  ?  ?\n  /dev/null: not a serial device (a character device that is not a tty)";
    const std::pair<std::vector<std::string>, std::string> kRuns[]
        = { { { "--list", held.path() }, list + "no\n" }, { { "--dry-run", "1=" + free.path() }, "\nbench " },
              { { "--list", "--probe", held.path(), locked, "/dev/null" }, probed } };
    for (const auto& [args, rows] : kRuns) {
        EXPECT_NE(Launch(args, s.ctx).flat().find(rows), std::string::npos) << args[1];
        EXPECT_EQ(read(watch, std::array<inotify_event, 4>().data(), 4 * sizeof(inotify_event)) > 0,
            args[1] == "--probe");
    }
    close(watch), close(master);
    const std::pair<std::string, PortFault> kRows[]
        = { { free.path(), PortFault::kNone }, { held.path(), PortFault::kInUse },
              { "/dev/null", PortFault::kNotSerial }, { s.Write("plain", "x"), PortFault::kNotSerial },
              { "/nowhere/tty", PortFault::kMissing }, { s.dir, PortFault::kOther } };
    for (const auto& [path, fault] : kRows) {
        const sim::PortCheck c = sim::probe_port(path);
        sim::SerialLine line(path);
        EXPECT_EQ(line.open(sim::serial_default_record(1), nullptr) < 0, fault != PortFault::kNone) << path;
        EXPECT_TRUE(c.fault == fault && c.text == line.message()) << path << c.text;
    }
}

TEST(Launcher, NamesTheGroupToJoinOrSaysOnlyTheOwnerMayOpen)
{
    Pty pty;
    const bool root = geteuid() == 0; // root opens anything: a child that gives it up asks
    const std::tuple<mode_t, std::string, std::string> kModes[]
        = { { root ? 0660 : 0060, " group (sudo usermod -aG ", " group?" },
              { root ? 0600 : 0, "owner may open it - ask", "denied - only its owner may open it" } };
    for (const auto& [mode, fix, panel] : kModes) {
        ASSERT_EQ(chmod(pty.path().c_str(), mode), 0);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        if (fork() == 0) {
            std::ostringstream out;
            const launcher::ListRoots none { "", "", "", "", "", "", { pty.path() } };
            if (!root || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0))
                launcher::print_ports(launcher::list_ports(none), out);
            out << launcher::check_port(pty.path(), none).text << sim::probe_port(pty.path()).text;
            _exit(write(fds[1], out.str().data(), out.str().size()) < 0);
        }
        close(fds[1]);
        char buf[4096];
        const std::string got(buf, std::max<ssize_t>(read(fds[0], buf, sizeof buf), 0));
        close(fds[0]), wait(nullptr);
        EXPECT_TRUE(got.find(pty.path() + ": Permission denied - ") != got.npos && got.find(fix) != got.npos
            && got.find("\nTo join a group: sudo", got.find(mode & 060 ? "no: join " : "no: owner only"))
                != got.npos
            && got.rfind(panel) == got.size() - panel.size())
            << got;
    }
}

} // namespace
