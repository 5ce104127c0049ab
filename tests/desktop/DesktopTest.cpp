// The desktop instructions on a real X11 desktop: Xvfb with openbox, real X clients
// (xterm, xmessage, tavimore-test-window), started and ended by the tests; the console
// on a pseudo-terminal; EXITWIN against a stand-in logind on a private bus.
#include <gtest/gtest.h>

#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "DesktopFixture.h"
#include "Doctor.h"
#include "Dpms.h"
#include "Encoding.h"
#include "LinuxDesktop.h"
#include "LogindPower.h"
#include "ScriptEngine.h"
#include "Spawn.h"
#include "TestHost.h"
#include "X11Windows.h"

namespace {

// Nothing in these tests may reach the machine's real system bus: EXITWIN would power
// it off. Every test that calls logind names its private bus; this catches the rest.
const bool g_bSystemBusBlocked = [] {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tavimore-tests-never-power-off", 1);
    return true;
}();

// The test host with the real desktop behind it. Sleeps stay fake (instant), after an
// optional wait for something the test needs to have happened first.
class CDesktopHost : public CTestHost {
public:
    explicit CDesktopHost(CLinuxDesktopOptions options) : real(std::move(options)) {}
    CDesktopServices* Desktop() override { return &real; }
    bool Sleep(uint32_t milliseconds) override
    {
        if (beforeSleep) beforeSleep();
        return CTestHost::Sleep(milliseconds);
    }
    std::function<void()> beforeSleep;
    CLinuxDesktop real;
};

// Runs text as a document through tavimore-run (UTF-8) and returns its standard output.
std::string RunDocument(const CTempDir& dir, const std::string& text, int& status,
                        std::string* error = nullptr, const std::vector<std::string>& env = {})
{
    WriteFile(dir.File("document.tvm"), text);
    status = -1;
    return Capture({TAVIMORE_RUN, "--encoding", "utf8", dir.File("document.tvm")}, env, &status,
                   error);
}

// Whether the window leaves the client list within the usual wait.
bool WaitGone(uint32_t window)
{
    return WaitUntil([&] {
        auto list = XpropClients();
        return std::find(list.begin(), list.end(), window) == list.end();
    });
}

class Desktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Programs whose parent ends before them come to this process, so that the end
        // of each test finds and ends everything its scripts started.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        s_pX = new CXServer;
        s_bServer = s_pX->Start(s_strWhy);
        s_bReady = s_bServer && s_pX->StartWindowManager(s_strWhy);
    }
    static void TearDownTestSuite()
    {
        delete s_pX;
        s_pX = nullptr;
    }

    void SetUp() override
    {
        if (!s_bServer) GTEST_SKIP() << "no X server could start: " << s_strWhy;
        ASSERT_TRUE(s_bReady) << s_strWhy;
        m_before = XpropClients();
        NewEngine({});
    }
    void TearDown() override
    {
        if (!s_bReady) return;
        // End whatever the test left on the screen. Only programs the test started are
        // signalled: the list can still hold the window of a client that has just gone,
        // and the X server then names whichever client took over its connection slot
        // since (this process's own, or a program of another test's).
        CX11Windows windows("");
        for (uint32_t w : XpropClients()) {
            if (std::find(m_before.begin(), m_before.end(), w) != m_before.end()) continue;
            const auto pid = static_cast<pid_t>(windows.OwnerProcess(w));
            if (pid > 0 && IsOurDescendant(pid)) kill(pid, SIGTERM);
        }
        WaitUntil([&] { return XpropClients().size() <= m_before.size(); }, 5000);
    }

    void NewEngine(CLinuxDesktopOptions options)
    {
        engine.reset();
        host = std::make_unique<CDesktopHost>(std::move(options));
        engine = std::make_unique<CScriptEngine>(*host);
    }
    void Run(const std::string& script)
    {
        engine->SetScript(Sj(script));
        engine->Run(-1);
    }
    uint32_t Reg(int index) { return engine->ReadRegister(index); }

    // A test window the test starts itself.
    uint32_t StartWindow(const std::string& title)
    {
        auto child = std::make_unique<CChild>();
        EXPECT_TRUE(child->Start({TAVIMORE_TEST_WINDOW, "--title", title}));
        m_children.push_back(std::move(child));
        uint32_t window = WaitForWindow(title);
        if (window == 0) {
            std::string managed;
            for (uint32_t w : XpropClients())
                managed += Hex8(w) + " \"" + XpropTitle(w) + "\" ";
            ADD_FAILURE() << "the window \"" << title << "\" did not appear; managed: " << managed;
        }
        return window;
    }

    static inline CXServer* s_pX = nullptr;
    static inline std::string s_strWhy;
    static inline bool s_bServer = false, s_bReady = false;

    CTempDir dir;
    std::unique_ptr<CDesktopHost> host;
    std::unique_ptr<CScriptEngine> engine;
    std::vector<std::unique_ptr<CChild>> m_children;
    std::vector<uint32_t> m_before;
};

