// Writes the help's function reference: every function an effect script can call, read from the
// function registry the effect player uses (name, parameters, category and help text), so the page
// cannot drift from the code. Usage: skv-make-function-reference FILE
#include "effects/Effectplayer.h"
#include "engine/funcs/Exfuncs.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace skv::engine;

namespace {

// The registry's texts are code page 1252; the page is ASCII with the rest as character references.
std::string html(const std::string& text) {
    static const char16_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                       0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else if (byte >= 0x80 && byte < 0xA0)
            out += "&#" + std::to_string(int(kHigh[byte - 0x80])) + ';';
        else if (byte >= 0xA0)
            out += "&#" + std::to_string(int(byte)) + ';';
        else
            out += c;
    }
    return out;
}

const char* typeName(TEPTypesType type) {
    switch (type) {
    case typeByte:
        return "Byte";
    case typeBoolean:
        return "Boolean";
    case typeWord:
        return "Word";
    case typeSmallInt:
        return "SmallInt";
    case typeInteger:
        return "Integer";
    case typeLongInt:
        return "LongInt";
    case typeDouble:
        return "Double";
    case typeExtended:
        return "Extended";
    case typeString:
        return "String";
    case typeParserType:
    case typeVariant:
        return "Variant";
    case typeArray:
        return "...";
    case typeVoid:
        break;
    }
    return "";
}

// "NAME(x1, x2)" for a raw procedure, "NAME(Double, Integer) -> String" for a typed routine.
std::string callTemplate(const TFuncObj& f) {
    std::vector<std::string> params;
    std::string result;
    if (f.Kind() == fkRawProc || f.Kind() == fkRawMethod) {
        params = GetParamsDescr(f.FuncName(), f.ArgCount());
    } else {
        for (TEPTypesType t : f.ParamTypes())
            if (t != typeVoid) params.emplace_back(typeName(t));
        if (f.ResultType() != typeVoid) result = std::string(" -> ") + typeName(f.ResultType());
    }
    std::string text = f.FuncName();
    if (!params.empty()) {
        text += '(';
        for (std::size_t i = 0; i < params.size(); ++i)
            text += (i ? ", " : "") + params[i];
        text += ')';
    }
    return text + result;
}

void write(std::ostream& out, const TEPRegFuncs& registry) {
    std::map<TFuncCategory, std::vector<const TFuncObj*>> byCategory;
    const TFuncStringList& funcs = registry.Funcs();
    for (int i = 0; i < funcs.Count(); ++i) {
        const TFuncObj* f = funcs.Objects(i);
        if (f->Category != fct_Internal) byCategory[f->Category].push_back(f);
    }
    out << "<html><head><title>Function reference</title></head><body>\n<h1>Function reference</h1>\n"
           "<p>Every function an effect script can call, by category, with its parameters. Names are not "
           "case-sensitive. This page is made from the program's own function table when the program is "
           "built.</p>\n<ul>\n";
    for (TFuncCategory c : kCategoryListOrder)
        if (byCategory.count(c))
            out << "<li><a href=\"#cat" << int(c) << "\">" << html(CategoryDescription(c)) << "</a> ("
                << byCategory[c].size() << ")</li>\n";
    out << "</ul>\n";
    for (TFuncCategory c : kCategoryListOrder) {
        if (!byCategory.count(c)) continue;
        out << "<h2><a name=\"cat" << int(c) << "\"></a>" << html(CategoryDescription(c)) << "</h2>\n"
            << "<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\">\n<tr><th>Function</th><th>What it "
               "does</th></tr>\n";
        for (const TFuncObj* f : byCategory[c])
            out << "<tr><td><code>" << html(callTemplate(*f)) << "</code></td><td>" << html(f->Descr())
                << "</td></tr>\n";
        out << "</table>\n";
    }
    out << "</body></html>\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skv-make-function-reference FILE\n");
        return 2;
    }
    TEPRegFuncs registry; // set up as the effect player sets up its own
    skv::effects::configureEffectRegFuncs(registry);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    write(out, registry);
    out.close();
    if (!out) {
        std::fprintf(stderr, "skv-make-function-reference: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
