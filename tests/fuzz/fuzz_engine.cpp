// Fuzz target: any bytes as a document, run whole and stepped on the test host.
//
// The first byte chooses the debug level and the stepped line, the rest is the
// script. The fake clock makes every wait free and the statement guard is lowered so
// that loops end; what must never happen is a crash, a hang or a sanitizer report.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ScriptEngine.h"
#include "Stepper.h"
#include "TestHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const uint8_t control = data[0];
    std::string script(reinterpret_cast<const char*>(data + 1), size - 1);

    CTestHost host;
    CScriptEngine engine(host);
    engine.SetStatementLimit(4000);
    engine.SetDebugLevel((control & 1) ? 100 : 10);
    engine.SetScript(script);
    engine.Run(-1);
    (void)engine.GetOutput();

    int lines = CountEditorLines(script);
    StepDocumentLine(engine, script, (control >> 1) % lines);
    return 0;
}