const std::string kTestWindow = TAVIMORE_TEST_WINDOW;

TEST_F(Desktop, HandleListReportsTheWindowsAsTheXServerKnowsThem)
{
    StartWindow("snow ☃ 雪");
    StartWindow("plain title");
    CChild xmessage;
    ASSERT_TRUE(xmessage.Start({"xmessage", "-title", "メッセージ", "hello"}));
    ASSERT_NE(WaitForWindow("メッセージ"), 0u);

    int status;
    std::string output = RunDocument(dir, "HANDLELIST\n", status);
    EXPECT_EQ(status, 0);

    std::string expected =
        "HANDLELIST\n\n/ 実行したニーモニック数は1行です\n/ ハンドル：ウインドウタイトル\n";
    for (uint32_t w : XpropClients())
        expected += "/ " + Hex8(w) + " : " + Utf(Sj(XpropTitle(w))) + "\n";
    EXPECT_EQ(output, expected + "\n");
    EXPECT_NE(output.find(" : snow ? 雪\n"), std::string::npos);  // cp932 has no snowman
    EXPECT_NE(output.find(" : メッセージ\n"), std::string::npos); // WM_NAME as compound text
}

TEST_F(Desktop, AWindowWhoseClientHasGoneHasNoOwner)
{
    // Without _NET_WM_PID the owner is asked of the X server by the window id, whose
    // connection slot a later client takes over once the window's client has gone.
    CChild client;
    ASSERT_TRUE(client.Start({kTestWindow, "--no-pid", "--title", "gone"}));
    const uint32_t window = WaitForWindow("gone");
    ASSERT_NE(window, 0u);
    EXPECT_EQ(CX11Windows("").OwnerProcess(window), static_cast<uint32_t>(client.Pid()));
    client.Stop();
    ASSERT_TRUE(WaitGone(window));
    CX11Windows later(""); // a new client, likely in the freed slot
    EXPECT_EQ(later.OwnerProcess(window), 0u);
}

TEST_F(Desktop, ExecpAndExecdStoreTheWindowOfTheStartedClient)
{
    Run("EXECP REG5 " + kTestWindow +
        " --title 'execp target'\r\n"
        "EXECP REG6 " +
        kTestWindow +
        " --no-pid --title \"no pid\"\r\n"
        "EXECP REG7 xmessage -title 'x message' hello\r\n"
        "EXECD REG8 " +
        kTestWindow + " --title 'under sh'; true");
    // Without _NET_WM_PID the window is known through the X server (X-Resource); under
    // sh it is the window of the command sh runs.
    const std::vector<uint32_t> windows = {WaitForWindow("execp target"), WaitForWindow("no pid"),
                                           WaitForWindow("x message"), WaitForWindow("under sh")};
    EXPECT_EQ((std::vector<uint32_t>{Reg(5), Reg(6), Reg(7), Reg(8)}), windows);
    EXPECT_EQ(std::count(windows.begin(), windows.end(), 0u), 0);
}

TEST_F(Desktop, AProgramWithoutAWindowLeavesTheRegisterAlone)
{
    engine->WriteRegister(9, 77);
    engine->WriteRegister(CScriptEngine::kRegL, 5);
    long long start = MonotonicMs();
    Run("EXECP REG9 sleep 0.3\r\nEXECP REG9 /no/such/program\r\nEXEC /no/such/program");
    EXPECT_EQ(Reg(9), 77u);
    EXPECT_EQ(engine->GetRegL(), 5u);
    EXPECT_LT(MonotonicMs() - start, 8000); // the wait ended with the program, not the bound
}

