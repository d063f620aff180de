// The helpers of the script engine's lowest layer that make or free values.
#include "engine/Parstype.h"
#include "engine/values/Variant.h"

#include <cmath>
#include <cstdlib>

namespace skv::engine {

namespace {
[[noreturn]] void RaiseEngineVariantError(TVariantError Code, const std::string& Message) {
    if (Code == TVariantError::ArrayBounds) throw EVariantOpError(Code, _msgVarArrayOutOfBounds);
    throw EVariantOpError(Code, Message);
}
} // namespace

void UseEngineVariantErrors() {
    SetVariantErrorRaiser(&RaiseEngineVariantError);
}

void DisposeParserVar(Variant*& V) {
    delete V;
    V = nullptr;
}

bool TextToValue(const std::string& Text, Variant& Value) {
    double number = 0;
    if (TryStrToFloat(Text, number)) {
        const bool integral = Text.find(DecimalSeparator()) == std::string::npos &&
                              std::floor(number) == number && std::fabs(number) <= 2147483647.0;
        Value = integral ? Variant(static_cast<std::int32_t>(number)) : Variant(number);
        return true;
    }
    const std::string up = UpStr(Text);
    if (up == "TRUE" || up == "FALSE") {
        Value = Variant(up == "TRUE");
        return true;
    }
    if (HexCheck(Text)) {
        // Up to eight hex digits: the 32-bit pattern, as the integer it denotes.
        const auto bits = static_cast<std::uint32_t>(std::strtoul(Text.c_str() + 1, nullptr, 16));
        Value = Variant(static_cast<std::int32_t>(bits));
        return true;
    }
    Value = Variant(std::int32_t{0});
    return false;
}

} // namespace skv::engine
