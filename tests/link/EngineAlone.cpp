// Runs a script on the engine library with a host of its own and nothing else: built by
// ./build.sh test against libtavimore_engine.a and the C++ standard library only, it
// fails to link as soon as the engine needs any other library.
#include <cstdio>
#include <string>

#include "Host.h"
#include "ScriptEngine.h"

namespace {

class CBareHost final : public CHost {
public:
    MessageAnswer ShowMessage(std::string_view, std::string_view, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
    void ShowAppMessage(std::string_view) override {}
    void PumpMessages() override {}
    bool PollStop() override { return false; }
    uint32_t GetTickCount() override { return m_nTicks += 1; }
    bool Sleep(uint32_t) override { return true; }

private:
    uint32_t m_nTicks = 0;
};

} // namespace

int main()
{
    // A port statement reaches the port binding, which finds no loader and says so.
    const std::string script = "OUT H'379 H'40\r\n";
    CBareHost host;
    CScriptEngine engine(host);
    engine.SetScript(script);
    engine.Run(-1);
    const std::string output = engine.GetOutput();
    if (output.size() <= script.size() || output.compare(0, script.size(), script) != 0) {
        std::fprintf(stderr, "engine alone: unexpected output\n");
        return 1;
    }
    return 0;
}
