// The port-access binding against the fake libraries of tests/unit/fakes: loading,
// refusal and reloading, the width masks, and the instructions' behaviour where a
// script cannot see it (library calls, a missing library in loops).
#include <memory>

#include "DlLoader.h"
#include "RecordedRuns.h"
#include "instructions/DumpLine.h"

namespace {

class CCountingLoader final : public CLibraryLoader {
public:
    Handle Open(const std::string& file) override
    {
        ++opens;
        return m_inner.Open(file);
    }
    void* Symbol(Handle library, const char* name) override
    {
        return m_inner.Symbol(library, name);
    }
    void Close(Handle library) override
    {
        ++closes;
        m_inner.Close(library);
    }
    std::string LastError() const override { return m_inner.LastError(); }
    int opens = 0;
    int closes = 0;

private:
    CDlLoader m_inner;
};

class CPortHost : public CTestHost {
public:
    CLibraryLoader* Loader() override { return withLoader ? &loader : nullptr; }
    std::string LibraryFile(DeviceLibrary which) override
    {
        return which == DeviceLibrary::Ports ? file : std::string();
    }

    CCountingLoader loader;
    bool withLoader = true;
    std::string file;
};

// The fake library's own controls, reset when the test opens it; the engine's calls
// show in its record.
struct CFake : CLibrary {
    explicit CFake(const char* path) : CLibrary(path)
    {
        if (Complete()) reset();
    }
    bool Complete() const { return Loaded() && calls && reset && setPortValue; }
    std::string Calls() const { return calls(); }
    const char* (*calls)() = Get<const char* (*)()>("FakeCalls");
    void (*reset)() = Get<void (*)()>("FakeReset");
    void (*setPortValue)(uint32_t) = Get<void (*)(uint32_t)>("FakeSetPortValue");
};

using WinIoPort = CRecordedRuns<CPortHost>;

// Every run stops at its first port statement, with a loader or without, with the box.
// The probe checks before its two-second loop: the fake clock never advances, so a
// loop would never end. OUT still stores what it would have written. An empty file
// name is never handed to the loader.
TEST_F(WinIoPort, WithoutALibraryTheFirstPortStatementStopsTheRunEveryRun)
{
    for (const char* script : {"GETTICK_DEBUG\nIN 70", "OUT 70 1\nIN 71"}) {
        for (bool withLoader : {false, true}) {
            host.withLoader = withLoader;
            host.file = withLoader ? "" : "unused";
            Run(script);
            Run(script);
        }
    }
    EXPECT_EQ(host.loader.opens, 0);
}

// A library that lacks an entry point or fails to initialise is released and tried
// again at the next run. No port was touched; after a failed load the stand-ins answer
// instead.
TEST_F(WinIoPort, ALibraryThatLacksAnEntryPointOrFailsToInitialiseIsReleasedAndTriedAgain)
{
    for (const char* path : {TAVIMORE_FAKE_WINIO_NO_SHUTDOWN, TAVIMORE_FAKE_WINIO_INIT_FAILS}) {
        CFake fake(path);
        ASSERT_TRUE(fake.Complete());
        host.file = path;
        host.loader.opens = host.loader.closes = 0;
        for (int run = 1; run <= 2; ++run) {
            Run("IN 70\nIN 71");
            record += "  opens " + std::to_string(host.loader.opens) + ", closes " +
                      std::to_string(host.loader.closes) + "\n";
        }
        EXPECT_EQ(fake.Calls().find("GetPortVal"), std::string::npos);
        EXPECT_FALSE(engine.ReadPortBit(0x379, 0));
        EXPECT_EQ(fake.Calls().find("GetPortVal"), std::string::npos);
    }
}

// The width masks and the calls of one run are shown by script ports/widths; here
// what a run cannot show: one load for the engine's life, reads of a library that
// answers more bits than asked, and the bit readers.
TEST_F(WinIoPort, LoadsOnceReadsBitsAndShutsTheLibraryDownWithTheEngine)
{
    CFake fake(TAVIMORE_FAKE_WINIO);
    ASSERT_TRUE(fake.Complete());
    host.file = TAVIMORE_FAKE_WINIO;
    auto own = std::make_unique<CScriptEngine>(host);
    fake.setPortValue(0xAABBCCDD); // all 32 bits answered: a read keeps its own width
    for (const std::string script : {"IN H'70", "WIN H'70"}) {
        RunUtf8(*own, script);
        record += "> " + script + "\n" + RunRecord(*own, host, "");
    }
    fake.setPortValue(0xFF);
    for (int bit : {7, 8}) // only bits 0 to 7 exist
        record += "port bit " + std::to_string(bit) + " " +
                  std::to_string(own->ReadPortBit(0x379, bit)) + "\n";
    for (int bit : {0, 31, 0xFFFF})
        record +=
            "test bit " + std::to_string(bit) + " " + std::to_string(own->TestPortBit(bit)) + "\n";
    own.reset();
    record += fake.Calls() + "opens " + std::to_string(host.loader.opens) + ", closes " +
              std::to_string(host.loader.closes) + "\n";
}

TEST(DumpLine, ShiftJisColumns)
{
    const uint8_t bytes[16] = {0x41, 0x7F, 0x80, 0x1F, 0xA0, 0xDF, 0x88, 0x9F,
                               0xE0, 0x3F, 0xFF, 0x40, 0x20, 0x30, 0x31, 0x81};
    EXPECT_EQ(FormatDumpLine(0x12AB, bytes),
              "000012ab  41 7f 80 1f a0 df 88 9f e0 3f ff 40 20 30 31 81 "
              "A\x7F..\xA0\xDF\x88\x9F  \xFF\x40 01 ");
}

TEST_F(WinIoPort, ReglLocationShowsWhereTheCellLivesNotItsValue)
{
    engine.SetDebugLevel(5);
    std::string first = RunUtf8(engine, "REGL?");
    RunUtf8(engine, "WAIT 7");
    EXPECT_EQ(first, RunUtf8(engine, "REGL?"));
    EXPECT_NE(first.find("/ REGLアドレスは："), std::string::npos);
}

} // namespace
