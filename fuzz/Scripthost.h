// What the script fuzzers share: the full function registry, the effect variables, and a host in
// which scripts that run can touch neither the machine's files nor its screen.
#pragma once

#include "Fuzzcheck.h"

#include "engine/Inifile.h"
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/data/Dataaccess.h"
#include "engine/eval/Exeval.h"
#include "engine/funcs/Exfuncs_classes.h"
#include "engine/vars/Vars.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace skv::fuzz {

using namespace skv::engine;

// The failures a script may end with: the engine's own, a RAISE, a refused value, a check point.
template <class Fn> bool RunsOrFailsCleanly(Fn&& Body) {
    try {
        Body();
        return true;
    } catch (const EMathParserError&) {
    } catch (const EVariantError&) {
    } catch (const EScriptException&) {
    } catch (const EBreakCycle&) {
    } catch (const EListError&) {
    } catch (const EDatabaseError&) {
    } catch (const EIniFileError&) {
    } catch (const EEvalAborted&) {
    }
    return false;
}

// Message boxes answer OK without showing anything.
class TSilentMessageHost final : public TMessageHost {
public:
    void ShowMessage(const std::string&) override {}
    std::int32_t MessageBox(const std::string&, const std::string&, std::int32_t) override { return 1; }
    std::int32_t MessageDlg(const std::string&, std::int32_t, std::int32_t, std::int32_t) override {
        return 1;
    }
};

// The file functions that reach the disk take only plain names (no folder parts), which are
// taken as names in the sandbox folder; the process's current folder never changes, since the
// fuzzer's own paths are relative to it. The handles and memory blocks a script leaves open are
// closed after each input, so that one input cannot change what the next one sees.
class TSandbox {
public:
    explicit TSandbox(TEPRegFuncs& Funcs) : Funcs_(Funcs) {
        char pattern[] = "/tmp/skv-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        FUZZ_CHECK(made != nullptr);
        Root_ = made;
        for (const char* name : kDiskFuncs)
            Wrap(name, &SandboxedCall);
        for (const char* name : kFolderFuncs)
            Wrap(name, &RefusedCall);
        Wrap("FileOpen", &RecordHandleCall);
        Wrap("AllocMem", &RecordBlockCall);
        Wrap("ReallocMem", &RecordBlockCall);
    }
    ~TSandbox() {
        std::error_code ec;
        std::filesystem::remove_all(Root_, ec);
    }
    TSandbox(const TSandbox&) = delete;
    TSandbox& operator=(const TSandbox&) = delete;

    // Closes what the last input left open, and empties the folder.
    void Reset() {
        CallEach("FileClose", Handles_);
        CallEach("FreeMem", Blocks_);
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(Root_, ec))
            std::filesystem::remove_all(entry.path(), ec);
    }

