// Test entry: a QApplication on the offscreen platform with the program's look,
// so widget and end-to-end tests see the same fonts and colours as the program.
#include "platform/look.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#ifdef SFP_ONE_CASE_PER_PROCESS
namespace {
// The stand-ins read their bench once per process, so every case after the
// first would run on the first one's bench: a run of several cases is refused
// (listing them, for CTest's discovery, and a run of one still work).
class OneCasePerProcess : public ::testing::EmptyTestEventListener {
public:
    explicit OneCasePerProcess(std::string program) : m_program(std::move(program)) {}
    void OnTestProgramStart(const ::testing::UnitTest& unit) override
    {
        if (unit.test_to_run_count() <= 1)
            return;
        std::fprintf(stderr, "%s: each case needs a process of its own; run `ctest -L %s` in the build folder, "
                             "or one case with --gtest_filter=<Suite.Case>\n", m_program.c_str(),
                     SFP_ONE_CASE_PER_PROCESS);
        std::_Exit(2);
    }

private:
    std::string m_program;
};
} // namespace
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef SFP_ONE_CASE_PER_PROCESS
    ::testing::UnitTest::GetInstance()->listeners().Append(new OneCasePerProcess(argv[0]));
#endif
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
