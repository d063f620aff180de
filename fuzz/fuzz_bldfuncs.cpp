// The built-in functions that take texts from scripts (format texts, masks, numbers, names): every
// call gives a value or an engine or value error, never another failure; texts that are numbers
// print and parse back.
#include "Fuzzcheck.h"

#include "engine/bldfuncs/Bldfuncs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace skv::engine;

namespace {

// The functions reached with texts; none of them touches the file system.
constexpr const char* kTextFuncs[] = {
    "Format",
    "FormatFloat",
    "FormatDateTime",
    "FormatMaskText",
    "FormatCurr",
    "Str",
    "StrToInt",
    "StrToIntDef",
    "StrToFloat",
    "StrToCurr",
    "StrToDate",
    "StrToTime",
    "StringReplace",
    "AnsiExtractQuotedStr",
    "AnsiQuotedStr",
    "Copy",
    "Delete",
    "Insert",
    "Pos",
    "IsDelimiter",
    "LastDelimiter",
    "AdjustLineBreaks",
    "Trim",
    "AnsiCompareStr",
    "CompareText",
    "ExtractFileDir",
    "ExtractFilePath",
    "ExtractFileDrive",
    "ExtractFileExt",
    "ChangeFileExt",
    "ExtractRelativePath",
    "IsPathDelimiter",
    "FloatToStrF",
    "IntToHex",
    "SETOF",
    "VarArrayCreate",
    "Concat",
};

TEPRegFuncs& Registry() {
    static TEPRegFuncs registry;
    return registry;
}

// The operands: the texts, and numbers read from the bytes that follow them.
std::vector<Variant> Operands(const std::string& First, const std::string& Second, const std::uint8_t* Extra,
                              std::size_t ExtraSize) {
    std::vector<Variant> v = {Variant(First), Variant(Second)};
    for (std::size_t i = 0; i + 4 <= ExtraSize && v.size() < 6; i += 4) {
        std::int32_t n = 0;
        for (int k = 0; k < 4; ++k)
            n |= static_cast<std::int32_t>(Extra[i + static_cast<std::size_t>(k)]) << (8 * k);
        // Alternately a small integer, a double and a date, the kinds format texts expect.
        switch (v.size() % 3) {
        case 0:
            v.emplace_back(static_cast<std::int32_t>(n % 1000));
            break;
        case 1:
            v.emplace_back(static_cast<double>(n) / 977.0);
            break;
        default:
            v.push_back(Variant::Date(static_cast<double>(n % 3000000)));
        }
    }
    return v;
}

void CallFunc(const TFuncObj& F, std::vector<Variant> Values) {
    const std::int32_t want = F.ArgCount() < 0 ? static_cast<std::int32_t>(Values.size()) : F.ArgCount();
    while (static_cast<std::int32_t>(Values.size()) < want)
        Values.emplace_back(std::int32_t{1});
    std::vector<Variant*> ptrs;
    for (std::int32_t i = 0; i < want; ++i)
        ptrs.push_back(&Values[static_cast<std::size_t>(i)]);
    Variant result;
    try {
        F.Call(ptrs.data(), want, result);
        (void)result.ToString();
    } catch (const EMathParserError&) {
    } catch (const EVariantError&) {
        // clear refusals
    }
}

void CheckIntegerText(const std::string& Text) {
    const TFuncObj* toInt = Registry().FindFunction("StrToIntDef");
    Variant text(Text), fallback(std::int32_t{-12345}), result;
    Variant* args[] = {&text, &fallback};
    toInt->Call(args, 2, result);
    if (result.ToInteger() == -12345) return;
    // A number prints as a decimal text that reads back as the same number.
    Variant printed(std::to_string(result.ToInteger())), again;
    Variant* back[] = {&printed, &fallback};
    toInt->Call(back, 2, again);
    FUZZ_CHECK(again.ToInteger() == result.ToInteger());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // Byte 0 picks the function; the rest is two texts split at a NUL, then bytes for numbers.
    const std::size_t pick = data[0] % (sizeof kTextFuncs / sizeof *kTextFuncs);
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = rest.find('\0');
    const std::string first = rest.substr(0, cut);
    std::string second;
    std::size_t used = rest.size();
    if (cut != std::string::npos) {
        const std::size_t cut2 = rest.find('\0', cut + 1);
        second = rest.substr(cut + 1, cut2 == std::string::npos ? std::string::npos : cut2 - cut - 1);
        used = cut2 == std::string::npos ? rest.size() : cut2 + 1;
    }
    const std::uint8_t* extra = data + 1 + used;
    const std::size_t extraSize = size - 1 - used;

    CallFunc(*Registry().FindFunction(kTextFuncs[pick]), Operands(first, second, extra, extraSize));
    CheckIntegerText(first);
    return 0;
}
