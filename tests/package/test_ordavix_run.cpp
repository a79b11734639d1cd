// The engine's command line, run as a user would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "package_fixture.h"

namespace {

struct Result {
    int status;
    std::string out;
};

Result RunCli(const std::string& arguments)
{
    Result r{-1, {}};
    FILE* p = popen((test_support::BuildDir() + "/host/ordavix-run " + arguments + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) r.out += buf;
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(OrdavixRun, ListsEveryModelWithItsVersion)
{
    const Result r = RunCli("list");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "VtCanMonitoring 1.3.3\nVtEthMonitoring 2.1.6\nVtCanInject 1.2.6\nVtEthInject 2.3.5\n");
}

TEST(OrdavixRun, InspectShowsTheStaticTables)
{
    const Result r = RunCli("inspect VtEthMonitoring");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("model VtEthMonitoring version 2.1.6"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("priority 128, threading threaded"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("outputs (created at construction: all)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("oEth  type DynamicStructure  name \"ORDApcap_data_t\"  unit \"\"  size 49  fifo 16  "
                         "subsampling 1  shareable yes"),
              std::string::npos)
        << r.out;
}

TEST(OrdavixRun, ExplainsWhatToFix)
{
    Result r = RunCli("inspect NoSuchModel");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("no model named NoSuchModel"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("VtEthInject"), std::string::npos) << r.out;

    r = RunCli("--package /nonexistent/x.pck list");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("package not found: /nonexistent/x.pck"), std::string::npos) << r.out;
}

}
