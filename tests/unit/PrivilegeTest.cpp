// What an elevated process refuses, and what a child process keeps of the program's
// privilege. "Elevated" is forced with TAVIMORE_ASSUME_ELEVATED, which can only add
// refusals.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

#include <cstdlib>
#include <string>

#include "DlLoader.h"
#include "Elevation.h"
#include "Spawn.h"
#include "TestSupport.h"
#include "sim/IniFile.h"

namespace {

class Elevated : public ::testing::Test {
protected:
    void SetUp() override { setenv("TAVIMORE_ASSUME_ELEVATED", "1", 1); }
    void TearDown() override { unsetenv("TAVIMORE_ASSUME_ELEVATED"); }
};

// The "CapEff:" line of a child started with SpawnProcess.
std::string ChildCapabilities()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return "no pipe";
    pid_t pid = 0;
    const bool started = SpawnProcess({"/bin/sh", "-c", "grep '^CapEff:' /proc/self/status >&3"},
                                      SpawnGroup::NewProcessGroup, pid, fds[1], 3);
    close(fds[1]);
    std::string line;
    char buffer[256];
    for (ssize_t n; started && (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        line.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    if (started) WaitForEnd(pid, 5000);
    return line;
}

} // namespace

// The forced decision only adds refusals; then only the installed libraries load.
TEST_F(Elevated, OnlyTheInstalledLibrariesLoadAndEveryLibraryByPath)
{
    EXPECT_TRUE(ProcessIsElevated());
    unsetenv("TAVIMORE_ASSUME_ELEVATED");
    const bool natural = ProcessIsElevated();
    setenv("TAVIMORE_ASSUME_ELEVATED", "0", 1);
    EXPECT_EQ(ProcessIsElevated(), natural);
    setenv("TAVIMORE_ASSUME_ELEVATED", "1", 1);
    for (const char* kind : {"system", "sim", "none"})
        EXPECT_EQ(DeviceLibraryRefusal("--ports", kind), "");
    EXPECT_EQ(ResolveDeviceLibrary(DeviceLibrary::Ports, "/home/user/lib.so"), "");
    EXPECT_EQ(ResolveDeviceLibrary(DeviceLibrary::Ftdi, "/home/user/lib.so"), "");
    // Not the build tree beside the executable: the install location only.
    const std::string sim = ResolveDeviceLibrary(DeviceLibrary::Ports, "sim");
    EXPECT_EQ(sim.rfind("/tavimore/libtavimore-winio-sim.so"), sim.size() - 34) << sim;
    EXPECT_EQ(sim.find(ExecutableFolder()), std::string::npos) << sim;
    // Without elevation, libraries load by path, never by bare name.
    unsetenv("TAVIMORE_ASSUME_ELEVATED");
    CDlLoader loader;
    EXPECT_EQ(loader.Open("libm.so.6"), nullptr);
    EXPECT_NE(loader.LastError().find("bare name"), std::string::npos);
    EXPECT_EQ(loader.Open("HAL.DLL"), nullptr);
    // A user's library given without a folder is the file in the current folder.
    const std::string own = ResolveDeviceLibrary(DeviceLibrary::Ports, "own.so");
    EXPECT_EQ(own.front(), '/');
    EXPECT_EQ(own.substr(own.size() - 7), "/own.so");
    for (const std::string& vendor : FtdiVendorLibraryCandidates()) {
        EXPECT_EQ(vendor.front(), '/');
        EXPECT_EQ(vendor.substr(vendor.size() - 13), "/libftd2xx.so");
    }
    // The build tree's own libraries are found beside the executable.
    EXPECT_EQ(ShippedLibraryPath("libtavimore-winio-sim.so").rfind(ExecutableFolder(), 0), 0u);
}

TEST_F(Elevated, ConfigurationFilesAreTheUsersOwnOnly)
{
    CTempDir dir;
    const std::string own = dir.File("own.log");
    const std::string link = dir.File("link.log");
    std::string error;
    int fd = OpenUserFile(own, O_WRONLY | O_CREAT | O_APPEND, error);
    ASSERT_GE(fd, 0) << error;
    close(fd);
    ASSERT_EQ(symlink(own.c_str(), link.c_str()), 0);
    EXPECT_LT(OpenUserFile(link, O_WRONLY | O_APPEND, error), 0); // a link could lead anywhere
    EXPECT_LT(OpenUserFile("/dev/null", O_WRONLY, error), 0);     // not a regular file
    EXPECT_NE(error.find("refused"), std::string::npos) << error;
    if (getuid() == 0 && chown(own.c_str(), 65534, 65534) == 0) {
        // Root could write it, but it is not root's: refused all the same.
        EXPECT_LT(OpenUserFile(own, O_WRONLY | O_APPEND, error), 0);
        EXPECT_NE(error.find("refused"), std::string::npos) << error;
    }
}

TEST_F(Elevated, AChildKeepsNoCapability)
{
    EXPECT_EQ(ChildCapabilities(), "CapEff:\t0000000000000000\n");
    // The drop is real where this process holds capabilities (as root).
    unsetenv("TAVIMORE_ASSUME_ELEVATED");
    if (getuid() == 0) {
        EXPECT_NE(ChildCapabilities(), "CapEff:\t0000000000000000\n");
    }
}

#if defined(__x86_64__) || defined(__i386__)
TEST(Privilege, AChildKeepsNoPortPermission)
{
    if (ioperm(0x80, 1, 1) != 0) GTEST_SKIP() << "this kernel grants no port permissions";
    pid_t pid = 0;
    ASSERT_TRUE(SpawnProcess({TAVIMORE_PORT_PROBE}, SpawnGroup::NewProcessGroup, pid));
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ioperm(0x80, 1, 0);
    // Without the permission the port read faults.
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) << status;
}
#endif