TEST_F(Desktop, WindowAndLayerActOnTheMainWindow)
{
    uint32_t window = StartWindow("main window");
    host->real.SetMainWindow(window);
    auto mapState = [&] { return Capture({"xwininfo", "-id", "0x" + Hex8(window)}); };
    Run("WINDOW HIDE");
    EXPECT_TRUE(
        WaitUntil([&] { return mapState().find("Map State: IsUnMapped") != std::string::npos; }));
    Run("WINDOW show");
    EXPECT_TRUE(
        WaitUntil([&] { return mapState().find("Map State: IsViewable") != std::string::npos; }));
    Run("layer 50");
    EXPECT_EQ(XpropValue(window, "_NET_WM_WINDOW_OPACITY"), "2139062143"); // 0x7F7F7F7F: 127/255
    Run("layer 100 " + Hex8(window));
    EXPECT_EQ(XpropValue(window, "_NET_WM_WINDOW_OPACITY"), "4294967295");
}

TEST_F(Desktop, ExecdRunsHiddenInASessionOfItsOwnAndExecSplitsItsLineWithoutAShell)
{
    const std::string d = dir.Path();
    Run("EXECD REG1 cat /proc/$$/stat > " + d + "/stat; readlink /proc/$$/fd/0 /proc/$$/fd/2 > " +
        d + "/out; echo $$ > " + d +
        "/pid\r\n"
        "EXEC sh -c 'cat /proc/$$/stat > " +
        d + "/stat2'");
    ASSERT_TRUE(WaitUntil(
        [&] { return !ReadFile(d + "/pid").empty() && !ReadFile(d + "/stat2").empty(); }));
    const long long pid = std::stoll(ReadFile(d + "/pid"));
    // Process group, session and terminal of each.
    auto groupSessionTerminal = [&](const std::string& file) {
        std::vector<long long> fields = StatFields(ReadFile(file));
        return fields.empty() ? fields : std::vector<long long>(fields.begin() + 1, fields.end());
    };
    EXPECT_EQ(groupSessionTerminal(d + "/stat"), (std::vector<long long>{pid, pid, 0}));
    EXPECT_EQ(ReadFile(d + "/out"), "/dev/null\n/dev/null\n");

    // EXEC: its own process group (out of reach of the terminal's Ctrl+C), our session
    // and terminal; REGL is its process id.
    EXPECT_EQ(groupSessionTerminal(d + "/stat2"),
              (std::vector<long long>{static_cast<long long>(engine->GetRegL()), getsid(0),
                                      groupSessionTerminal("/proc/self/stat").at(2)}));

    // EXEC splits the command line as a shell would, without running one.
    Run("EXEC /bin/sh -c 'printf \"%s|\" \"$@\" > " + dir.File("args") +
        "' sh 'two words' three\\ four \"five\" $HOME >x");
    EXPECT_TRUE(WaitUntil([&] {
        return ReadFile(dir.File("args")) == "two words|three four|five|$HOME|>x|";
    })) << ReadFile(dir.File("args"));
}

TEST_F(Desktop, TerminateEndsTheEditorItStartedAndNothingElse)
{
    CLinuxDesktopOptions options;
    options.textEditors = {
        {"/no/such/editor"},
        {"/bin/sh", "-c", "echo $$ \"$1\" > " + dir.File("editor") + "; exec sleep 30", "sh"}};
    NewEngine(options);
    host->beforeSleep = [&] { WaitUntil([&] { return !ReadFile(dir.File("editor")).empty(); }); };
    CChild bystander;
    ASSERT_TRUE(bystander.Start({"sleep", "30"}));

    Run("terminate");
    const std::string record = ReadFile(dir.File("editor"));
    const pid_t editor = std::atoi(record.c_str());
    EXPECT_EQ(record, std::to_string(editor) + " " + getenv("HOME") + "/autoexec.bak\n");
    ASSERT_GT(editor, 0);
    EXPECT_EQ(kill(editor, 0), -1); // ended and reaped
    EXPECT_TRUE(bystander.Running());

    options.textEditors = {{"/no/such/editor"}};
    NewEngine(options);
    Run("notepat");
    EXPECT_EQ(host->calls, std::vector<std::string>{}); // nothing started, nothing waited for
}

