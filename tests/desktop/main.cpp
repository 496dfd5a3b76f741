// The desktop tests share one application that lives exactly as long as the test run; it is
// the program's own, with its last guard around every event.
#include <gtest/gtest.h>

#include "desktop/guarded_application.h"

int main(int argc, char** argv) {
    kvt::desktop::GuardedApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
