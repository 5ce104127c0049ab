// The FT245RL binding where the simulated devices of the script tests cannot fail:
// against the fake D2XX libraries beside this test, against the libftdi1 adapter with
// no device attached, and the instructions where a script cannot show what happens (a
// missing library for every instruction, lowpower's calls to the host).
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "DlLoader.h"
#include "Ft245Device.h"
#include "RecordedRuns.h"

namespace {

const std::string kLibraryMissing = "MessageBox \"Tavimore\" "
                                    "\"ライブラリは使用できません。ftd2xx."
                                    "dllが同じフォルダに存在するのかチェックしてください\" -> OK";

// A test host that loads a real library file, and records the low-power hooks.
class CDeviceHost : public CTestHost {
public:
    std::string file;
    CDlLoader loader;
    bool display = false;
    uint32_t timeout = 600;

    CLibraryLoader* Loader() override { return &loader; }
    std::string LibraryFile(DeviceLibrary which) override
    {
        return which == DeviceLibrary::Ftdi ? file : std::string();
    }
    bool GetLowPowerTimeout(uint32_t& seconds) override
    {
        calls.push_back("GetLowPower");
        if (display) seconds = timeout;
        return display;
    }
    void SetLowPowerTimeout(uint32_t seconds) override
    {
        calls.push_back("SetLowPower " + std::to_string(seconds));
        timeout = seconds;
    }
};

// The controls of the fake library, reached by loading the same file.
struct CFake : CLibrary {
    using CLibrary::CLibrary;
    void (*reset)(int) = Get<void (*)(int)>("FakeD2xxReset");
    void (*fail)(int, int, int) = Get<void (*)(int, int, int)>("FakeD2xxFail");
    const char* (*takeLog)() = Get<const char* (*)()>("FakeD2xxTakeLog");
    void (*setSerial)(const char*, int) = Get<void (*)(const char*, int)>("FakeD2xxSetSerial");
    std::string Log() const { return takeLog(); }
};

class Ft245Device : public CRecordedRuns<CDeviceHost> {
protected:
    CFake fake{TAVIMORE_FAKE_D2XX};
    const CFake* library = &fake; // whose calls Note writes down

