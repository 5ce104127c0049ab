// The port-access binding against the fake libraries of tests/unit/fakes: loading,
// refusal and reloading, the width masks, and the instructions' behaviour where a
// script cannot see it (library calls, a missing library in loops).
#include <gtest/gtest.h>

#include <memory>

#include "DlLoader.h"
#include "ScriptEngine.h"
#include "TestHost.h"
#include "instructions/DumpLine.h"

namespace {

const std::string kUnavailable = "MessageBox \"Tavimore\" "
                                 "\"ライブラリは使用できません。WinIo."
                                 "dllが同じフォルダに存在するのかチェックしてください\" -> OK";

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

class WinIoPort : public ::testing::Test {
protected:
    CPortHost host;
    std::unique_ptr<CScriptEngine> engine = std::make_unique<CScriptEngine>(host);

    // Runs the script (lines joined with CR LF) and returns the statements executed.
    std::string Run(const std::string& script)
    {
        engine->SetScript(Sj(script));
        engine->Run(-1);
        return Utf(engine->GetOutput());
    }
};

TEST_F(WinIoPort, WithoutALibraryTheFirstPortStatementStopsTheRunEveryRun)
{
    // The probe checks before its two-second loop: the fake clock never advances, so a
    // loop would never end. OUT still stores what it would have written.
    const std::pair<const char*, uint32_t> cases[] = {{"GETTICK_DEBUG\r\nIN 70", 0},
                                                      {"OUT 70 1\r\nIN 71", 1}};
    for (const auto& [script, regL] : cases) {
        for (bool withLoader : {false, true}) {
            host.withLoader = withLoader;
            host.file = withLoader ? "" : "unused";
            for (int run = 0; run < 2; ++run) {
                host.calls.clear();
                std::string out = Run(script);
                EXPECT_NE(out.find("実行したニーモニック数は1行です"), std::string::npos) << out;
                EXPECT_EQ(host.Messages(), std::vector<std::string>{kUnavailable});
                EXPECT_EQ(engine->GetRunEnd(), RunEnd::Stopped);
                EXPECT_EQ(engine->GetRegL(), regL) << script;
            }
        }
    }
    EXPECT_EQ(host.loader.opens, 0); // an empty file name is never handed to the loader
}

TEST_F(WinIoPort, ALibraryThatLacksAnEntryPointOrFailsToInitialiseIsReleasedAndTriedAgain)
{
    for (const char* path : {TAVIMORE_FAKE_WINIO_NO_SHUTDOWN, TAVIMORE_FAKE_WINIO_INIT_FAILS}) {
        SCOPED_TRACE(path);
        CFake fake(path);
        ASSERT_TRUE(fake.Complete());
        host.file = path;
        host.loader.opens = host.loader.closes = 0;
        for (int run = 1; run <= 2; ++run) {
            host.calls.clear();
            std::string out = Run("IN 70\r\nIN 71");
            EXPECT_NE(out.find("実行したニーモニック数は1行です"), std::string::npos);
            EXPECT_EQ(host.Messages(), std::vector<std::string>{kUnavailable});
            EXPECT_EQ(host.loader.opens, run);
            EXPECT_EQ(host.loader.closes, run);
        }
        // No port was touched; after a failed load the stand-ins answer instead.
        EXPECT_EQ(fake.Calls().find("GetPortVal"), std::string::npos);
        EXPECT_FALSE(engine->ReadPortBit(0x379, 0));
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
    fake.setPortValue(0xAABBCCDD);
    Run("IN H'70"); // the library answers all 32 bits: the read keeps its width
    EXPECT_EQ(engine->GetRegL(), 0xDDu);
    Run("WIN H'70");
    EXPECT_EQ(engine->GetRegL(), 0xCCDDu);
    EXPECT_EQ(fake.Calls(), "InitializeWinIo\nGetPortVal 70 1\nGetPortVal 70 2\n");
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(host.loader.opens, 1);

    fake.setPortValue(0xFF);
    EXPECT_TRUE(engine->ReadPortBit(0x379, 7));
    EXPECT_FALSE(engine->ReadPortBit(0x379, 8)); // only bits 0 to 7 exist
    EXPECT_TRUE(engine->TestPortBit(0));
    EXPECT_FALSE(engine->TestPortBit(31));
    EXPECT_FALSE(engine->TestPortBit(0xFFFF));

    fake.reset();
    engine.reset();
    EXPECT_EQ(fake.Calls(), "ShutdownWinIo\n");
    EXPECT_EQ(host.loader.closes, 1);
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
    engine->SetDebugLevel(5);
    std::string first = Run("REGL?");
    Run("WAIT 7");
    std::string second = Run("REGL?");
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("/ REGLアドレスは："), std::string::npos);
}

} // namespace
