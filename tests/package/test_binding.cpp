// The runtime's binding to the engine: init, reports, kernel errors, exit,
// message box, forwarding the binding to another library.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "orda_dynamic_loader.h"
#include "orda_module_management.h"
#include "orda_pck_entry.h"
#include "orda_private.h"
#include "ordavix_host.h"
#include "package_fixture.h"

namespace {

int g_registerCalls = 0;
void CountRegister(void*) { ++g_registerCalls; }

class Binding : public ::testing::Test {
protected:
    ordavix_host::Engine engine;
    void SetUp() override { engine.SetQuiet(true); }
    void TearDown() override { ORDAPrivate::kernel = nullptr; }
};

TEST_F(Binding, InitStoresTheFirstKernelOnlyAndInitialisesTheRegistryOnce)
{
    ORDAModuleManagement::Uninitialize();
    ORDAPrivate::kernel = nullptr;
    g_registerCalls = 0;
    new ORDAModuleDefinition("Counted", "G", nullptr, nullptr, CountRegister, nullptr);

    EXPECT_EQ(ORDAPrivate::PckInit(&engine, 1), 0);
    EXPECT_EQ(ORDAPrivate::kernel, nullptr);
    EXPECT_FALSE(ORDAModuleManagement::initialized);
    EXPECT_EQ(g_registerCalls, 0);

    EXPECT_EQ(ORDAPrivate::PckInit(&engine, 525624), 4);
    EXPECT_EQ(ORDAPrivate::kernel, &engine);
    EXPECT_EQ(g_registerCalls, 1);

    ordavix_host::Engine other;
    ORDAPrivate::kernel = &engine;  // the second engine's own init went first
    EXPECT_EQ(ORDAPrivate::PckInit(&other, 525624), 4);
    EXPECT_EQ(ORDAPrivate::kernel, &engine);
    EXPECT_EQ(g_registerCalls, 1);
    ORDAModuleManagement::Uninitialize();
}

TEST_F(Binding, ReportsPassTheirLevelCodeAndFlag)
{
    ORDA::ReportInfo("i", 1);
    ORDA::ReportWarning("w", 2);
    ORDA::ReportError("e", 3);
    ORDA::Report("p", ORDA::ParserEcho, 4);
    ORDAPrivate::Report("raw", 2, 5, true);
    const auto r = engine.Reports();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].text, "i");
    EXPECT_EQ(r[0].level, 0);
    EXPECT_EQ(r[1].level, 1);
    EXPECT_EQ(r[2].level, 2);
    EXPECT_EQ(r[3].level, 3);
    EXPECT_EQ(r[3].code, 4);
    EXPECT_FALSE(r[2].flag);
    EXPECT_TRUE(r[4].flag);
}

TEST_F(Binding, KernelErrorReportsThenThrowsErrorException)
{
    try {
        ORDAPrivate::KernelError("broken", 7);
        FAIL() << "returned";
    } catch (int e) {
        EXPECT_EQ(e, ORDA::ErrorException);
    }
    const auto r = engine.Reports();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].text, "broken");
    EXPECT_EQ(r[0].level, ORDA::Error);
    EXPECT_EQ(r[0].code, 7);
    EXPECT_TRUE(r[0].flag);
}

TEST_F(Binding, ExitCallsExitThenReleaseOnceAndClearsTheBinding)
{
    ORDA::Exit();
    EXPECT_EQ(ORDAPrivate::kernel, nullptr);
    ORDA::Exit();
    EXPECT_EQ(engine.ExitCalls(), 1);
    EXPECT_EQ(engine.ReleaseCalls(), 1);
}

TEST_F(Binding, ForwardingNeedsALoadedLibraryWithAnAcceptingInit)
{
    ORDADynamicLoader loader;
    int result = 0;
    EXPECT_FALSE(ORDA::ForwardPckInitToLibrary(loader, &result));
    EXPECT_EQ(result, 0x7FFFFFFF);

    ASSERT_TRUE(loader.Load((test_support::BuildDir() + "/tests/no_binding_library.so").c_str())) << loader.LastError();
    EXPECT_FALSE(ORDA::ForwardPckInitToLibrary(loader, &result));
    EXPECT_EQ(result, 0x7FFFFFFF);

    ASSERT_TRUE(loader.Load((test_support::BuildDir() + "/tests/refusing_package.so").c_str())) << loader.LastError();
    EXPECT_FALSE(ORDA::ForwardPckInitToLibrary(loader, &result));
    EXPECT_EQ(result, 0);

    // A bound package stays loaded for the rest of the process, as an
    // engine keeps it: its registry lives until the end.
    test_support::FreshPackageCopy copy;
    static ORDADynamicLoader* bound = new ORDADynamicLoader();
    ASSERT_TRUE(bound->Load(copy.Path().c_str())) << bound->LastError();
    EXPECT_TRUE(ORDA::ForwardPckInitToLibrary(*bound, &result));
    EXPECT_EQ(result, 4);
    EXPECT_TRUE(ORDA::ForwardPckInitToLibrary(*bound));

    const auto r = engine.Reports();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].text, "ORDA::ForwardPckInitToLibrary: Dynamic library is not loaded");
    EXPECT_EQ(r[1].text, "ORDA::ForwardPckInitToLibrary: Failed to load 'ORDAPckInit' from the dynamic library");
    EXPECT_EQ(r[2].text, "ORDA::ForwardPckInitToLibrary: ORDAPckInit call failed");
    for (const auto& report : r) {
        EXPECT_EQ(report.level, ORDA::Error);
        EXPECT_EQ(report.code, 0);
    }
}

TEST(DynamicLoader, ExplainsAFailedLoad)
{
    ORDADynamicLoader loader;
    EXPECT_FALSE(loader.Load("/nonexistent/libnothing.so"));
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_FALSE(loader.LastError().empty());
    EXPECT_EQ(loader.Symbol("anything"), nullptr);
}

TEST(MessageBox, SilentModePrintsOnlyTheConsoleLine)
{
    ASSERT_NE(std::getenv("ORDAVIX_SILENT"), nullptr) << "tests run with ORDAVIX_SILENT set";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ORDA::MessageBox("careful", 1, 0);
    ORDA::MessageBox("just so", 0, 0);
    ORDAPrivate::MessageBox("two\nlines", 3, 0, true);
    ORDA::MessageBox("broken", 2, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Warning: Ordavix: careful\nOrdavix: just so\nOrdavix Engine: two\nlines\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Ordavix: broken\n");
}

TEST(MessageBox, WithoutADisplayItReturnsAfterTheConsoleLine)
{
    if (std::filesystem::exists("/tmp/.X11-unix/X0")) GTEST_SKIP() << "an X server runs on :0";
    const std::string silent = std::getenv("ORDAVIX_SILENT") ? std::getenv("ORDAVIX_SILENT") : "";
    unsetenv("ORDAVIX_SILENT");
    unsetenv("SILENT");
    setenv("DISPLAY", ":97", 1);
    testing::internal::CaptureStdout();
    ORDA::MessageBox("nobody sees this", 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Ordavix: nobody sees this\n");
    setenv("ORDAVIX_SILENT", silent.empty() ? "1" : silent.c_str(), 1);
}

}
