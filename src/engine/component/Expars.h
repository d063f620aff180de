// The engine's outer face: the parser component a host gives an expression or script, a variable
// collection and a function registry and then asks for values; and the user library of named
// functions and aliases written in the expression language.
#pragma once

#include "engine/base/Errors.h"
#include "engine/compiler/Program.h"
#include "engine/eval/Exeval.h"
#include "engine/funcs/Exfuncs.h"
#include "engine/objects/Component.h"
#include "engine/values/Variant.h"
#include "engine/vars/Vars.h"
#include "stream/Componentstream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace skv::engine {

class TEPUserLib;
class TIniFile;

using TNotifyEvent = std::function<void(TComponent* Sender)>;
// Answers the value of a name the expression uses that no variable has.
using TGetVariableEvent = std::function<Variant(TComponent* Sender, const std::string& Name)>;

// The variables editor and the user library designer are dialogs of the GUI, which installs a host
// for them in its engine context (TEngineContext::EditorHost); without one nothing opens and the
// editing answers false.
class TEditorHost {
public:
    virtual ~TEditorHost() = default;
    // Edits Vars, a copy of a parser's variables (Extended: the editor for an outside collection,
    // with data fields and expressions). Answers whether the user accepted.
    virtual bool EditVariables(TVarsList& Vars, bool Extended) = 0;
    // Edits the library in place; answers whether the user accepted.
    virtual bool EditUserLib(TEPUserLib& Lib) = 0;
};

// An expression or script with the variables it sees, the function registry and the user library
// it is compiled against. It compiles on first use and again after anything it depends on changes.
class TCustomParser : public TComponent {
public:
    explicit TCustomParser(TComponent* AOwner = nullptr);
    ~TCustomParser() override;
    std::string ClassName() const override { return "TCustomParser"; }

    // The text as one string, lines separated by line breaks.
    std::string Expr() const { return Eval_->SourceStr(); }
    void SetExpr(const std::string& Text);
    const std::vector<std::string>& Expression() const { return Eval_->Source(); }
    void SetExpression(const std::vector<std::string>& Lines);

    // Compiles if needed, asks OnVariable for every name no variable has, then evaluates with Args
    // (High the index of the last) in the "%N" slots. Compile and evaluation errors go on.
    virtual Variant F(ArgArray& Args, std::int32_t High);
    // With the one argument integer 0.
    Variant F();
    // Compiles and checks: an unknown name without OnVariable, a failed compilation or an unknown
    // function raises.
    void DoCheck();
    // DoCheck that never raises: false on an error, which is reported unless Silent.
    bool Check(bool Silent);
    // The last compilation failed.
    bool GetParserError() const { return Eval_->ParseFailed(); }
    // The number of "%N" slots the text uses; -1 when it does not compile.
    std::int32_t ArgCount();
    // Calls a function of the user library by name.
    Variant CallFunction(const std::string& Name, ArgArray& Args, std::int32_t High);

    // The variables the expression sees: the outside collection's, or the parser's own while none
    // is set (and while loading).
    TVarsList& GetVariables() { return CurrentVars().Vars(); }
    // Makes the current variables equal to List: missing names are created (all names are checked
    // before anything changes), others destroyed.
    void SetVariables(const TVarsList& List);
    Variant GetVariable(const std::string& Name) { return CurrentVars().Vars().GetVar(Name); }
    // 1 when the variable existed, 2 when it was created; an invalid name raises.
    int SetVariable(const std::string& Name, const Variant& Value);
    int SetVar(const std::string& Name, const Variant& Value) { return SetVariable(Name, Value); }
    bool VariableExists(const std::string& Name);
    void ClearVariable(const std::string& Name);
    // Destroys every current variable (an outside collection's too).
    void ClearVariables();
    // Destroys the placeholders of names no variable has.
    void ClearUndefVariables();
    // The variables the compiled expression reads (compiles first).
    TVarsList& UsedVars();
    // The placeholders the compiler made for names no variable has.
    TVarsList& UndefVars() { return UndefVars_->Vars(); }

