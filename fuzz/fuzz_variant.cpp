// Values made from texts from anywhere: every conversion gives a value or a value error; number and
// date texts that parse print to texts that parse back to the same text; comparison is consistent.
#include "Fuzzcheck.h"

#include "engine/values/Variant.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace skv::engine;

namespace {

constexpr TVarType kTypes[] = {varEmpty,    varNull, varSmallint, varInteger, varSingle, varDouble,
                               varCurrency, varDate, varBoolean,  varByte,    varString};

void convertAll(const Variant& v) {
    const auto attempt = [](auto&& convert) {
        try {
            convert();
        } catch (const EVariantError&) {
            // a clear refusal
        }
    };
    attempt([&] { (void)v.ToReal(); });
    attempt([&] { (void)v.ToInteger(); });
    attempt([&] { (void)v.ToInt64(); });
    attempt([&] { (void)v.ToCurrency(); });
    attempt([&] { (void)v.ToDate(); });
    attempt([&] { (void)v.ToBoolean(); });
    FUZZ_CHECK(v.ToString() == v.RawString());
    for (const TVarType type : kTypes)
        attempt([&] { (void)VarAsType(v, type).ToString(); });
}

void checkNumberText(const std::string& text) {
    double value = 0;
    if (!TryStrToFloat(text, value) || !std::isfinite(value)) return;
    const std::string printed = FloatToStrGeneral(value);
    double again = 0;
    FUZZ_CHECK(TryStrToFloat(printed, again));
    FUZZ_CHECK(FloatToStrGeneral(again) == printed);

    TCurrency currency;
    if (TryStrToCurrency(text, currency)) {
        TCurrency back;
        FUZZ_CHECK(TryStrToCurrency(CurrencyToStr(currency), back));
        FUZZ_CHECK(back == currency);
    }
}

void checkDateText(const std::string& text) {
    double days = 0;
    if (!TryStrToDate(text, days)) return;
    const std::string printed = DateToStr(days);
    double again = 0;
    FUZZ_CHECK(TryStrToDate(printed, again));
    FUZZ_CHECK(DateToStr(again) == printed);
}

int orderOf(TVarCompareResult r) {
    return static_cast<int>(r);
}

// a against b and b against a: opposite orders, or null both ways.
void checkCompare(const Variant& a, const Variant& b) {
    TVarCompareResult ab, ba;
    try {
        ab = VarCmp(a, b);
    } catch (const EVariantError&) {
        return;
    }
    ba = VarCmp(b, a);
    if (ab == TVarCompareResult::Null || ba == TVarCompareResult::Null)
        FUZZ_CHECK(ab == ba);
    else
        FUZZ_CHECK(orderOf(ab) == -orderOf(ba));
}

void arithmetic(const Variant& a, const Variant& b) {
    using TOp = Variant (*)(const Variant&, const Variant&);
    for (const TOp op : {VarAdd, VarSub, VarMul, VarDiv, VarIdiv, VarMod, VarAnd, VarOr, VarXor}) {
        try {
            (void)op(a, b).ToString();
        } catch (const EVariantError&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the decimal separator and the operations to run (each refusal is an
    // exception, and exceptions are slow under the sanitizers); the rest is two texts split at a NUL.
    TValueContext values;
    values.DecimalSeparator = (data[0] & 1) ? ',' : '.';
    const TValueScope bound(&values);
    const int operations = (data[0] >> 1) % 3;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = rest.find('\0');
    const std::string first = rest.substr(0, cut);
    const std::string second = cut == std::string::npos ? std::string() : rest.substr(cut + 1);

    const Variant a(first), b(second);
    checkNumberText(first);
    checkDateText(first);
    double number = 0;
    const bool secondIsNumber = TryStrToFloat(second, number);
    switch (operations) {
    case 0:
        convertAll(a);
        break;
    case 1:
        checkCompare(a, a);
        checkCompare(a, b);
        if (secondIsNumber) checkCompare(a, Variant(number));
        break;
    default:
        arithmetic(a, secondIsNumber ? Variant(number) : b);
        break;
    }
    return 0;
}
