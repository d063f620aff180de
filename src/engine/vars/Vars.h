// Named variables of the engine: the single variable TVariable (a stored value, a data field, an
// expression or a callback), the name-keyed list TVarsList, and the collection component TEPVars that
// expressions find their variables in and that saves and loads them to and from an INI file.
#pragma once

#include "engine/base/Errors.h"
#include "engine/base/Sortedlist.h"
#include "engine/compiler/Program.h"
#include "engine/data/Dataaccess.h"
#include "engine/eval/Exlink.h"
#include "engine/objects/Component.h"
#include "engine/values/Variant.h"
#include "stream/Componentstream.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace skv::engine {

class TIniFile;
class TVariable;
class TVarsList;
class TEPVars;

// How a variable gets its value.
enum TVarValueType : std::uint8_t { vvValue, vvDBField, vvExpression, vvOnEvent };

using TCalcVarEvent = std::function<Variant(TVariable& Sender)>;

// The compiled expression of an expression-valued variable. The evaluator supplies it
// (MakeVarExpression); the variable only hands over its text and asks for the result. The
// object's link is the node that everything the expression reads is linked to.
class TVarExpression {
public:
    virtual ~TVarExpression() = default;
    // A new source text (lines joined by line breaks); compiled again at the next evaluation.
    virtual void SetText(const std::string& Text) = 0;
    virtual TExprLink& Link() = 0;
    // The expression's result for one argument, the integer 0.
    virtual Variant Evaluate() = 0;
    // A function registry or user library is going away or being replaced: drop what was compiled
    // from it.
    virtual void DisconnectFrom(const TComponent* /*Component*/) {}
};
// The expression object of a variable, made by the evaluator (defined with it, a phase above).
std::unique_ptr<TVarExpression> MakeVarExpression(TVariable& Owner);
// What makes the expression objects of a collection's variables instead (a stand-in evaluator); a
// null object makes every evaluation raise EParserInternalError.
using TVarExpressionFactory = std::function<std::unique_ptr<TVarExpression>(TVariable& Owner)>;

class TVariable : public TComponent, public TLinkOwner, public TValueOwner {
public:
    explicit TVariable(TComponent* AOwner = nullptr);
    ~TVariable() override;
    std::string ClassName() const override { return "TVariable"; }
    std::string LinkOwnerName() const override { return VarName_; }

    Variant Value() {
        // Validate has nothing to do for a valid value without a result to save.
        if (!IsLoading() && (!Valid_ || SaveResult_)) Validate();
        return *PValue_;
    }
    void SetValue(const Variant& V) {
        *PValue_ = V;
        ValueChanged();
    }
    void ValueChanged() final;
    // What an expression does with each variable it reads before it evaluates: ValueChanged, unless
    // this is a stored value whose bits are those it last told its dependents about and nothing
    // invalidated it since, so that telling them again would change nothing.
    void Refresh() {
        if (PValue_->HasInlineBits(ToldType_, ToldBits_)) return; // never while loading: see Told
        ValueChanged();
    }
    void Invalidate();
    void Validate();
    bool Valid() const { return Valid_; }
    bool Stored() const { return Stored_; }

    const std::string& VarName() const { return VarName_; }
    void SetVarName(const std::string& Name);
    std::string Descr;

    // The expression text, lines separated by line breaks.
    const std::string& Expression() const { return Expression_; }
    void SetExpression(const std::string& Text);
    std::vector<std::string> ExpressionLines() const;

    TVarValueType ValueType() const { return ValueType_; }
    void SetValueType(TVarValueType T);
    const TCalcVarEvent& OnCalcValue() const { return OnCalcValue_; }
    void SetOnCalcValue(TCalcVarEvent E);

    TDataSource* DataSource() const { return DataLink_.DataSource(); }
    void SetDataSource(TDataSource* DS);
    const std::string& DataField() const { return DataLink_.FieldName(); }
    void SetDataField(const std::string& Name);
    TDataSource* ResultSource() const { return ResultLink_.DataSource(); }
    void SetResultSource(TDataSource* DS);
    const std::string& ResultField() const { return ResultLink_.FieldName(); }
    void SetResultField(const std::string& Name);
    bool SaveResult() const { return SaveResult_; }
    void SetSaveResult(bool B);
    void StoreResult();

