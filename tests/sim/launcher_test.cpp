// The port launcher on pseudo-terminals: what it refuses (one line naming the
// device or the bench key), what it would start, and what --list shows.
#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "core/bench_reader.h"
#include "launcher/launch.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Pty {
    Pty() { EXPECT_EQ(openpty(&far, &near, name, nullptr, nullptr), 0); }
    ~Pty() { close(far), close(near); }
    std::string path() const { return name; }
    int far = -1, near = -1;
    char name[64] = {};
};

// A scratch folder with a build tree and an installed tree, each with a panel
// and stand-ins, and whatever files a case writes.
struct Scratch {
    Scratch()
    {
        for (const char* f : { "build/tsx4410sfp", "build/sim/libvisa.so", "build/sim/libtsx4410.so",
                 "bin/tsx4410sfp", "lib/tsx4410-sfp/sim/libvisa.so", "lib/tsx4410-sfp/sim/libtsx4410.so",
                 "dev/.keep", "by-id/.keep" }) {
            Write(f, "");
            fs::permissions(dir / f, fs::perms::owner_all);
        }
        ctx.exe_dir = dir / "bin";
        ctx.sys_tty = dir / "sys";
        ctx.roots = { dir / "dev", dir / "by-id", dir / "sys", {} };
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string Write(const std::string& name, const std::string& text)
    {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name) << text;
        return dir / name;
    }
    std::string Link(const std::string& name, const std::string& target) { return fs::create_symlink(target, dir / name), dir / name; }
    fs::path dir = fs::temp_directory_path() / ("launcher-" + std::to_string(getpid()));
    launcher::Context ctx;
};

