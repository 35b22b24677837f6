// Test entry: a QApplication on the offscreen platform with the program's look,
// so widget and end-to-end tests see the same fonts and colours as the program.
#include "platform/look.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt wants a private runtime folder; CI machines often have none.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/sfp-tests-runtime-" + std::to_string(getuid());
        mkdir(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
#ifdef SFP_TEST_SIM_DIR
    setenv("SFP_SIM_DIR", SFP_TEST_SIM_DIR, 0);
#endif
#ifdef SFP_TEST_SOURCE_DIR
    setenv("SFP_SOURCE_DIR", SFP_TEST_SOURCE_DIR, 0);
#endif
    QApplication app(argc, argv);
    ApplyClassicLook();
    return RUN_ALL_TESTS();
}