TEST_F(Desktop, OpenconOpensATerminalShowingItsFourCharactersThatFreeconCloses)
{
    Run("opencon"); // an xterm
    uint32_t console = WaitForWindow("Tavimore");
    ASSERT_NE(console, 0u);
    Run("freecon");
    EXPECT_TRUE(WaitGone(console));

    // A stand-in emulator: reports a window like xterm, then records what it shows.
    WriteFile(dir.File("terminal"), "#!/bin/sh\nprintf '1\\n' >&3\nexec cat <&3 > \"$1\"\n", true);
    CLinuxDesktopOptions options;
    options.terminalCommand = {dir.File("terminal"), dir.File("shown")};
    NewEngine(options);
    Run("opencon");
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(dir.File("shown")) == "dir\r\n"; }))
        << encoding::QuoteForLog(ReadFile(dir.File("shown")));
    long long start = MonotonicMs();
    Run("freecon");
    EXPECT_LT(MonotonicMs() - start, 900); // the emulator ended with its terminal
    SleepMs(100);
    EXPECT_EQ(ReadFile(dir.File("shown")), "dir\r\n"); // displayed, never run
}

TEST_F(Desktop, AScriptStartsAProgramFindsFadesAndClosesItsWindow)
{
    int status;
    std::string error;
    std::string output =
        RunDocument(dir,
                    "EXECP REG1 " + kTestWindow + " --title story --closed " + dir.File("closed") +
                        "\nlayer 50 REG1\nDISPH REG1\nEXECCLOSE REG1\n",
                    status, &error);
    EXPECT_EQ(status, 0) << error;
    ASSERT_TRUE(WaitUntil([&] { return !ReadFile(dir.File("closed")).empty(); }))
        << output << error;
    // Faded to 127/255 before it was closed; DISPH showed its handle.
    const std::string closed = ReadFile(dir.File("closed"));
    const std::string id = closed.substr(7, closed.find(' ', 7) - 7);
    EXPECT_EQ(closed, "closed " + id + " opacity 2139062143\n");
    const auto window = static_cast<uint32_t>(std::stoul(id, nullptr, 16));
    EXPECT_TRUE(WaitGone(window));
    EXPECT_NE(output.find("/ DISPH…00001@d " + std::string(24, '0') + Hex8(window) + "@h\n"),
              std::string::npos)
        << output;
}

TEST_F(Desktop, LowPowerTimeOutIsSetAndRestoredOnTheXServerAndNeedsOne)
{
    uint32_t before = 0, now = 0;
    if (dpms::GetLowPowerTimeout(before)) {
        for (uint32_t timeout : {1u, before}) {
            dpms::SetLowPowerTimeout(timeout);
            EXPECT_TRUE(dpms::GetLowPowerTimeout(now));
            EXPECT_EQ(now, timeout);
        }
    } else {
        // A server without the DPMS extension (Debian's Xvfb): asking and setting do
        // nothing and never end the program.
        dpms::SetLowPowerTimeout(1);
    }
    // Without a display there is nothing to ask or set.
    unsetenv("DISPLAY");
    now = 77;
    EXPECT_FALSE(dpms::GetLowPowerTimeout(now));
    dpms::SetLowPowerTimeout(1);
    EXPECT_EQ(now, 77u);
    setenv("DISPLAY", s_pX->Display().c_str(), 1);
}

// ---- Without an X server

TEST(DesktopConsole, TavimoreRunWritesOpenconToItsControllingTerminalIfItHasOne)
{
    CTempDir dir;
    WriteFile(dir.File("console.tvm"), "opencon\nfreecon\nopencon\n");
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Standard output and error away from the terminal: only the console's text
        // may reach it.
        freopen(dir.File("stdout").c_str(), "w", stdout);
        freopen(dir.File("stderr").c_str(), "w", stderr);
        execl(TAVIMORE_RUN, TAVIMORE_RUN, "--encoding", "utf8", dir.File("console.tvm").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string shown;
    char buffer[256];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, static_cast<size_t>(n));
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(shown, "dir\r\ndir\r\n");
    EXPECT_EQ(ReadFile(dir.File("stdout")),
              "opencon\nfreecon\nopencon\n\n/ 実行したニーモニック数は3行です\n");

    // Without a controlling terminal the console shows nothing.
    WriteFile(dir.File("console.tvm"), "opencon\n");
    std::string error;
    std::string output =
        Capture({"setsid", TAVIMORE_RUN, "--encoding", "utf8", dir.File("console.tvm")}, {},
                &status, &error);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(output, "opencon\n\n/ 実行したニーモニック数は1行です\n");
    EXPECT_EQ(error, "REGL 000000000@h\n");
}

