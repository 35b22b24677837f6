// Test entry: a QApplication, offscreen, with the program's look (its fonts and colours).
#include "platform/look.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#ifdef SFP_ONE_CASE_PER_PROCESS
// The stand-ins read their bench once per process, so a run of several cases is
// refused (listing them, as CTest does, and running one still work).
struct OneCasePerProcess : ::testing::EmptyTestEventListener {
    void OnTestProgramStart(const ::testing::UnitTest& unit) override
    {
        if (unit.test_to_run_count() <= 1)
            return;
        std::fputs("Each case needs a process of its own: run `ctest -L " SFP_ONE_CASE_PER_PROCESS
                   "` in the build folder, or one case with --gtest_filter=<Suite.Case>\n", stderr);
        std::_Exit(2);
    }
};
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef SFP_ONE_CASE_PER_PROCESS
    ::testing::UnitTest::GetInstance()->listeners().Append(new OneCasePerProcess);
#endif
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Qt wants a private runtime folder; CI machines often have none.
    const std::string runtime = "/tmp/sfp-tests-runtime-" + std::to_string(getuid());
    mkdir(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    setenv("SFP_SIM_DIR", SFP_TEST_SIM_DIR, 0); // where the build put them
    setenv("SFP_SOURCE_DIR", SFP_TEST_SOURCE_DIR, 0);
    QApplication app(argc, argv);
    ApplyClassicLook();
    return RUN_ALL_TESTS();
}
