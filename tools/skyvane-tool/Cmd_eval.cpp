// The "eval" command: one expression or script evaluated with the functions effects have, so that
// users can try a formula from the shell.
#include "Commands.h"
#include "Tooltext.h"

#include "effects/Effectplayer.h"
#include "engine/base/Text.h"
#include "engine/component/Expars.h"
#include "engine/funcs/Exfuncs.h"
#include "engine/vars/Vars.h"
#include "model/Ansitext.h"

#include <optional>
#include <utility>

namespace skv::tool {

namespace {

using namespace skv::engine;

constexpr const char* kUsage = "usage: skyvane-tool eval [--var NAME=VALUE]... TEXT\n"
                               "       skyvane-tool eval [--var NAME=VALUE]... -f FILE|-\n";

struct EvalArgs {
    std::vector<std::pair<std::string, Variant>> vars;
    std::string text;
    std::string file; // the script's file instead of TEXT, "-" for standard input
};

// One --var definition; false with the reason in err.
bool parseVar(const std::string& def, EvalArgs& args, std::ostream& err) {
    const std::size_t eq = def.find('=');
    const std::string name = def.substr(0, eq);
    if (eq == std::string::npos || !IsValidIdentCyr(name) || HasReservedWord(name)) {
        err << "skyvane-tool eval: --var " << def << ": expected NAME=VALUE, NAME an identifier\n";
        return false;
    }
    Variant value;
    if (!TextToValue(def.substr(eq + 1), value)) {
        err << "skyvane-tool eval: --var " << def
            << ": the value must be a number, TRUE, FALSE or $ and hex digits\n";
        return false;
    }
    args.vars.emplace_back(name, value);
    return true;
}

// Usage errors are explained on err; an empty result sends the caller to the usage text.
std::optional<EvalArgs> parseEval(const std::vector<std::string>& words, std::ostream& err) {
    EvalArgs args;
    bool haveText = false, optionsEnd = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (!optionsEnd && w == "--") {
            optionsEnd = true; // a text that itself begins with "--" follows
        } else if (!optionsEnd && w == "--var") {
            if (i + 1 == words.size()) {
                err << "skyvane-tool eval: --var needs NAME=VALUE\n";
                return std::nullopt;
            }
            if (!parseVar(words[++i], args, err)) return std::nullopt;
        } else if (!optionsEnd && w == "-f") {
            if (i + 1 == words.size()) {
                err << "skyvane-tool eval: -f needs a FILE\n";
                return std::nullopt;
            }
            if (haveText) {
                err << "skyvane-tool eval: TEXT or -f FILE, not both\n";
                return std::nullopt;
            }
            args.file = words[++i];
            haveText = true;
        } else if (!optionsEnd && w.starts_with("--")) {
            err << "skyvane-tool eval: unknown option " << w << '\n';
            return std::nullopt;
        } else if (haveText) {
            err << (args.file.empty() ? "skyvane-tool eval: one TEXT only (quote it)\n"
                                      : "skyvane-tool eval: TEXT or -f FILE, not both\n");
            return std::nullopt;
        } else {
            args.text = w;
            haveText = true;
        }
    }
    if (!haveText) err << "skyvane-tool eval: TEXT is missing\n";
    if (!haveText) return std::nullopt;
    return args;
}

int evaluate(const EvalArgs& args, std::ostream& out, std::ostream& err) {
    TEPRegFuncs regFuncs;
    effects::configureEffectRegFuncs(regFuncs);
    TEPVars vars;
    vars.SetRegFuncs(&regFuncs);
    for (const auto& [name, value] : args.vars) {
        TVariable* v = vars.CreateVariable(nullptr, name, ""); // a repeated name takes the last value
        v->SetValueType(vvValue);
        v->SetValue(value);
    }
    TExParser parser;
    effects::connectEffectParser(parser, vars, regFuncs);
    const bool fromFile = !args.file.empty();
    parser.SetExpr(fromFile ? readScriptFile(args.file) : argumentToAnsi(args.text, "TEXT"));
    // Compiled and checked first, so that an error of the text says where it stands.
    try {
        parser.DoCheck();
    } catch (const EMathParserError& e) {
        if (e.Line() == 0) throw;
        const std::string where = !fromFile ? "TEXT" : args.file == "-" ? "<stdin>" : args.file;
        err << locatedMessage(where, e.Line(), e.Column(), e.what()) << '\n';
        return 1;
    }
    // The limit of an effect step, so that an endless loop ends with an error.
    const auto budget = effects::EffectBudget::fromNow();
    Variant result;
    {
        const effects::EffectBudgetScope scope(budget);
        result = parser.F();
    }
    const std::string text = result.ToString(); // may raise for values with no text form
    out << result.VType() << ' ' << model::ansiToUtf8(text) << '\n';
    return 0;
}

int runEval(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    return parseAndRun(words, out, err, kUsage, parseEval,
                       [&](const EvalArgs& args) { return evaluate(args, out, err); });
}

const bool registered = registerCommandGroup({
    "eval",
    "  skyvane-tool eval [--var NAME=VALUE]... TEXT | -f FILE|-\n"
    "                                 evaluate an expression or script (TEXT, or read from FILE or\n"
    "                                 standard input) as effects do; prints the type code of the\n"
    "                                 result and its value, or TEXT:LINE:COL: and the compile error\n",
    runEval,
});

} // namespace

} // namespace skv::tool