    // The variable reads and writes *P from now on (P null: its own storage); returns the previous
    // pointer.
    Variant* LinkTo(Variant* P);
    void RemoveLink();
    bool Linked() const { return Linked_; }
    // Where operations bound to this variable find its current storage.
    Variant** GetPPVar() { return &PValue_; }
    // The own stored value, whether linked or not.
    const Variant& StoredValue() const { return StoredValue_; }

    void Assign(const TVariable& Source);
    void DedicateHost(TVariable* Var);
    void UnDedicateHost() { DedicateHost(nullptr); }

    TEPVars* VarColl() const { return VarColl_; }
    void SetVarColl(TEPVars* C);
    // Destroys the variable through what owns it: its owning component, or else the collection
    // it is in. One that neither owns is left to whoever made it.
    void Free();
    TExprLink& Link() { return Link_; }
    // The expression object, made on first use.
    TVarExpression& Eval();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void LoadingBegun() override { Untell(); }

private:
    friend class TEPVars;
    friend class TVarsList;
    void WireHost(TExprLink& L);
    // What the link answers for GetUpdateEnabled, without the call through it.
    bool HostUpdateEnabled() const;
    void Invalidate(bool TellDependents);
    void ForgetSource(TDataSource* DS);
    void WatchSource(TDataSource* DS);
    // Without re-validation, for readers of stored variables.
    void SetExpressionRaw(const std::string& Text);

    TEPVars* VarColl_ = nullptr;
    TExprLink Link_;
    std::unique_ptr<TVarExpression> Eval_;
    TVariable* HostVar_ = nullptr; // whose collection answers the host callbacks (null: own)
    std::string VarName_;
    std::string Expression_;
    TVarValueType ValueType_ = vvValue;
    Variant StoredValue_;
    Variant* PValue_ = &StoredValue_;
    bool Linked_ = false;
    bool SaveResult_ = false;
    bool Valid_ = false;
    bool Stored_ = false;
    bool Validating_ = false;
    // Told: ToldType_ and ToldBits_ are the value the dependents last heard of, and the variable is a
    // valid stored value (not linked, no result to save, not loading): whatever changes one of those
    // clears it, setting ToldType_ to kUntold, which is no value's kind.
    static constexpr TVarType kUntold = 0xFFFF;
    void Untell() { ToldType_ = kUntold; }
    void Tell() {
        if (!PValue_->InlineBits(ToldType_, ToldBits_)) Untell();
    }
    TVarType ToldType_ = kUntold;
    std::int64_t ToldBits_ = 0;
    TFieldDataLink DataLink_;
    TFieldDataLink ResultLink_;
    TCalcVarEvent OnCalcValue_;
};

// Variables by name, sorted, names compared without regard to case.
class TVarsList : public TSortedObjList<TVariable> {
public:
    explicit TVarsList(TEPVars* Owner = nullptr);
    ~TVarsList() override;
    TVarsList(const TVarsList&) = delete;
    TVarsList& operator=(const TVarsList&) = delete;

    TEPVars* Owner() const { return Owner_; }
    std::int32_t UpdateCount() const { return UpdateCount_; }
    bool Dedicated = false;

    // An unknown name reads as a currency 0.
    Variant GetVar(const std::string& Name) const;
    // Creates the variable when the name is a valid, non-reserved identifier; EBadName otherwise.
    void SetVar(const std::string& Name, const Variant& Value);
    Variant GetValue(int Index) const; // integer 0 out of range
    void SetValue(int Index, const Variant& Value);

    TVariable* CreateVariable(TComponent* AOwner, const std::string& Name, const std::string& Descr);
    TVariable* FindVariable(const std::string& Name, int& Index) const;
    TVariable* FindVariable(const std::string& Name) const;
    int AddVariable(TVariable* Var); // index, or -1 when the name is listed already
    void DeleteVariable(const std::string& Name);
    void FreeVariable(TVariable* Var);
    void AtDeleteVariable(int Index);
    void Clear(); // destroys every variable

    void ValidateVariables();
    void RefreshVariables() { // Refresh on each; inline, as every evaluation starts with it
        for (std::size_t i = 0; i < Items.size(); ++i)
            Items[i]->Refresh();
    }
    void InvalidateVariables();
    void BeginUpdate() { ++UpdateCount_; }
    void EndUpdate();

