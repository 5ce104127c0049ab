// Fixtures for tests that write down what they see and compare it, at their end, with
// an expected output: engine tests record each run's script, how it ended, REGL, the
// registers 0 to 9 that are not 0, the report or the status, and the host's calls.
#pragma once

#include <gtest/gtest.h>

#include <sstream>

#include "ScriptEngine.h"
#include "TestHost.h"

enum class Shown { Nothing, Report, Status };

// A test that writes down what it saw in record, compared at its end (when it wrote
// anything) with the expected output unit/golden/SUITE.TEST.out.
class CGoldenTest : public ::testing::Test {
protected:
    std::string record;

    // The bytes with control bytes and bytes from 0x80 on as \xNN, so that each shows.
    static std::string Escaped(const std::string& bytes)
    {
        std::string text;
        for (unsigned char c : bytes) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += c < 0x20 || c >= 0x7F ? std::string(hex) : std::string(1, static_cast<char>(c));
        }
        return text;
    }

    void TearDown() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string path = std::string(TAVIMORE_TEST_SOURCE_DIR) + "/unit/golden/" +
                                 test->test_suite_name() + "." + test->name() + ".out";
        if (!record.empty()) {
            EXPECT_EQ(record, GoldenText(path, record));
        }
    }
};

template <class Host = CTestHost> class CRecordedRuns : public CGoldenTest {
protected:
    Host host;
    CScriptEngine engine{host};

    // Runs the script (UTF-8, LF) whole and records it; returns the report.
    std::string Run(const std::string& script, Shown shown = Shown::Report)
    {
        host.calls.clear();
        const std::string report = RunUtf8(engine, script);
        std::string status;
        for (char c : Utf(engine.GetStatus()))
            if (c != '\r') status += c;
        std::istringstream lines(script);
        for (std::string line; std::getline(lines, line);)
            record += "> " + line + "\n";
        record += RunRecord(engine, host,
                            shown == Shown::Report   ? report
                            : shown == Shown::Status ? status
                                                     : std::string());
        return report;
    }
};
