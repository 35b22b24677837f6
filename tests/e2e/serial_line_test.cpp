// The panel live on a bench whose channel 2 is a pseudo-terminal; the test
// plays the device at its far end.
#include "app/main_frame.h"
#include "app/signal_exit.h"
#include "common/messages.h"
#include "common/test_support.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

TEST(SerialLineLive, Channel2CarriesBothWaysAndStopsTheTestWhenTheFarEndCloses)
{
    int far = -1, near = -1;
    char name[64], buf[64];
    ASSERT_EQ(openpty(&far, &near, name, nullptr, nullptr), 0);
    SimPanel p(VxiBench(QStringLiteral(R"({"channels":{"2":{"port":"%1"}}})").arg(name)));
    p.StartStop();
    close(near);
    EXPECT_EQ(p.sim.Calls("tsx4410_openChannel").at(1)["termios"], "9600 cflag=CS8|CREAD|CLOCAL iflag=PARMRK raw");
    EXPECT_NE(p.sim.Calls("tsx4410_openChannel").at(1)["note"].find(": no error counts"), std::string::npos);
    CChannel* ch2 = p.Main()->Channel(2);
    QTest::keyClicks(ch2->TransBox(), "hi 4410");
    p.frame->DispatchTimer();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const ssize_t got = read(far, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(std::max<ssize_t>(got, 0))), "hi 4410");

    ASSERT_EQ(write(far, "from far", 8), 8);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    p.frame->DispatchTimer();
    EXPECT_EQ(ch2->RecvBox()->text(), QStringLiteral("from far"));
    EXPECT_EQ(p.sim.Calls("tsx4410_read").back()["termios"], "") << "only calls that set the line say how";

    close(far); // the device goes away while the operator only watches: the next tick says so
    p.frame->DispatchTimer();
    const QString gone = QString::fromLatin1(name) +
                         QStringLiteral(": disconnected (the device went away or its other end was closed)");
    EXPECT_EQ(p.recorder.messages, QStringList({msg::InstrumentError(gone), msg::kResetAdvice}));
    EXPECT_FALSE(p.frame->IsTimerRunning());
    EXPECT_EQ(p.sim.Calls("tsx4410_write").back()["bytes"], "hi 4410") << "nothing written after the hang-up";
}

// The far end's view of a kill: the panel runs in a child process (this binary,
// the case below) with a line open on channel 1; each signal takes the Exit road.
TEST(SerialLineLive, SignalsLeaveThroughExitAndPutTheLineBack)
{
    if (const char* port = std::getenv("SFP_SIGNAL_CHILD_PORT")) { // the child
        SimPanel p(VxiBench(QStringLiteral(R"({"channels":{"1":{"port":"%1"}}})").arg(port)));
        InstallSignalExit([&] { p.frame->OnCommand(ID_APP_EXIT); });
        p.StartStop();
        std::printf("ready\n");
        std::fflush(stdout);
        QApplication::exec();
        std::_Exit(p.app->m_pDriver == nullptr ? 0 : 3); // released on the way out
    }
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        int far = -1, near = -1, out[2];
        char name[64];
        ASSERT_TRUE(openpty(&far, &near, name, nullptr, nullptr) == 0 && pipe(out) == 0);
        termios found{}, now{};
        tcgetattr(near, &found);
        cfsetspeed(&found, B38400);
        tcsetattr(near, TCSANOW, &found);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            setenv("SFP_SIGNAL_CHILD_PORT", name, 1);
            execl("/proc/self/exe", "e2e_tests", "--gtest_filter=SerialLineLive.SignalsLeave*", nullptr);
            std::_Exit(127);
        }
        close(out[1]);
        std::string said;
        for (pollfd wait{out[0], POLLIN, 0}; said.find("ready\n") == std::string::npos;) {
            char buf[256];
            const ssize_t n = poll(&wait, 1, 20000) == 1 ? read(out[0], buf, sizeof buf) : 0;
            ASSERT_GT(n, 0) << "the child never got ready: " << said;
            said.append(buf, static_cast<std::size_t>(n));
        }
        EXPECT_TRUE(tcgetattr(near, &now) == 0 && cfgetospeed(&now) == B9600) << "the panel's settings are on";
        kill(pid, sig);
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "signal " << sig << ": " << status;
        EXPECT_TRUE(tcgetattr(near, &now) == 0 && cfgetospeed(&now) == B38400 && now.c_lflag == found.c_lflag &&
                    now.c_cflag == found.c_cflag) << "signal " << sig;
        for (int fd : {far, near, out[0]})
            close(fd);
    }
}

// A device that cannot be taken: the driver's words in the boxes, the test left
// stopped, and the next Start works once the device is there.
TEST(SerialLineLive, ADeviceThatCannotBeOpenedIsShownAndTheNextStartWorks)
{
    int far = -1, near = -1;
    char name[64];
    ASSERT_EQ(openpty(&far, &near, name, nullptr, nullptr), 0);
    const std::string link = "/tmp/sfp-test-port-" + std::to_string(getpid());
    unlink(link.c_str());
    SimPanel p(VxiBench(QStringLiteral(R"({"channels":{"2":{"port":"%1"}}})").arg(link.c_str())));
    const QString device = QString::fromStdString(link);
    const std::pair<std::function<void()>, QString> kRoads[] = {
        {[] {}, ": No such file or directory"},
        {[&] { symlink("/dev/null", link.c_str()); }, ": not a serial device"},
        {[&] { unlink(link.c_str()), symlink(name, link.c_str()), flock(near, LOCK_EX); }, ": in use by another program"}};
    for (const auto& [make, reason] : kRoads) {
        make();
        p.recorder.messages.clear();
        p.StartStop();
        EXPECT_EQ(p.recorder.messages, QStringList({msg::InstrumentError(device + reason), msg::kResetAdvice}));
        EXPECT_TRUE(p.Main()->StartStopButton()->text() == "Start Test" && !p.frame->IsTimerRunning());
        EXPECT_FALSE(p.Main()->Channel(1)->TransBox()->isEnabled()) << "channel 1 closed again";
    }
    flock(near, LOCK_UN);
    p.recorder.messages.clear();
    p.StartStop();
    EXPECT_TRUE(p.recorder.messages.isEmpty() && p.Main()->StartStopButton()->text() == "Stop!");
    EXPECT_TRUE(p.Main()->Channel(2)->TransBox()->isEnabled());
    unlink(link.c_str());
    close(far), close(near);
}
