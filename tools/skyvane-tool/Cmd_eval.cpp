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

constexpr const char* kUsage = "usage: skyvane-tool eval [--var NAME=VALUE]... TEXT\n";

struct EvalArgs {
    std::vector<std::pair<std::string, Variant>> vars;
    std::string text;
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
        } else if (!optionsEnd && w.starts_with("--")) {
            err << "skyvane-tool eval: unknown option " << w << '\n';
            return std::nullopt;
        } else if (haveText) {
            err << "skyvane-tool eval: one TEXT only (quote it)\n";
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

int evaluate(const EvalArgs& args, std::ostream& out) {
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
    parser.SetExpr(argumentToAnsi(args.text, "TEXT"));
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
                       [&](const EvalArgs& args) { return evaluate(args, out); });
}

const bool registered = registerCommandGroup({
    "eval",
    "  skyvane-tool eval [--var NAME=VALUE]... TEXT\n"
    "                                 evaluate an expression or script as effects do; prints the\n"
    "                                 type code of the result and its value\n",
    runEval,
});

} // namespace

} // namespace skv::tool
