// The package as the engine sees it: loaded with dlopen, bound, listed.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "orda_definitions.h"
#include "orda_type_codes.h"
#include "ordavix_host.h"
#include "package_fixture.h"

namespace {

class LoadedPackage {
public:
    explicit LoadedPackage(const std::string& path)
    {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!handle) return;
        init = reinterpret_cast<int (*)(ORDAKernelInterface*, int)>(dlsym(handle, "ORDAPckInit"));
        modules = reinterpret_cast<int (*)(const char*, void**, int)>(dlsym(handle, "ORDAGetModulesDefStruct"));
    }
    ~LoadedPackage()
    {
        if (handle) dlclose(handle);
    }
    void* handle = nullptr;
    int (*init)(ORDAKernelInterface*, int) = nullptr;
    int (*modules)(const char*, void**, int) = nullptr;
};

class PackageExports : public ::testing::Test {
protected:
    test_support::FreshPackageCopy copy;
    LoadedPackage pck{copy.Path()};
    ordavix_host::Engine engine;

    void SetUp() override
    {
        ASSERT_NE(pck.handle, nullptr) << dlerror();
        ASSERT_NE(pck.init, nullptr);
        ASSERT_NE(pck.modules, nullptr);
    }
};

TEST_F(PackageExports, InitAcceptsOnlyItsInterfaceVersion)
{
    EXPECT_EQ(pck.init(&engine, 0), 0);
    EXPECT_EQ(pck.init(&engine, 525623), 0);
    EXPECT_EQ(pck.init(&engine, 525624), 4);
    ordavix_host::Engine second;
    EXPECT_EQ(pck.init(&second, 525624), 4);
}

TEST_F(PackageExports, ModelCountsByGroup)
{
    EXPECT_EQ(pck.modules(nullptr, nullptr, 0), 4);
    EXPECT_EQ(pck.modules("ORDAComponent", nullptr, 0), 4);
    EXPECT_EQ(pck.modules("ORDAComponent", nullptr, -7), 4);
    EXPECT_EQ(pck.modules("NoSuchGroup", nullptr, 0), -1);
    std::array<void*, 4> table{};
    EXPECT_EQ(pck.modules("NoSuchGroup", table.data(), 4), 0);
}

TEST_F(PackageExports, SmallTablesGetTheModelsInRegistrationOrder)
{
    ASSERT_EQ(pck.init(&engine, 525624), 4);
    void* sentinel = reinterpret_cast<void*>(0x1);
    std::array<void*, 3> table{sentinel, sentinel, sentinel};
    ASSERT_EQ(pck.modules(nullptr, table.data(), 2), 2);
    EXPECT_STREQ(static_cast<ORDAComponentDefinition*>(table[0])->name, "VtCanMonitoring");
    EXPECT_STREQ(static_cast<ORDAComponentDefinition*>(table[1])->name, "VtEthMonitoring");
    EXPECT_EQ(table[2], sentinel);

    std::array<void*, 2> untouched{sentinel, sentinel};
    EXPECT_EQ(pck.modules(nullptr, untouched.data(), 0), 0);
    EXPECT_EQ(pck.modules(nullptr, untouched.data(), -1), 0);
    EXPECT_EQ(untouched[0], sentinel);
}

TEST_F(PackageExports, TheFourModelDefinitions)
{
    std::array<void*, 8> table{};
    ASSERT_EQ(pck.modules("ORDAComponent", table.data(), 8), 4);
    struct Expected { const char* name; const char* version; };
    const Expected expected[] = {
        {"VtCanMonitoring", "1.3.3"}, {"VtEthMonitoring", "2.1.6"}, {"VtCanInject", "1.2.6"}, {"VtEthInject", "2.3.5"}};
    for (int i = 0; i < 4; ++i) {
        const auto* d = static_cast<ORDAComponentDefinition*>(table[i]);
        SCOPED_TRACE(expected[i].name);
        EXPECT_STREQ(d->name, expected[i].name);
        EXPECT_STREQ(d->version, expected[i].version);
        EXPECT_EQ(d->priority, 128);
        EXPECT_EQ(d->kind, ORDA::Threaded);
        EXPECT_TRUE(d->threaded);
        EXPECT_EQ(d->maxNumberOfInstances, 0u);
        EXPECT_EQ(d->regFunct, nullptr);
        EXPECT_EQ(d->unregFunct, nullptr);
        EXPECT_EQ(d->reserved, 0);
        ASSERT_NE(d->inputs, nullptr);
        ASSERT_NE(d->outputs, nullptr);
        ASSERT_NE(d->properties, nullptr);
        ASSERT_NE(d->actions, nullptr);
    }
    const auto* canMonitoring = static_cast<ORDAComponentDefinition*>(table[0]);
    EXPECT_EQ(canMonitoring->nbInputs, ORDA::AllEntries);
    EXPECT_EQ(canMonitoring->inputs[0].name, nullptr);

    const auto* ethMonitoring = static_cast<ORDAComponentDefinition*>(table[1]);
    EXPECT_EQ(ethMonitoring->nbOutputs, ORDA::AllEntries);
    const ORDAOutputDefinition& oEth = ethMonitoring->outputs[0];
    EXPECT_STREQ(oEth.name, "oEth");
    EXPECT_EQ(oEth.type.value, ORDA::DynamicStructure);
    EXPECT_STREQ(oEth.type.Name(), "ORDApcap_data_t");
    EXPECT_EQ(oEth.type.unit, nullptr);
    EXPECT_EQ(oEth.size, 49);
    EXPECT_EQ(oEth.fifoSize, 16);
    EXPECT_EQ(oEth.subsampling, 1);
    EXPECT_EQ(oEth.shareable, 1);
    EXPECT_EQ(ethMonitoring->outputs[1].name, nullptr);
}

std::string RunCommand(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

TEST(PackageFile, ExportsExactlyTheTwoEntryPoints)
{
    const std::string out = RunCommand("nm -D --defined-only '" + test_support::PackagePath() + "'");
    std::set<std::string> symbols;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(start, end - start);
        const std::size_t space = line.rfind(' ');
        if (space != std::string::npos) symbols.insert(line.substr(space + 1));
        start = end + 1;
    }
    EXPECT_EQ(symbols, (std::set<std::string>{"ORDAGetModulesDefStruct", "ORDAPckInit"})) << out;
}

TEST(PackageFile, CarriesTheFourModelMarkers)
{
    std::ifstream in(test_support::PackagePath(), std::ios::binary);
    ASSERT_TRUE(in);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* marker : {"$!ORDA_MODULE!ORDAComponent!VtCanMonitoring!$!1.3.3!$",
                               "$!ORDA_MODULE!ORDAComponent!VtEthMonitoring!$!2.1.6!$",
                               "$!ORDA_MODULE!ORDAComponent!VtCanInject!$!1.2.6!$",
                               "$!ORDA_MODULE!ORDAComponent!VtEthInject!$!2.3.5!$"}) {
        // Null-terminated, as a C string in read-only data.
        EXPECT_NE(bytes.find(std::string(marker) + '\0'), std::string::npos) << marker;
    }
}

}
