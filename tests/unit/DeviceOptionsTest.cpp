// The device-library options both programs read, and the platform's sliced sleep that
// both hosts' Sleep rests on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DeviceOptions.h"
#include "Platform.h"
#include "TestSupport.h"

namespace {

// Reads args as a program does: our options taken, anything else collected.
struct CParsed {
    CDeviceOptions options;
    std::vector<std::string> others;
    std::string error;
};

CParsed Parse(const std::vector<std::string>& args)
{
    CParsed parsed{DeviceOptionsFromEnvironment(), {}, {}};
    for (size_t i = 0; i < args.size(); ++i) {
        const DeviceOptionTaken taken = TakeDeviceOption(args, i, parsed.options, parsed.error);
        if (taken == DeviceOptionTaken::Error) return parsed;
        if (taken == DeviceOptionTaken::No) parsed.others.push_back(args[i]);
    }
    return parsed;
}

class DeviceOptions : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : {"TAVIMORE_PORTS", "TAVIMORE_FTDI", "TAVIMORE_ASSUME_ELEVATED"})
            unsetenv(name);
    }
};

TEST_F(DeviceOptions, BothFormsTheLastOneWinsAndTheCommandLineBeatsTheEnvironment)
{
    setenv("TAVIMORE_PORTS", "none", 1);
    setenv("TAVIMORE_FTDI", "sim", 1);
    CParsed parsed = Parse({"--ports=sim", "doc.tvm", "--ports", "lib.so", "--step", "3"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.ports.value, "lib.so");
    EXPECT_EQ(parsed.options.ports.source, "--ports");
    EXPECT_EQ(parsed.options.ftdi.value, "sim");
    EXPECT_EQ(parsed.options.ftdi.source, "TAVIMORE_FTDI");
    // Options of the program itself, and their values, are left to it.
    EXPECT_EQ(parsed.others, (std::vector<std::string>{"doc.tvm", "--step", "3"}));
    // A prefix of an option name is not the option.
    EXPECT_EQ(Parse({"--portsx"}).others, std::vector<std::string>{"--portsx"});
    // An elevated process takes a choice of the installation over the environment's.
    setenv("TAVIMORE_ASSUME_ELEVATED", "1", 1);
    setenv("TAVIMORE_FTDI", "/home/user/d2xx.so", 1);
    EXPECT_EQ(ApplyDeviceOptions(Parse({"--ftdi=system"}).options), "");
}

TEST_F(DeviceOptions, MissingEmptyAndUnreadableValuesAreErrors)
{
    EXPECT_EQ(Parse({"--ftdi"}).error, "--ftdi needs a value");
    EXPECT_EQ(Parse({"--ports="}).error, "--ports takes system, sim, none or a library path");
    EXPECT_EQ(Parse({"--sim-config", "/no/such/sim.ini"}).error,
              "cannot read the simulation configuration '/no/such/sim.ini'");
}

TEST_F(DeviceOptions, TheSimConfigIsHandedOnAsAnAbsolutePath)
{
    CTempDir dir;
    WriteFile(dir.File("sim.ini"), "[ports]\n");
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    CParsed parsed = Parse({"--sim-config=sim.ini"});
    ASSERT_EQ(chdir(previous), 0);
    std::free(previous);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.simConfig.front(), '/');
    EXPECT_EQ(ApplyDeviceOptions(parsed.options), "");
    EXPECT_STREQ(std::getenv("TAVIMORE_SIM_CONFIG"), parsed.options.simConfig.c_str());
    unsetenv("TAVIMORE_SIM_CONFIG");
}

TEST(SleepInSlices, AsksAfterEverySliceAndStopsAtTheFirstYes)
{
    int asked = 0;
    EXPECT_TRUE(platform::SleepInSlices(5, 2, [&] { return ++asked > 10; }));
    EXPECT_EQ(asked, 3); // 2 + 2 + 1 ms
    asked = 0;
    EXPECT_FALSE(platform::SleepInSlices(50, 1, [&] { return ++asked == 2; }));
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(platform::SleepInSlices(0, 1, [] { return true; }));
}

} // namespace
