// Gives every test program the environment its tests expect, whether ctest
// or a person starts it: headless Qt, temp-data channels of its own, and the
// folders of the build. A variable that is already set is left alone.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ::setenv("SELVANE_INSTANCE", SELVANE_TEST_NAME, 0);
        ::setenv("SELVANE_SYSTEM_DIR", SELVANE_TEST_SYSTEM_DIR, 0);
        ::setenv("SELVANE_TEST_BIN_DIR", SELVANE_TEST_BIN_DIR_VALUE, 0);
        ::setenv("SELVANE_TEST_DATA_DIR", SELVANE_TEST_DATA_DIR_VALUE, 0);
    }
};

const TestEnvironment g_environment;

} // namespace
