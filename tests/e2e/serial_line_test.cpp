// The panel live on a bench whose channel 2 is a pseudo-terminal; the test
// plays the device at its far end.
#include "app/main_frame.h"
#include "common/messages.h"
#include "common/test_support.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"

#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
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
    EXPECT_EQ(p.sim.Calls("tsx4410_openChannel").at(1)["termios"], "9600 cflag=CS8|CREAD|CLOCAL iflag=0 raw");
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

    close(far); // the device goes away while the operator only watches: the next tick says so
    p.frame->DispatchTimer();
    const QString gone = QString::fromLatin1(name) +
                         QStringLiteral(": disconnected (the device went away or its other end was closed)");
    EXPECT_EQ(p.recorder.messages, QStringList({msg::InstrumentError(gone), msg::kResetAdvice}));
    EXPECT_FALSE(p.frame->IsTimerRunning());
    EXPECT_EQ(p.sim.Calls("tsx4410_write").back()["bytes"], "hi 4410") << "nothing written after the hang-up";
}