    void InvalidateValue() { Eval_->InvalidateValue(); }
    void InvalidateOperation() { Eval_->InvalidateOperation(); }
    void ValidateOperation(bool Reparse) { Eval_->ValidateOperation(Reparse); }

    // Opens the variables editor of the editor host on a copy of the current variables and applies
    // the result on OK. False without a host or when the user cancels.
    bool EditVariables();

    TEPRegFuncs* RegFuncs() const { return RegFuncs_; }
    void SetRegFuncs(TEPRegFuncs* Funcs);
    TCustomUserLib* UserLib() const { return UserLib_; }
    void SetUserLib(TCustomUserLib* Lib);
    TEPVars* UserVars() const { return UserVars_; }
    void SetUserVars(TEPVars* Vars);

    TEvalObj& Eval() { return *Eval_; }
    // The context of the host: the registry's, or the parser's own while it has none.
    TEngineContext& Context() { return Eval_->Context(); }

    // Asked, before each evaluation, for the value of every name no variable has.
    TGetVariableEvent OnVariable;
    // Computes calls of functions nobody registered (the expression object holds it).
    const TGetFunctionEvent& OnFunction() const { return Eval_->OnUndefFunction; }
    void SetOnFunction(TGetFunctionEvent Handler) { Eval_->OnUndefFunction = std::move(Handler); }
    // Told before the expression compiles and after its compiled form is discarded.
    TNotifyEvent OnValidating;
    TNotifyEvent OnInvalidated;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TEPVars& CurrentVars() const { return (UserVars_ && !IsLoading()) ? *UserVars_ : *OwnVars_; }
    void DropCompiledForm();
    // Swaps a reference: the old component is no longer watched, the new one is.
    void Reconnect(TComponent* Old, TComponent* New);
    // Points Slot at New, dropping what was compiled against the old one; Tell(New) passes the new
    // reference on (to the own variables) before the old component stops being watched.
    template <class T, class Fn> void Relink(T*& Slot, T* New, Fn Tell);

    std::unique_ptr<TEPVars> OwnVars_;
    std::unique_ptr<TEPVars> UndefVars_;
    std::unique_ptr<TEvalObj> Eval_;
    TEPRegFuncs* RegFuncs_ = nullptr;
    TCustomUserLib* UserLib_ = nullptr;
    TEPVars* UserVars_ = nullptr;
};

// The parser component as a host places it.
class TExParser : public TCustomParser {
public:
    using TCustomParser::TCustomParser;
    std::string ClassName() const override { return "TExParser"; }
};

// One item of a user library: a named expression with a description.
class TEPExprItem : public TEvalObj {
public:
    using TEvalObj::TEvalObj;
    std::string Descr;
};

// The functions or the aliases of a user library, in the order they were added.
class TEPExprList {
public:
    explicit TEPExprList(TEPUserLib* Lib) : UserLib(Lib) {}
    ~TEPExprList();
    TEPExprList(const TEPExprList&) = delete;
    TEPExprList& operator=(const TEPExprList&) = delete;

    int Count() const { return static_cast<int>(Items_.size()); }
    TEPExprItem* Items(int Index) const; // null out of range

    // A new item compiled against the library's registry, variables and items. A name present
    // already raises "Duplicated identifier"; an invalid one EBadName.
    TEPExprItem* Add(const std::string& Name, const std::vector<std::string>& Source);
    // Sets the text of the item of that name, or adds one.
    TEPExprItem* AddExpr(const std::string& Name, const std::string& Text);
    // Of several items of that name the last counts; -1 when none has it.
    bool Find(const std::string& Name, int& Index) const;
    int IndexOf(const std::string& Name) const;
    // Destroys Item; refused while another item's text names it.
    void RemoveFunc(TEvalObj* Item);
    // Item's name occurs as a whole word outside string literals in another item's text.
    bool IsReferenced(const TEvalObj& Item) const;

    // By index; out of range reads as 0 or empty and writes nothing.
    std::int32_t GetArgCount(int Index); // -1 for a text that does not compile
    std::string GetName(int Index) const;
    void SetName(int Index, const std::string& Name);
    std::vector<std::string> GetSource(int Index) const;
    void SetSource(int Index, const std::vector<std::string>& Source);

