// Test entry point: every test binary runs with the message window
// silenced and the build tree's simulated bus libraries in reach, whether
// ctest or a developer starts it.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("ORDAVIX_SILENT", "1", 1);
    setenv("ORDAVIX_BUILD_DIR", ORDAVIX_TEST_BUILD_DIR, 0);
    setenv("ORDAVIX_VTBUSAPI_DIR", ORDAVIX_TEST_BUILD_DIR "/sim", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
