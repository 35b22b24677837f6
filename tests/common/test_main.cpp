// Test entry: a QApplication on the offscreen platform with the program's look,
// so widget and end-to-end tests see the same fonts and colours as the program.
#include "platform/look.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ApplyClassicLook();
    return RUN_ALL_TESTS();
}
