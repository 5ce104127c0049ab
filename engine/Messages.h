// The engine's texts as cp932 bytes: msg::kName for every entry of Messages.def.
#pragma once

#include <string_view>

namespace msg {
#define MSG(name, text) extern const std::string_view name;
#include "Messages.def"
#undef MSG
} // namespace msg