    void Validate(bool Reparse);
    void Invalidate();
    void ClearEntries();
    // Discards the compiled form of every item that depends on Component.
    void DisconnectFrom(const TComponent* Component);

    // Per item: "N=<lines + 1>", "@N_Descr=...", "@N_001=..." and so on.
    void ReadItemsFrom(const TIniFile& Ini, const std::string& Section);
    void WriteItemsTo(TIniFile& Ini, const std::string& Section) const;

    // The form-file property: a list of items, each "Name", "Descr" and "Source" with the line
    // count and the lines. Reading takes the whole list before it replaces the items, so a
    // malformed one (StreamError, EBadName, duplicates) changes nothing.
    void WriteData(stream::TStreamWriter& Writer) const;
    void ReadData(stream::TStreamReader& Reader);

    TEPUserLib* const UserLib;

private:
    std::vector<std::unique_ptr<TEPExprItem>> Items_;
};

// Named user functions (their arguments are the slots "%0", "%1", ...) and aliases (names whose
// text is put in place of the name before compiling) that expressions may use, kept in an INI file.
class TEPUserLib : public TCustomUserLib {
public:
    explicit TEPUserLib(TComponent* AOwner = nullptr);
    ~TEPUserLib() override;
    std::string ClassName() const override { return "TEPUserLib"; }

    TEPExprList& Aliases() { return Aliases_; }
    TEPExprList& Functions() { return Functions_; }
    const TEPExprList& Aliases() const { return Aliases_; }
    const TEPExprList& Functions() const { return Functions_; }

    // Evaluates the function of that name with Args (High the index of the last).
    Variant CallFunction(const std::string& Name, ArgArray& Args, std::int32_t High);
    // The index in Aliases (Kind 0), else in Functions (Kind 1); -1 and Kind -1 when neither has it.
    int IndexOfIdent(const std::string& Name, int& Kind) const;

    TEvalObj* FindUserFunc(std::string_view Name) const override;
    std::vector<TEvalObj*> GetAliases() const override;
    bool IsReferenced(const TEvalObj& Item) const override;
    bool HasItemNamed(std::string_view Name, const TEvalObj* Except) const override;

    // While updates are held back, changed items do not compile; the end invalidates both lists.
    void BeginUpdate() { ++UpdateCount_; }
    void EndUpdate();
    bool UpdateEnabled() const override { return UpdateCount_ == 0; }
    std::int32_t UpdateCount() const { return UpdateCount_; }
    void Validate(bool Reparse) override;
    void Invalidate();

    // Sections "Aliases" and "Functions". An empty name does nothing; so does reading a file that
    // is not there.
    void ReadUserLibFrom(const std::string& FileName);
    void WriteUserLibTo(const std::string& FileName);
    // Setting a new name reads the library from it (unless loading).
    const std::string& IniFile() const { return IniFile_; }
    void SetIniFile(const std::string& FileName);

    TEPRegFuncs* RegFuncs() const { return RegFuncs_; }
    void SetRegFuncs(TEPRegFuncs* Funcs);
    TEPVars* Variables() const { return Variables_; }
    void SetVariables(TEPVars* Vars);

    // The form-file properties "UserFuncs" (the functions) and "Aliases".
    void WriteProperties(stream::TStreamWriter& Writer) const;
    // Reads Path when it is one of them (true), else leaves the reader where it is (false).
    bool ReadProperty(std::string_view Path, stream::TStreamReader& Reader);

    // Opens the editor host's library designer; false without a host or when cancelled.
    bool Edit();

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TEPExprList;
    // Both lists drop what they compiled against the components being replaced or destroyed.
    void Reconnect(TComponent* Old, TComponent* New);
    // Points Slot at New, both lists letting go of the old one.
    template <class T> void Relink(T*& Slot, T* New);

    TEPExprList Aliases_{this};
    TEPExprList Functions_{this};
    std::int32_t UpdateCount_ = 0;
    std::string IniFile_;
    TEPRegFuncs* RegFuncs_ = nullptr;
    TEPVars* Variables_ = nullptr;
};

} // namespace skv::engine