struct Outcome {
    int status;
    std::string out, err;
    launcher::Plan plan;
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
    Pty free, held;
    const int holder = open(held.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    const std::string plain = s.Write("plain.txt", "x"), dead = s.Link("ttyS7", free.path());
    s.Write("sys/ttyS7/type", "0\n");
    const std::string typo = s.Write("typo.json", Bench(R"({"1":{"Port":"/dev/ttyUSB0"}})"));
    const std::string gone = s.Write("gone.json", Bench(R"({"3":{"port":"/nowhere/ttyUSB9"}})"));
    const std::string none = s.Write("none.json", R"({"resources":[]})");
    const std::pair<std::vector<std::string>, std::string> kRows[] = {
        { { "5=" + free.path() }, "no channel \"5\" - the module's channels are 1 to 4" },
        { { "ttyUSB0" }, "\"ttyUSB0\": expected CHANNEL=DEVICE such as 1=/dev/ttyUSB0" },
        { { "2=" }, "\"2=\": no device - write 2=/dev/ttyUSB0" },
        { { "1=/nowhere/ttyUSB7" }, "/nowhere/ttyUSB7: no such device - check the name" },
        { { "1=" + plain }, plain + ": not a serial device (a plain file) - name one such as" },
        { { "1=/dev/null" }, "/dev/null: not a serial device (a character device that is not a tty)" },
        { { "4=" + s.dir.string() }, s.dir.string() + ": not a serial device (a folder)" },
        { { "1=" + held.path() }, held.path() + ": in use by another program - end that program first" },
        { { "1=" + dead }, dead + ": a built-in port with no UART behind it" },
        { { "1=" + free.path(), "3=" + free.path() }, ": named for channel 1 and for channel 3" },
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
        EXPECT_TRUE(
            o.err.rfind("tsx4410sfp-sim: ", 0) == 0 && std::count(o.err.begin(), o.err.end(), '\n') == 1)
            << o.err;
        EXPECT_NE(o.err.find(expected), std::string::npos) << o.err;
    }
    fs::remove(s.dir / "bin/tsx4410sfp");
    EXPECT_NE(Launch({}, s.ctx).err.find("no panel at " + s.ctx.exe_dir), std::string::npos);
    close(holder);
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
        const decltype(o.plan.set_env) env = { { "LD_LIBRARY_PATH", sim + ":/opt/x" },
            { "SFP_LIBRARY_PATH", sim }, { "SFP_SIM_TRACE", s.dir / "t" } };
        EXPECT_EQ(o.plan.set_env, env);
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

TEST(Launcher, ListsSerialDevicesWithTheirByIdNamesAccessAndHolder)
{
    Scratch s;
    Pty usb2, usb10, acm, dead, other, named;
    s.Link("dev/ttyUSB2", usb2.path()), s.Link("dev/ttyUSB10", usb10.path());
    s.Link("dev/ttyACM1", acm.path()), s.Link("dev/ttyS3", dead.path());
    s.Link("dev/tty5", other.path()), s.Link("dev/ttyUSBx", other.path());
    s.Link("by-id/usb-Maker_Cable_42-if00-port0", "../dev/ttyUSB10");
    s.Write("sys/ttyS3/type", "0");
    const int holder = open(acm.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    const Outcome o = Launch({ "--list", named.path() }, s.ctx);
    EXPECT_EQ(o.status, launcher::kDone);
    const std::string dev = s.dir / "dev";
    auto line = [&](const std::string& device) { // the device's line of the table
        const std::size_t at = std::min(o.out.find("\n" + device + " ") + 1, o.out.size());
        return o.out.substr(at, o.out.find('\n', at) - at);
    };
    auto row = [&](const std::string& device) {
        std::istringstream words(line(device));
        return std::vector<std::string> { std::istream_iterator<std::string>(words), {} };
    };
    EXPECT_EQ(row(dev + "/ttyACM1"), (std::vector<std::string> { dev + "/ttyACM1", "yes", "yes" }));
    // Each column starts under its heading.
    const std::string head = o.out.substr(0, o.out.find('\n')), usb = line(dev + "/ttyUSB10");
    EXPECT_EQ(usb.substr(0, head.find("MAY")) + usb.substr(head.find("MAY"), 4)
            + usb.substr(head.find("HELD"), 3) + usb.substr(head.find("BY-ID")),
        dev + "/ttyUSB10  yes no " + (s.dir / "by-id/usb-Maker_Cable_42-if00-port0").string());
    EXPECT_EQ(row(named.path()), (std::vector<std::string> { named.path(), "yes", "no" }));
    EXPECT_EQ(o.out.find("    is "), std::string::npos) << "a device named by its own path points nowhere else";
    const std::string plain = s.Write("plain", ""); // named, not a serial device: said on a line of its own
    EXPECT_NE(Launch({ "--list", plain }, s.ctx).out.find("\n    " + plain + ": not a serial device ("), std::string::npos);
    EXPECT_LT(o.out.find("/ttyUSB2 "), o.out.find("/ttyUSB10 "));
    for (const char* unlisted : { "tty5", "ttyUSBx", "ttyS3 " })
        EXPECT_EQ(o.out.find(unlisted), std::string::npos);
    EXPECT_NE(
        o.out.find("\nNot listed: 1 built-in port with no UART behind it (ttyS3).\n"), std::string::npos);
    s.ctx.roots = { s.dir / "by-id", s.dir / "none", s.dir / "sys", {} };
    EXPECT_EQ(Launch({ "--list" }, s.ctx).out.rfind("No serial devices found.", 0), 0u);
    close(holder);
}

TEST(Launcher, NamesTheGroupToJoinOrSaysOnlyTheOwnerMayOpen)
{
    Pty pty;
    const bool root = geteuid() == 0; // root opens anything: a child that gives it up asks
    const std::pair<mode_t, std::string> kModes[] = { { root ? 0660 : 0060, " group (sudo usermod -aG " },
        { root ? 0600 : 0, "only its owner may open it" } };
    for (const auto& [mode, fix] : kModes) {
        ASSERT_EQ(chmod(pty.path().c_str(), mode), 0);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        if (fork() == 0) {
            std::ostringstream out;
            if (!root || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0))
                launcher::print_ports(
                    launcher::list_ports({ "/none", "/none", "/none", { pty.path() } }), out);
            out << launcher::check_port(pty.path());
            _exit(write(fds[1], out.str().data(), out.str().size()) < 0);
        }
        close(fds[1]);
        char buf[4096];
        const std::string got(buf, std::max<ssize_t>(read(fds[0], buf, sizeof buf), 0));
        close(fds[0]), wait(nullptr);
        EXPECT_NE(got.find(mode & 060 ? "no: join " : "no: owner only"), std::string::npos) << got;
        EXPECT_TRUE(got.find(pty.path() + ": Permission denied - ") != got.npos && got.find(fix) != got.npos)
            << got;
    }
}

} // namespace
