// Number expressions, with calls of built-ins, made from the input, in a loop, compiled with and
// without the fast form of chains and run over values of the kinds the input picks, three times with
// other values each: both ways must end alike, with the same kind and value or with the same error.
#include "Scripthost.h"

#include <cmath>
#include <cstring>
#include <limits>

using namespace skv::fuzz;

namespace {

class TReader {
public:
    TReader(const std::uint8_t* Data, std::size_t Size) : P_(Data), N_(Size) {}
    std::uint8_t Next() {
        if (N_ == 0) return 0;
        --N_;
        return *P_++;
    }
    template <class T> T Bits() {
        unsigned char b[sizeof(T)];
        for (unsigned char& c : b)
            c = Next();
        T v;
        std::memcpy(&v, b, sizeof v);
        return v;
    }

private:
    const std::uint8_t* P_;
    std::size_t N_;
};

std::string Leaf(std::uint8_t B) {
    static const char* const kLeaves[] = {"A", "B",   "C",          "A",    "B",     "C",  "1",     "2",
                                          "0", "0.5", "2147483647", "3.25", "1e300", "-7", "65536", "1e-300"};
    return kLeaves[B % (sizeof kLeaves / sizeof *kLeaves)];
}

std::string Expression(TReader& R, int Depth) {
    const std::uint8_t b = R.Next();
    if (Depth >= 8 || b < 48) return Leaf(b);
    // Built-ins of one double, which the fast form applies itself; SIGN and ROUND it leaves alone.
    static const char* const kCalls[] = {"SIN",  "COS", "SQRT",  "LN", "EXP", "ABS",  "TRUNC", "FRAC",
                                         "ATAN", "TAN", "COTAN", "LG", "SQR", "SIGN", "ROUND", "ASIN"};
    if (b >= 224) return std::string(kCalls[b % 16]) + "(" + Expression(R, Depth + 1) + ")";
    static const char* const kOps[] = {" + ", " - ", " * ", " / "};
    if (b % 5 == 4) return "(-" + Expression(R, Depth + 1) + ")";
    const std::string left = Expression(R, Depth + 1);
    return "(" + left + kOps[b % 5] + Expression(R, Depth + 1) + ")";
}

std::string Text(TReader& R) {
    std::string text = Expression(R, 0);
    static const char* const kComparisons[] = {" < ", " <= ", " > ", " >= ", " = ", " <> "};
    const std::uint8_t b = R.Next();
    if (b & 1) text += kComparisons[(b >> 1) % 6] + Expression(R, 1);
    // In a loop: the second turn runs the chain again, after A may have changed its kind.
    text = b & 0x80 ? "A := " + text + "; RESULT := A" : "RESULT := " + text;
    return "FOR Q := 1 TO 2 DO BEGIN " + text + "; END";
}

Variant Value(TReader& R) {
    switch (R.Next() % 10) {
    case 0:
        return Variant(R.Bits<std::int32_t>());
    case 1:
        return Variant(std::int32_t{static_cast<std::int8_t>(R.Next())});
    case 2:
        return Variant(R.Bits<double>());
    case 3:
        return Variant(static_cast<std::int8_t>(R.Next()) / 4.0);
    case 4: {
        static const double kSpecial[] = {std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(), std::nan(""), -0.0, 0.0};
        return Variant(kSpecial[R.Next() % 5]);
    }
    case 5:
        return Variant("3");
    case 6:
        return Variant();
    case 7:
        return Variant::Single(static_cast<float>(static_cast<std::int8_t>(R.Next())) / 2);
    case 8:
        return Variant(R.Next() & 1 ? std::numeric_limits<std::int32_t>::max()
                                    : std::numeric_limits<std::int32_t>::min());
    default:
        return Variant(true);
    }
}

// A value as a text that is the same exactly when the values are: kind and bits (any NaN alike).
std::string Describe(const Variant& V) {
    TVarType type;
    std::int64_t bits = 0;
    const std::string kind = std::to_string(V.VType()) + ":";
    if (V.VType() == varDouble && std::isnan(V.RawDouble())) return kind + "nan";
    if (V.InlineBits(type, bits)) return kind + std::to_string(bits);
    return kind + V.ToString();
}

struct THost {
    THost() {
        for (const char* n : {"A", "B", "C"})
            Vars.SetValues(n, Variant(std::int32_t{0}));
    }
    TEPRegFuncs Funcs;
    TEPVars Vars;
};

std::string Run(THost& H, TEvalObj& E, const Variant (&In)[3]) {
    static const char* const names[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i)
        H.Vars.SetValues(names[i], In[i]);
    std::string outcome;
    try {
        outcome = Describe(E.F());
    } catch (const std::exception& e) {
        outcome = std::string("error ") + e.what();
    }
    for (const char* n : names)
        outcome += " " + Describe(H.Vars.Vars().FindVariable(n)->Value());
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static THost host;
    TReader reader(data, size);
    const std::string text = Text(reader);
    TEvalObj fast, general;
    for (TEvalObj* e : {&fast, &general}) {
        e->OnProvideVarsList = [] { return &host.Vars.Vars(); };
        e->OnProvideRegFuncs = [] { return &host.Funcs; };
        e->AssignSourceStr(text);
    }
    try {
        fast.ValidateOperation(false);
    } catch (const EMathParserError&) {
        return 0; // the texts made here are all well formed; a refused one has nothing to compare
    }
    host.Funcs.Context().FastChains = false;
    general.ValidateOperation(false);
    host.Funcs.Context().FastChains = true;
    for (int round = 0; round < 3; ++round) {
        const Variant in[3] = {Value(reader), Value(reader), Value(reader)};
        const std::string a = Run(host, fast, in);
        const std::string b = Run(host, general, in);
        if (a != b)
            std::fprintf(stderr, "%s\n  fast:    %s\n  general: %s\n", text.c_str(), a.c_str(), b.c_str());
        FUZZ_CHECK(a == b);
    }
    return 0;
}
