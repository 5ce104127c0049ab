// Registers, register indexes, operand evaluation and number formatting.
//
// A register index is one signed 32-bit code for every register cell:
//   -1 REGL, -2 REGW, 0..9999 REGn, 10000..65534 a register that does not exist,
//   65535 the register whose number is in REGL (REG:0), n << 16 the register whose
//   number is in REGn (REG:n). Any other code names no cell and is refused with a
//   register message; nothing outside the register file is ever touched.
#include <cstring>

#include "Messages.h"
#include "OperandSyntax.h"
#include "ScriptEngine.h"
#include "Text.h"

namespace {

// Reads an optional sign and decimal digits up to the first character that is not a
// digit; white space is such a character, so "D'<tab>5" reads no digits and gives 0.
// The value wraps modulo 2^32 so that every 32-bit pattern can be written in decimal.
// Returns whether at least one digit was read.
bool ReadDecimal(std::string_view s, int32_t& value)
{
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    uint32_t magnitude = 0;
    size_t firstDigit = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        magnitude = magnitude * 10u + static_cast<uint32_t>(s[i] - '0');
        ++i;
    }
    value = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
    return i > firstDigit;
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// Whether one of the single-byte characters in set occurs, stepping over
// double-byte characters.
bool ContainsAnyOf(std::string_view s, char low, char high)
{
    for (size_t i = 0; i < s.size(); i += text::CharLength(s, i)) {
        if (text::CharLength(s, i) == 1 && s[i] >= low && s[i] <= high) return true;
    }
    return false;
}

} // namespace

int CScriptEngine::ParseRegister(std::string_view token)
{
    bool readable = true;
    int index = ReadRegisterToken(token, readable);
    if (!readable) Fail(msg::kRegisterParse, msg::kCaptionTwoSpaces, 100);
    return index;
}

int CScriptEngine::ReadRegisterToken(std::string_view token, bool& readable)
{
    return operand::ReadRegisterCode(token, readable);
}

int operand::ReadRegisterCode(std::string_view token, bool& readable)
{
    readable = true;
    const std::string t = text::ToUpper(text::TrimLeft(token));
    if (t == "REGL") return CScriptEngine::kRegL;
    if (t == "REGW") return CScriptEngine::kRegW;
    int32_t n = 0;
    if (StartsWith(t, "REG:")) {
        ReadDecimal(std::string_view(t).substr(4), n);
        return n == 0 ? 0xFFFF : static_cast<int>(static_cast<uint32_t>(n) << 16);
    }
    if (StartsWith(t, "REG")) {
        ReadDecimal(std::string_view(t).substr(3), n);
        return n;
    }
    if (t.empty()) return 0;
    readable = ReadDecimal(t, n);
    return readable ? n : 0;
}

bool operand::RegisterCodeCanExist(int index)
{
    constexpr int kCount = CScriptEngine::kRegisterCount;
    if (index == CScriptEngine::kRegL || index == CScriptEngine::kRegW) return true;
    if (index >= 0 && index < kCount) return true;
    if (index == 0xFFFF) return true;
    if (index > 0xFFFF) {
        const int pointer = index >> 16;
        return pointer >= 1 && pointer < kCount;
    }
    return false;
}

uint32_t* CScriptEngine::RegisterAddress(int index)
{
    if (index >= 0 && index < kRegisterCount) return &m_pRegisters[static_cast<size_t>(index)];
    if (index == kRegL) return &m_nRegLAddress;
    if (index == kRegW) return &m_nRegWAddress;
    if (index >= kRegisterCount && index < 0xFFFF) {
        Fail(msg::kRegisterMissing, msg::kCaution, 100);
        return nullptr;
    }
    if (index == 0xFFFF) {
        if (m_nRegLAddress < static_cast<uint32_t>(kRegisterCount))
            return &m_pRegisters[m_nRegLAddress];
        Fail(msg::kRegisterBadRegL, msg::kCautionIndirect, 1000);
        return nullptr;
    }
    if (index > 0xFFFF) {
        int pointer = index >> 16;
        if (pointer >= 1 && pointer < kRegisterCount) {
            uint32_t target = m_pRegisters[static_cast<size_t>(pointer)];
            if (target < static_cast<uint32_t>(kRegisterCount)) return &m_pRegisters[target];
        }
        Fail(msg::kRegisterMissing, msg::kCautionIndirect, 1000);
        return nullptr;
    }
    // Negative codes other than REGL and REGW: REG-7 and the like, or REG:n with a
    // negative n (whose low 16 bits are zero, as for every indirect code).
    if ((static_cast<uint32_t>(index) & 0xFFFFu) == 0)
        Fail(msg::kRegisterMissing, msg::kCautionIndirect, 1000);
    else
        Fail(msg::kRegisterMissing, msg::kCaution, 100);
    return nullptr;
}