    void Assign(const TVarsList& Source);
    void Dedicate(const TVarsList& Source);

    // The form-file property "Variables": a list of name and number pairs. Writing raises the
    // engine's conversion error for a value that is no number. Reading takes the whole list first
    // and only then replaces the variables, so a malformed list (StreamError) changes nothing.
    void WriteData(stream::TStreamWriter& Writer);
    void ReadData(stream::TStreamReader& Reader);

protected:
    std::string GetString(int Index) const override;
    void PutString(int Index, const std::string& Text) override;

private:
    friend class TEPVars;
    friend class TVariable;
    void Detach(TVariable* Var); // a listed variable is going away
    TEPVars* Owner_;
    std::int32_t UpdateCount_ = 0;
    // Made here without an owning component: freed with the list, or when deleted from it.
    std::vector<std::unique_ptr<TVariable>> Orphans_;
    std::unique_ptr<TVariable> TakeOrphan(const TVariable* Var);
};

// A collection of variables with a name, an INI file and the function sources of their expressions.
class TEPVars : public TComponent {
public:
    explicit TEPVars(TComponent* AOwner = nullptr);
    ~TEPVars() override;
    std::string ClassName() const override { return "TEPVars"; }

    TVarsList& Vars() { return Vars_; }
    const TVarsList& Vars() const { return Vars_; }
    int Count() const { return Vars_.Count(); }
    TVariable* Items(int Index) const;
    TVariable* VarItem(const std::string& Name); // find or create
    Variant Values(const std::string& Name) const { return Vars_.GetVar(Name); }
    void SetValues(const std::string& Name, const Variant& V) { Vars_.SetVar(Name, V); }

    TVariable* CreateVariable(TComponent* AOwner, const std::string& Name, const std::string& Descr);
    TVariable* FindVariable(const std::string& Name, int& Index) const;
    TVariable* FindVariable(const std::string& Name) const;
    void AddVariable(TVariable* Var);
    void RemoveVariable(TVariable* Var);
    void ClearVariable(const std::string& Name);
    void FreeVariables();
    std::string UniqueName(const TVariable& Var) const;
    void SetVariables(const TVarsList& List);

    void BeginUpdate() { Vars_.BeginUpdate(); }
    void EndUpdate() { Vars_.EndUpdate(); }
    bool UpdateEnabled() const { return Vars_.UpdateCount() == 0; }

    const std::string& IniFile() const { return IniFile_; }
    void SetIniFile(const std::string& Name);
    void ReadVariablesFrom(const std::string& FileName);
    void WriteVariablesTo(const std::string& FileName);
    void ReadItemsFrom(TIniFile& Ini, const std::string& Section);
    void WriteItemsTo(TIniFile& Ini, const std::string& Section);

    // The function registry and the user library the expressions compile against.
    TComponent* RegFuncs() const { return RegFuncs_; }
    void SetRegFuncs(TComponent* C);
    TComponent* UserLib() const { return UserLib_; }
    void SetUserLib(TComponent* C);

    // Makes the expression objects of its variables from now on; empty: the evaluator.
    TVarExpressionFactory ExpressionFactory;

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TVariable;
    void DisconnectFrom(const TComponent* C);
    // Takes a variable without an owning component out of Unowned_ (null for any other).
    std::unique_ptr<TVariable> TakeUnowned(const TVariable* Var);
    TVarsList Vars_;
    // The listed variables no component owns: the collection owns them while they are listed.
    std::vector<std::unique_ptr<TVariable>> Unowned_;
    std::string IniFile_;
    TComponent* RegFuncs_ = nullptr;
    TComponent* UserLib_ = nullptr;
};

// Finds a component by a plain name among Owner's components, or by "Root.Name": Root is the
// top of Owner's ownership chain or one of its components, Name a component of that.
TComponent* FindRTTComp(const TComponent* Owner, const std::string& Name);
// The same; anything but a data source raises "Wrong DataSource component: <name>".
TDataSource* GetDataSourceComp(const TComponent* Owner, const std::string& Name);
TField* FindDBField(const TComponent* Owner, const std::string& SourceName, const std::string& FieldName);
void CopyVars(const TVarsList* Source, TVarsList* Dest);

} // namespace skv::engine
