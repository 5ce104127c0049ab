// The shape of an instruction handler: a function that executes the statement the
// engine is on, reading its tokens and leaving a request through the engine's
// operations. Declared apart so that the keyword chain needs no engine header.
#pragma once

class CScriptEngine;
using InstructionHandler = void (*)(CScriptEngine&);
