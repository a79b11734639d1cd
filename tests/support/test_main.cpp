// Test entry point: every test binary runs with the message window
// silenced and the build tree's simulated bus libraries in reach, whether
// ctest or a developer starts it. Each process gets a temporary directory
// of its own: ctest runs test processes side by side, and files with fixed
// names (topologies, logs) would otherwise be shared between them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::string MakePrivateTempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ordavix_test_XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return {};
    }
    setenv("TMPDIR", pattern.c_str(), 1);
    setenv("TEST_TMPDIR", pattern.c_str(), 1);
    return pattern;
}

}

int main(int argc, char** argv)
{
    setenv("ORDAVIX_SILENT", "1", 1);
    setenv("ORDAVIX_BUILD_DIR", ORDAVIX_TEST_BUILD_DIR, 0);
    setenv("ORDAVIX_VTBUSAPI_DIR", ORDAVIX_TEST_BUILD_DIR "/sim", 0);
    const std::string tempDir = MakePrivateTempDir();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (!tempDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(tempDir, ignored);
    }
    return result;
}