    void SetUp() override
    {
        ASSERT_TRUE(fake.Loaded()) << dlerror();
        fake.reset(2);
        host.file = TAVIMORE_FAKE_D2XX;
    }
    // Writes down a call, its answer, the last status and the library's calls.
    void Note(const CFt245Device& ft, const std::string& call, const std::string& answer)
    {
        std::string calls = library->Log();
        std::replace(calls.begin(), calls.end(), '\n', ';');
        record += call + " -> " + answer + ", status " + std::to_string(ft.GetLastStatus()) +
                  ", library: " + calls + "\n";
    }
    static std::string Ok(bool ok) { return ok ? "ok" : "failed"; }
};

TEST_F(Ft245Device, ALibraryWithoutOneFunctionIsNotUsedButStillCounts)
{
    host.file = TAVIMORE_FAKE_D2XX_INCOMPLETE;
    CFake incomplete(TAVIMORE_FAKE_D2XX_INCOMPLETE);
    ASSERT_TRUE(incomplete.Loaded());
    incomplete.reset(2);
    library = &incomplete;
    {
        CFt245Device ft(host);
        Note(ft, "load", Ok(ft.IsAvailable())); // released before opening anything
        Note(ft, "count", std::to_string(ft.CountDevices()));
        char buffer[CFt245Device::kSerialBufferSize];
        Note(ft, "serial into 1", Ok(ft.GetSerialNumberInto(1, buffer)));
        Note(ft, "serial into 1 wrote", buffer);
    }
    // Loaded for counting only, nothing was opened: the destructor only counts.
    EXPECT_EQ(incomplete.Log(), "count\n");
    EXPECT_EQ(host.Messages(), std::vector<std::string>{kLibraryMissing});
}

// Loading succeeds whatever the opening gave. Device 0 stays open; the retry starts at
// device 1 and fails again, so device 2's write never reaches the library. Only loading
// records success: every device action retries.
TEST_F(Ft245Device, AFailedOpenAllIsRetriedByEveryDeviceActionForTheRestOnly)
{
    fake.reset(3);
    fake.fail(1, -1, 0);
    CFt245Device ft(host);
    Note(ft, "load", Ok(ft.IsAvailable()));
    Note(ft, "write 2 55", Ok(ft.WriteByte(2, 0x55)));
    fake.fail(-1, -1, 0);
    Note(ft, "write 2 55", Ok(ft.WriteByte(2, 0x55)));
    Note(ft, "write 0 01", Ok(ft.WriteByte(0, 0x01)));
}

// A refused bit mode leaves the flag clear. Listing failures give zero and empty texts;
// D2XX's own error is no failure of the binding.
TEST_F(Ft245Device, OnlyASuccessfulBitModeSetsTheSharedFlagAndListingFailuresGiveNothing)
{
    fake.fail(-1, 1, 0);
    CFt245Device ft(host);
    Note(ft, "load", Ok(ft.IsAvailable()));
    Note(ft, "set bit mode 5 0F", Ok(ft.SetBitMode(5, 0x0F)));
    uint8_t pins = 0;
    Note(ft, "get bit mode 1", Ok(ft.GetBitMode(1, &pins)));
    Note(ft, "pins", std::to_string(pins));
    Note(ft, "read 0", Ok(ft.ReadByte(0, &pins)));
    char buffer[CFt245Device::kSerialBufferSize] = "old";
    Note(ft, "serial into 1", Ok(ft.GetSerialNumberInto(1, buffer)));
    Note(ft, "serial into 1 wrote", buffer);
    for (int device : {1, 0, 2}) // 2 is beyond the attached devices
        Note(ft, "serial " + std::to_string(device), ft.GetSerialNumber(device));
    fake.fail(-1, 1, 1);
    Note(ft, "count", std::to_string(ft.CountDevices()));
}

// An EEPROM holds whatever was written into it: its serial number becomes a comment
// line of the document, never a statement line.
TEST_F(Ft245Device, ASerialNumberNeverBreaksTheDocumentLine)
{
    fake.setSerial("X\r\nEXEC sh\nB", 12);
    Run("ftgetserialnumber");
    fake.setSerial("OK\0\r\nEXEC sh", 12);
    Run("ftgetserialnumber 0");
    engine.SetDebugLevel(100);
    fake.setSerial("Y\rEXEC sh", 9);
    Run("ftserialnumberjmp 0 Z L'end\n:end");
}

// ---- The libftdi1 adapter, on a machine without FTDI devices attached

TEST(FtdiAdapter, WithNoDeviceAttachedCountsZeroAndRefusesEverything)
{
    CDeviceHost host;
    host.file = TAVIMORE_D2XX_ADAPTER;
    {
        CFt245Device ft(host);
        ASSERT_TRUE(ft.IsAvailable()) << host.loader.LastError();
        EXPECT_EQ(ft.CountDevices(), 0);
        EXPECT_STREQ(ft.GetSerialNumber(0), "");
        EXPECT_FALSE(ft.WriteByte(0, 1));
        uint8_t pins = 9;
        EXPECT_FALSE(ft.GetBitMode(0, &pins));
        EXPECT_EQ(pins, 9);
    }
    EXPECT_TRUE(host.Messages().empty());

    CLibrary adapter(TAVIMORE_D2XX_ADAPTER);
    ASSERT_TRUE(adapter.Loaded());
    auto open = adapter.Get<d2xx::FtOpenFn>("FT_Open");
    auto write = adapter.Get<d2xx::FtWriteFn>("FT_Write");
    auto close = adapter.Get<d2xx::FtCloseFn>("FT_Close");
    d2xx::FT_HANDLE handle = nullptr;
    EXPECT_EQ(open(0, &handle), d2xx::FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, nullptr);
    int notAHandle = 0;
    unsigned char byte = 1;
    d2xx::DWORD written = 5;
    EXPECT_EQ(write(&notAHandle, &byte, 1, &written), d2xx::FT_INVALID_HANDLE);
    EXPECT_EQ(close(&notAHandle), d2xx::FT_INVALID_HANDLE);
}

// ---- The simulated library's configuration file

TEST(SimulatedD2xx, ReadsItsConfigurationAndLogsBesideIt)
{
    CTempDir dir;
    WriteFile(dir.File("sim.ini"), "; comment\r\n[FTDI]\r\nDevices = A1 ,, b2 ; two devices\r\n"
                                   "[log]\r\nfile = calls.log\r\n");
    setenv("TAVIMORE_SIM_CONFIG", dir.File("sim.ini").c_str(), 1);
    CDeviceHost host;
    host.file = TAVIMORE_D2XX_SIM;
    {
        CFt245Device ft(host);
        EXPECT_EQ(ft.CountDevices(), 2);
        EXPECT_STREQ(ft.GetSerialNumber(1), "b2");
    }
    unsetenv("TAVIMORE_SIM_CONFIG");
    EXPECT_EQ(ReadFile(dir.File("calls.log")), "d2xx: FT_ListDevices count -> FT_OK, 2\n"
                                               "d2xx: FT_ListDevices serial 1 -> FT_OK, b2\n"
                                               "d2xx: FT_ListDevices count -> FT_OK, 2\n");
}

// ---- The instructions where a script cannot show it

using FtdiInstructions = CRecordedRuns<CDeviceHost>;

// No library at all for every instruction, one without FT_SetBaudRate for its user:
// the box, the run stops and the line after never runs.
TEST_F(FtdiInstructions, EveryDeviceInstructionStopsTheRunWithoutAWholeLibrary)
{
    for (const char* statement : {"ftopen", "ftclose", "ftsetbitmode 0 FF", "ftout 0 1", "ftin 0",
                                  "ftreset 0", "ftsetbaudrate 0 D'9600", "ftread 0"})
        Run(std::string(statement) + "\nMOV REG1 1", Shown::Status);
    host.file = TAVIMORE_FAKE_D2XX_INCOMPLETE;
    Run("ftsetbaudrate 1 D'9600\nMOV REG1 1", Shown::Status);
}

// lowpower sets one second for its wait and restores the time-out, also when a stop
// cuts the wait short; without a display it only waits.
TEST_F(FtdiInstructions, LowPowerSetsOneSecondForTheWaitAndRestores)
{
    host.display = true;
    Run("lowpower", Shown::Nothing);
    host.stopAt = host.m_now + 500;
    Run("lowpower\nMOV REG1 1", Shown::Nothing);
    host.display = false;
    Run("lowpower", Shown::Nothing);
}

} // namespace
