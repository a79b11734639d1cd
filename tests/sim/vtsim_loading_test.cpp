// The libraries as the package's loader sees them: loaded by path, entry
// points looked up by name, nothing else exported.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "vtbusapi.h"

namespace {

std::string SimDir() {
  const char* dir = std::getenv("ORDAVIX_VTBUSAPI_DIR");
  return dir ? dir : VTSIM_OUTPUT_DIR;
}

struct Library {
  const char* file;
  const char* const* names;
  std::size_t count;
  const char* missing;
  const char* controls;
};

const Library kLibraries[] = {
    {"libVTBusApiCan.so", VTCAN_ENTRY_POINT_NAMES, VTCAN_ENTRY_POINT_COUNT, "VTCAN_GetErrorText", "VTSIM_Can"},
    {"libVTBusApiEthernet.so", VTETH_ENTRY_POINT_NAMES, VTETH_ENTRY_POINT_COUNT, "VTETH_RegisterReplayInterface",
     "VTSIM_Eth"},
};

std::vector<std::string> Unresolved(const std::string& path, const Library& lib) {
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  EXPECT_NE(handle, nullptr) << dlerror();
  std::vector<std::string> missing;
  if (!handle) return missing;
  for (std::size_t i = 0; i < lib.count; ++i)
    if (dlsym(handle, lib.names[i]) == nullptr) missing.push_back(lib.names[i]);
  dlclose(handle);
  return missing;
}

TEST(SimLoading, EveryEntryPointResolvesByName) {
  for (const auto& lib : kLibraries) EXPECT_TRUE(Unresolved(SimDir() + "/" + lib.file, lib).empty()) << lib.file;
}

TEST(SimLoading, MissingVariantLacksExactlyOneEntryPoint) {
  for (const auto& lib : kLibraries)
    EXPECT_EQ(Unresolved(SimDir() + "/missing/" + lib.file, lib), std::vector<std::string>{lib.missing}) << lib.file;
}

TEST(SimLoading, OnlyEntryPointsAndTestControlsAreExported) {
  for (const auto& lib : kLibraries) {
    const std::string command = "nm -D --defined-only " + SimDir() + "/" + lib.file + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
      std::string s(line);
      s = s.substr(s.find_last_of(' ') + 1);
      if (!s.empty() && s.back() == '\n') s.pop_back();
      symbols.push_back(s);
    }
    if (pclose(pipe) != 0 && symbols.empty()) GTEST_SKIP() << "nm not available";
    const std::string prefix = std::string(lib.names[0]).substr(0, 6);
    std::size_t entryPoints = 0;
    for (const auto& s : symbols) {
      if (s.rfind(prefix, 0) == 0) {
        ++entryPoints;
      } else {
        EXPECT_EQ(s.rfind(lib.controls, 0), 0u) << lib.file << " exports " << s;
      }
    }
    EXPECT_EQ(entryPoints, lib.count) << lib.file;
  }
}

}  // namespace