private:
    // Every operand that is a text is a file or folder name.
    static constexpr const char* kDiskFuncs[] = {
        "CreateDir", "DeleteFile",  "DirectoryExists",  "FileAge",   "FileExists", "FileGetAttr",
        "FileOpen",  "FileSetAttr", "ForceDirectories", "RemoveDir", "RenameFile", "FileSearch",
    };
    // They would move the process's current folder.
    static constexpr const char* kFolderFuncs[] = {"ChDir", "SetCurrentDir"};

    // What a wrapped function needs at run time: the original, and the sandbox that keeps count.
    struct TWrapped : TObject {
        TWrapped(TFuncObj* Original, TSandbox* Box) : Original(Original), Box(Box) {}
        TFuncObj* Original;
        TSandbox* Box;
    };

    static void SandboxedCall(PParserOperation Op) {
        const auto* w = static_cast<TWrapped*>(Op->Data);
        std::vector<Variant> values;
        std::vector<Variant*> args;
        values.reserve(static_cast<std::size_t>(std::max(Op->ArgCount, 0)));
        for (std::int32_t i = 0; i < Op->ArgCount; ++i) {
            values.push_back(*Op->Args[i]);
            if (values.back().IsString()) values.back() = Variant(w->Box->Inside(values.back().ToString()));
            args.push_back(&values.back());
        }
        w->Original->Call(args.data(), Op->ArgCount, *Op->Result);
    }
    static void RefusedCall(PParserOperation) { throw EInOutError("Not in the fuzzing sandbox"); }
    static void RecordHandleCall(PParserOperation Op) {
        const auto* w = static_cast<TWrapped*>(Op->Data);
        w->Original->Call(Op->Args.data(), Op->ArgCount, *Op->Result);
        w->Box->Handles_.insert(Op->Result->ToInteger());
    }
    static void RecordBlockCall(PParserOperation Op) {
        const auto* w = static_cast<TWrapped*>(Op->Data);
        w->Original->Call(Op->Args.data(), Op->ArgCount, *Op->Result);
        // AllocMem answers the address; ReallocMem stores it in its first operand.
        if (Op->ArgCount > 0 && Op->Args[0]->IsOrdinal()) w->Box->Blocks_.insert(Op->Args[0]->ToInteger());
        if (Op->Result->IsOrdinal()) w->Box->Blocks_.insert(Op->Result->ToInteger());
    }

    // Name as a path in the sandbox folder; a name with folder parts is refused.
    std::string Inside(const std::string& Name) const {
        if (Name.empty() || Name == "." || Name == ".." || Name.find_first_of("/\\;") != std::string::npos)
            throw EInOutError("Not in the fuzzing sandbox: " + Name);
        return (Root_ / Name).string();
    }

    void Wrap(const char* Name, TMathProcedure Proc) {
        TFuncObj* original = Funcs_.FindFunction(Name);
        FUZZ_CHECK(original != nullptr);
        Funcs_.Funcs().RemoveFuncObj(original);
        Wrapped_.push_back(std::make_unique<TWrapped>(original, this));
        Kept_.emplace_back(original);
        Funcs_.AddFunctionOfObj(Name, Proc, Wrapped_.back().get(), original->ArgCount(), original->Descr(),
                                original->Category);
    }

    void CallEach(const char* Name, std::set<std::int32_t>& Values) {
        const TFuncObj* f = Funcs_.FindFunction(Name);
        for (std::int32_t v : Values) {
            Variant arg(v), size(std::int32_t{0}), result;
            Variant* args[] = {&arg, &size};
            RunsOrFailsCleanly([&] { f->Call(args, f->ArgCount() < 0 ? 1 : f->ArgCount(), result); });
        }
        Values.clear();
    }

    TEPRegFuncs& Funcs_;
    std::filesystem::path Root_;
    std::vector<std::unique_ptr<TWrapped>> Wrapped_;
    std::vector<std::unique_ptr<TFuncObj>> Kept_;
    std::set<std::int32_t> Handles_;
    std::set<std::int32_t> Blocks_;
};

// The variables an effect sees, at their starting values.
inline void SeedEffectVariables(TEPVars& Vars) {
    static constexpr const char* kNames[] = {"X", "Y", "Z", "YAW", "PITCH", "BANK", "ZOOM"};
    for (const char* name : kNames)
        Vars.SetValues(name, Variant(0.5));
    Vars.SetValues("FRAMES", Variant(std::int32_t{1}));
}

// What the fuzzers that run scripts share: every function (the disk ones in a sandbox), message
// boxes that answer at once, and variables that see the functions. One host serves every input,
// as one effect player serves every step.
struct TRunHost {
    TRunHost() : Box(Funcs) {
        Funcs.Context().SetMessageHost(&Messages);
        Vars.SetRegFuncs(&Funcs);
    }
    TEPRegFuncs Funcs;
    TSilentMessageHost Messages;
    TSandbox Box;
    TEPVars Vars;
};

inline TRunHost& RunHost() {
    static TRunHost host;
    return host;
}

// The check point of a run with a budget: Data points to the int count of turns and calls left.
inline void CountDown(void* Data) {
    int& left = *static_cast<int*>(Data);
    if (left <= 0) throw EEvalAborted("Check budget spent");
    --left;
}

inline std::string TextOf(const std::uint8_t* Data, std::size_t Size) {
    return std::string(reinterpret_cast<const char*>(Data), Size);
}

} // namespace skv::fuzz