uint32_t CScriptEngine::ReadSpecialRegister(int index)
{
    const uint32_t* cell = RegisterAddress(index);
    return cell ? *cell : 0;
}

operand::CConstantText operand::ReadConstantText(std::string_view upperToken, int defaultRadix)
{
    int radix = defaultRadix;
    std::string_view digits = upperToken;
    if (StartsWith(digits, "B'")) {
        radix = 2;
        digits.remove_prefix(2);
    } else if (StartsWith(digits, "D'")) {
        radix = 10;
        digits.remove_prefix(2);
    } else if (StartsWith(digits, "H'")) {
        radix = 16;
        digits.remove_prefix(2);
    }
    if (radix == 0) {
        if (digits.size() > 10)
            radix = 2;
        else if (digits.size() >= 9)
            radix = 10;
        else if (ContainsAnyOf(digits, 'A', 'F'))
            radix = 16;
        else if (ContainsAnyOf(digits, '2', '9'))
            radix = 10;
        else
            radix = 2;
    }
    return {radix, digits};
}

bool operand::ReadConstantValue(const CConstantText& constant, uint32_t& value)
{
    const std::string_view digits = constant.digits;
    value = 0;
    switch (constant.radix) {
    case 10: {
        int32_t decimal = 0;
        ReadDecimal(digits, decimal);
        value = static_cast<uint32_t>(decimal);
        return true;
    }
    case 2:
        if (digits.empty() || digits.size() > 32) return false;
        for (char c : digits) {
            if (c != '0' && c != '1') return false;
            value = (value << 1) | static_cast<uint32_t>(c - '0');
        }
        return true;
    case 16:
        if (digits.empty() || digits.size() > 8) return false;
        for (char c : digits) {
            const bool decimal = c >= '0' && c <= '9';
            const bool letter = (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
            if (!decimal && !letter) return false;
            value = (value << 4) | static_cast<uint32_t>(decimal ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return true;
    default:
        return false;
    }
}

bool CScriptEngine::ParseBinary(std::string_view text, uint32_t& out)
{
    if (text.size() > 32) return false;
    out = 0;
    if (text.empty()) {
        Fail(msg::kBinaryConvert, msg::kCaution, 3);
        return false;
    }
    for (char c : text) {
        out <<= 1;
        if (c == '1') {
            out += 1;
        } else if (c != '0') {
            Fail(msg::kBinaryConvert, msg::kCaution, 3);
            return false;
        }
    }
    return true;
}

bool CScriptEngine::ParseHex(std::string_view text, uint32_t& out)
{
    if (text.size() > 8) {
        ShowMessage(msg::kHexTooLong, msg::kCaution);
        return false;
    }
    out = 0;
    if (text.empty()) {
        ShowMessage(msg::kHexConvert, msg::kCaution);
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else {
            ShowMessage(msg::kHexConvert, msg::kCaution);
            return false;
        }
        out |= digit;
        if (i + 1 < text.size()) out <<= 4;
    }
    return true;
}

uint32_t CScriptEngine::EvaluateOperand(std::string_view token, int defaultRadix)
{
    return Evaluate(token, defaultRadix, nullptr);
}

// The one evaluation path. When learned is given, it records what the token showed
// about itself, so that the same token of the same line can skip the text next time:
// a constant or a label line (which depend only on the script), or a register index
// (whose value is read every time). Anything that reported a failure stays Slow.
uint32_t CScriptEngine::Evaluate(std::string_view token, int defaultRadix, COperandSlot* learned)
{
    using Kind = COperandSlot::Kind;
    auto learn = [learned, defaultRadix](Kind kind, int32_t value) {
        if (learned) *learned = COperandSlot{kind, defaultRadix, value};
    };
    const std::string t = text::ToUpper(text::TrimLeft(token));
    if (StartsWith(t, "REG")) {
        int index = ParseRegister(t);
        learn(Kind::Register, index);
        return ReadRegister(index);
    }
    if (StartsWith(t, "L'")) {
        int line = FindLabel(t);
        if (line < 0) {
            learn(Kind::Slow, 0);
            Fail(msg::kLabelNotFound, msg::kCaution, 10);
            return 0;
        }
        learn(Kind::Constant, line + 1);
        return static_cast<uint32_t>(line + 1);
    }
    const operand::CConstantText constant = operand::ReadConstantText(t, defaultRadix);
    const int radix = constant.radix;
    const std::string_view digits = constant.digits;
    uint32_t value = 0;
    bool ok;
    switch (radix) {
    case 2:
        ok = ParseBinary(digits, value);
        break;
    case 16:
        ok = ParseHex(digits, value);
        break;
    case 10: {
        int32_t decimal = 0;
        ReadDecimal(digits, decimal);
        value = static_cast<uint32_t>(decimal);
        ok = true;
        break;
    }
    default:
        ShowMessage(msg::kConstantRadix, msg::kCaution);
        ok = false;
        break;
    }
    if (!ok) {
        learn(Kind::Slow, 0);
        SetError(10);
        return 0;
    }
    learn(Kind::Constant, static_cast<int32_t>(value));
    return value;
}

uint32_t CScriptEngine::OperandArgSlow(int n, int defaultRadix)
{
    if (m_pCompiled != nullptr && static_cast<unsigned>(n) < kCachedTokens) {
        COperandSlot& slot = m_pCompiled->operands[static_cast<size_t>(n)];
        if (slot.kind == COperandSlot::Kind::Unknown) return Evaluate(Arg(n), defaultRadix, &slot);
        if (slot.kind == COperandSlot::Kind::Register && slot.radix == defaultRadix)
            return ReadRegister(slot.value);
    }
    return EvaluateOperand(Arg(n), defaultRadix);
}

int CScriptEngine::RegisterArgSlow(int n)
{
    if (m_pCompiled != nullptr && static_cast<unsigned>(n) < kCachedTokens) {
        bool readable = true;
        int index = ReadRegisterToken(Arg(n), readable);
        if (readable) {
            m_pCompiled->registers[static_cast<size_t>(n)] = CRegisterSlot{true, index};
            return index;
        }
    }
    return ParseRegister(Arg(n));
}

std::string CScriptEngine::FormatNumber(int32_t value, int width, int radix)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (width > 31) width = 31;
    if (width < 0) width = 0;
    char mark;
    switch (radix) {
    case 2:
        mark = 'b';
        break;
    case 10:
        mark = 'd';
        break;
    case 16:
        mark = 'h';
        break;
    default:
        Fail(msg::kRadixFormat, msg::kCaution, 1);
        return std::string();
    }
    std::string field(static_cast<size_t>(width) + 1, '0');
    uint32_t magnitude = static_cast<uint32_t>(value);
    if (radix == 10 && value < 0) {
        field[0] = '-';
        magnitude = 0u - magnitude;
    }
    const auto base = static_cast<uint32_t>(radix);
    for (int pos = width; pos >= 0 && magnitude != 0; --pos) {
        field[static_cast<size_t>(pos)] = kDigits[magnitude % base];
        magnitude /= base;
    }
    field += '@';
    field += mark;
    return field;
}

std::string CScriptEngine::FormatRegister(int index, int numberWidth, int numberRadix,
                                          int valueWidth, int valueRadix)
{
    std::string out;
    if (index == kRegL) {
        out = "REGL::  ";
    } else if (index == kRegW) {
        out = "REGW::  ";
    } else {
        int32_t number;
        if (index < 0xFFFF)
            number = index;
        else if (index == 0xFFFF)
            number = static_cast<int32_t>(m_nRegLAddress);
        else
            number = index >> 16;
        out = FormatNumber(number, numberWidth, numberRadix);
        out += ' ';
    }
    out += FormatNumber(static_cast<int32_t>(ReadRegister(index)), valueWidth, valueRadix);
    return out;
}

uint16_t CScriptEngine::ParseCondition(std::string_view token)
{
    const std::string t = text::ToUpper(text::TrimLeft(token));
    if (t.size() > 2) {
        Fail(msg::kConditionTooLong, msg::kCaution, 5);
        return 1;
    }
    auto first = static_cast<unsigned char>(t.empty() ? 0 : t[0]);
    auto second = static_cast<unsigned char>(t.size() > 1 ? t[1] : 0);
    auto high = first > second ? first : second;
    auto low = first > second ? second : first;
    return static_cast<uint16_t>(high << 8 | low);
}

uint16_t CScriptEngine::ConditionArgSlow(int n)
{
    // Only a token of at most two bytes parses without a report; only that is kept.
    uint16_t code = ParseCondition(Arg(n));
    if (m_pCompiled != nullptr && text::TrimLeft(Arg(n)).size() <= 2) {
        m_pCompiled->conditionToken = n;
        m_pCompiled->condition = code;
    }
    return code;
}