// tavimore-run reaches the logind of the system bus named by DBUS_SYSTEM_BUS_ADDRESS
// (ours), as the environment check does; where logind refuses, the run keeps its
// behaviour and adds one line naming the cause.
TEST(DesktopPower, ExitwinCallsLogindPowerOffAndNamesARefusal)
{
    for (const std::string canPowerOff : {"yes", "no"}) {
        SCOPED_TRACE(canPowerOff);
        CTempDir dir;
        CPrivateBus bus;
        std::string why;
        if (!bus.Start(dir.Path(), why, canPowerOff)) GTEST_SKIP() << "no private bus: " << why;
        ASSERT_EQ(bus.Address().rfind("unix:path=" + dir.Path() + "/", 0), 0u);
        if (canPowerOff == "no") { // libdbus keeps a process's first system bus
            const std::string saved = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
            setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str(), 1);
            const doctor::CLogindAnswer answer = doctor::CreateDoctorProbe()->AskLogind();
            setenv("DBUS_SYSTEM_BUS_ADDRESS", saved.c_str(), 1);
            EXPECT_TRUE(answer.reached) << answer.error;
            EXPECT_EQ(answer.answer, "no");
        }

        int status;
        std::string error;
        RunDocument(dir, "EXITWIN\n", status, &error, {"DBUS_SYSTEM_BUS_ADDRESS=" + bus.Address()});
        EXPECT_EQ(status, 0);
        EXPECT_EQ(bus.Record(), "ready\nPowerOff interactive=false\n");
        EXPECT_EQ(error, "REGL 000000000@h\n" +
                             std::string(canPowerOff == "yes"
                                             ? ""
                                             : "tavimore-run: power off: logind answers "
                                               "CanPowerOff: no, so EXITWIN cannot power off. "
                                               "'tavimore-run --doctor' shows the fix.\n"));
    }
}

TEST(DesktopPower, WithoutLogindExitwinStillEndsNormally)
{
    CTempDir dir;
    const std::string nowhere = "unix:path=" + dir.File("no-bus");
    EXPECT_FALSE(RequestPowerOff(nowhere, 1000));
    CLinuxDesktopOptions options;
    options.systemBusAddress = nowhere;
    CDesktopHost host(options);
    CScriptEngine engine(host);
    engine.SetScript("EXITWIN");
    engine.Run(-1);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_TRUE(host.calls.empty()); // no message: the result is not reported
}

// The environment check asks the same X server and logind the instructions use.
TEST_F(Desktop, DoctorReportsX11WithEwmhAndNoCompositor)
{
    const auto probe = doctor::CreateDoctorProbe();
    const doctor::CX11Answer x = probe->AskX11(s_pX->Display());
    ASSERT_TRUE(x.connected) << x.error;
    EXPECT_TRUE(x.hasSupported);
    for (const char* atom : {"_NET_CLIENT_LIST_STACKING", "_NET_CLOSE_WINDOW", "_NET_WM_PID"})
        EXPECT_NE(std::find(x.supported.begin(), x.supported.end(), atom), x.supported.end())
            << atom;
    EXPECT_EQ(x.wmName, "Openbox");
    EXPECT_FALSE(x.compositor);

    int status = -1;
    const std::string text = Capture(
        {TAVIMORE_RUN, "--doctor", "--ports", "sim", "--ftdi", "sim"},
        {"DISPLAY=" + s_pX->Display(), "XDG_SESSION_TYPE=x11", "WAYLAND_DISPLAY="}, &status);
    EXPECT_NE(text.find("OK      desktop.session"), std::string::npos) << text;
    EXPECT_NE(text.find("EWMH window manager Openbox."), std::string::npos) << text;
    EXPECT_NE(text.find("warning desktop.compositor"), std::string::npos) << text;
}

} // namespace
