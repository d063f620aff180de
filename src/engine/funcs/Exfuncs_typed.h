// Adapters between a native routine with a typed signature and the operands of a call: each
// operand is converted by its declared parameter type, the routine is called, and its result is
// converted by the declared result type. Made from the routine's own C++ signature by templates;
// a routine whose first parameter is a TEngineContext& is handed its host's context there.
#pragma once

#include "engine/compiler/Program.h"
#include "engine/objects/Component.h"
#include "engine/values/Variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace skv::engine {

class TEngineContext;
class TFuncObj;

// The declared types of a native routine's parameters and result.
enum TEPTypesType : std::uint8_t {
    typeVoid,       // no parameters (alone) / no result
    typeByte,       // integer argument; result: low 8 bits
    typeBoolean,    // integer argument; result: low 8 bits, so a true result is 1
    typeWord,       // integer argument; result: low 16 bits, unsigned
    typeSmallInt,   // integer argument; result: low 16 bits, unsigned (-1 becomes 65535)
    typeInteger,    // integer
    typeLongInt,    // integer
    typeDouble,     // floating point
    typeExtended,   // floating point (long double); result: double
    typeParserType, // the operand itself by reference; result: a copy
    typeArray,      // alone only: all operands as one array plus the index of the last
    typeString,     // 8-bit text
    typeVariant,    // as typeParserType
};

// Operand conversions of typed calls. Integer, 16-bit and byte operands are taken as they are;
// double, single and currency operands are rounded to the nearest integer with halves to even;
// anything else converts by the value rules.
std::int32_t OperandToInteger(const Variant& V);
double OperandToFloat(const Variant& V);
// An integer result of a routine declared with an ordinal result type.
Variant OrdinalResult(TEPTypesType ResultType, std::int64_t Value);

// The adapter of one typed routine. Data of the function object and of every operation that
// calls it points here, so a call is one indirect jump without lookups.
class TFuncStub : public TObject {
public:
    virtual ~TFuncStub() = default;
    // Runs the routine on Count operands. Self is the object a class method runs on; routines
    // bound at registration ignore it.
    virtual void Call(TObject* Self, Variant* const* Args, std::int32_t Count, Variant* Result) = 0;
    // The procedure an operation runs (it finds this adapter in the operation's Data).
    virtual TMathProcedure OperationProc() const = 0;
    // -1 for an open-array routine, else its parameter count.
    virtual std::int32_t Arity() const = 0;
    // Whether the C++ signature can carry the declared types.
    virtual bool AcceptsParams(const std::vector<TEPTypesType>& Types) const = 0;
    virtual bool AcceptsResult(TEPTypesType Type) const = 0;

    TEPTypesType ResultType = typeVoid;
    const TFuncObj* Func = nullptr; // the function object that holds this adapter
};

namespace exfuncs_detail {

template <class T> using Bare = std::remove_cvref_t<T>;

template <class T> constexpr bool kIsOrdinal = std::is_integral_v<Bare<T>> && sizeof(Bare<T>) <= 4;
template <class T> constexpr bool kIsFloat = std::is_floating_point_v<Bare<T>>;
template <class T> constexpr bool kIsString = std::is_same_v<Bare<T>, std::string>;
template <class T> constexpr bool kIsVariant = std::is_same_v<Bare<T>, Variant>;

constexpr bool IsOrdinalType(TEPTypesType T) {
    return T >= typeByte && T <= typeLongInt;
}

template <class T>
constexpr bool kIsParam = kIsOrdinal<T> || kIsFloat<T> || kIsVariant<T> ||
                          (kIsString<T> && !std::is_lvalue_reference_v<T>) ||
                          (kIsString<T> && std::is_const_v<std::remove_reference_t<T>>);

template <class T> bool AcceptsParam(TEPTypesType Kind) {
    if constexpr (std::is_same_v<Bare<T>, bool>)
        return Kind == typeBoolean;
    else if constexpr (kIsOrdinal<T>)
        return IsOrdinalType(Kind);
    else if constexpr (kIsFloat<T>)
        return Kind == typeDouble || Kind == typeExtended;
    else if constexpr (kIsString<T>)
        return Kind == typeString;
    else if constexpr (kIsVariant<T>)
        return Kind == typeParserType || Kind == typeVariant;
    else
        return false;
}

template <class R> bool AcceptsResult(TEPTypesType Kind) {
    if (Kind == typeVoid) return true; // the result is dropped
    if constexpr (std::is_void_v<R>)
        return false;
    else if constexpr (kIsOrdinal<R>)
        return IsOrdinalType(Kind);
    else if constexpr (kIsFloat<R>)
        return Kind == typeDouble || Kind == typeExtended;
    else if constexpr (kIsString<R>)
        return Kind == typeString;
    else if constexpr (kIsVariant<R>)
        return Kind == typeParserType || Kind == typeVariant;
    else
        return false;
}

// A text operand: a string operand is passed without a copy, anything else converts.
class TStringArg {
public:
    explicit TStringArg(const Variant& V) : Ref_(V.IsString() ? &V.RawString() : nullptr) {
        if (!Ref_) {
            Own_ = V.ToString();
            Ref_ = &Own_;
        }
    }
    TStringArg(const TStringArg&) = delete;
    TStringArg& operator=(const TStringArg&) = delete;
    operator const std::string&() const { return *Ref_; }

private:
    std::string Own_;
    const std::string* Ref_;
};

template <class T> decltype(auto) ConvertArg(Variant& V) {
    if constexpr (kIsVariant<T>)
        return (V);
    else if constexpr (kIsString<T>)
        return TStringArg(V);
    else if constexpr (std::is_same_v<Bare<T>, bool>)
        return (OperandToInteger(V) & 0xFF) != 0;
    else if constexpr (kIsOrdinal<T>)
        return static_cast<Bare<T>>(OperandToInteger(V));
    else
        return static_cast<Bare<T>>(OperandToFloat(V));
}

template <class R> void StoreResult(TEPTypesType Kind, R&& Value, Variant* Result) {
    if (!Result || Kind == typeVoid) return;
    using B = Bare<R>;
    if constexpr (kIsOrdinal<B>)
        *Result = OrdinalResult(Kind, static_cast<std::int64_t>(Value));
    else if constexpr (kIsFloat<B>)
        *Result = Variant(static_cast<double>(Value));
    else if constexpr (kIsString<B>)
        *Result = Variant(std::string(std::forward<R>(Value)));
    else
        *Result = std::forward<R>(Value);
}

// Callers of the routine with the object it runs on.
template <class R, class... A> struct TPlainInvoker {
    R (*Func)(A...);
    R operator()(TObject* /*Self*/, A... Args) const { return Func(std::forward<A>(Args)...); }
};

template <class C, class M, class R, class... A> struct TBoundInvoker {
    C* Obj;
    M Method;
    R operator()(TObject* /*Self*/, A... Args) const { return (Obj->*Method)(std::forward<A>(Args)...); }
};

[[noreturn]] void RaiseWrongSelf();
// The context of the host whose registry holds Stub's function.
TEngineContext& StubContext(const TFuncStub& Stub);

template <class C, class M, class R, class... A> struct TClassInvoker {
    M Method;
    R operator()(TObject* Self, A... Args) const {
        C* obj = dynamic_cast<C*>(Self);
        if (!obj) RaiseWrongSelf();
        return (obj->*Method)(std::forward<A>(Args)...);
    }
};

// A routine with a fixed parameter list A (after the context, when it takes one).
template <class Invoker, class R, bool WithContext, class... A> class TFixedStub final : public TFuncStub {
public:
    explicit TFixedStub(Invoker Fn) : Fn_(Fn) {}

    void Call(TObject* Self, Variant* const* Args, std::int32_t /*Count*/, Variant* Result) override {
        Run(Self, Args, Result, std::index_sequence_for<A...>{});
    }
    TMathProcedure OperationProc() const override { return &Proc; }
    std::int32_t Arity() const override { return static_cast<std::int32_t>(sizeof...(A)); }
    bool AcceptsParams(const std::vector<TEPTypesType>& Types) const override {
        if constexpr (sizeof...(A) == 0) {
            return Types.empty() || (Types.size() == 1 && Types[0] == typeVoid);
        } else {
            if (Types.size() != sizeof...(A)) return false;
            std::size_t i = 0;
            return (AcceptsParam<A>(Types[i++]) && ...);
        }
    }
    bool AcceptsResult(TEPTypesType Type) const override { return exfuncs_detail::AcceptsResult<R>(Type); }

private:
    static void Proc(PParserOperation Op) {
        static_cast<TFixedStub*>(Op->Data)->Run(nullptr, Op->Args.data(), Op->Result,
                                                std::index_sequence_for<A...>{});
    }

    template <std::size_t... I>
    void Run(TObject* Self, Variant* const* Args, Variant* Result, std::index_sequence<I...>) {
        (void)Args;
        if constexpr (WithContext) {
            TEngineContext& context = StubContext(*this);
            if constexpr (std::is_void_v<R>)
                Fn_(Self, context, ConvertArg<A>(*Args[I])...);
            else
                StoreResult(ResultType, Fn_(Self, context, ConvertArg<A>(*Args[I])...), Result);
        } else if constexpr (std::is_void_v<R>) {
            Fn_(Self, ConvertArg<A>(*Args[I])...);
        } else {
            StoreResult(ResultType, Fn_(Self, ConvertArg<A>(*Args[I])...), Result);
        }
    }

    Invoker Fn_;
};

// An argument array borrowed from a per-thread pool for the length of one call, so that calls of
// open-array routines need no allocation once warm, nest (a handler calling the same routine) and
// run on several threads without sharing a buffer. It is emptied when given back.
class TPooledArgArray {
public:
    TPooledArgArray();
    ~TPooledArgArray();
    TPooledArgArray(const TPooledArgArray&) = delete;
    TPooledArgArray& operator=(const TPooledArgArray&) = delete;
    ArgArray& Array() { return *Array_; }

private:
    std::unique_ptr<ArgArray> Array_;
};

// A routine that takes all operands as one array and the index of its last element.
template <class Invoker, class R> class TOpenArrayStub final : public TFuncStub {
public:
    explicit TOpenArrayStub(Invoker Fn) : Fn_(Fn) {}

    void Call(TObject* Self, Variant* const* Args, std::int32_t Count, Variant* Result) override {
        TPooledArgArray pooled;
        ArgArray& array = pooled.Array();
        array.reserve(Count > 0 ? static_cast<std::size_t>(Count) : 0);
        for (std::int32_t i = 0; i < Count; ++i)
            array.push_back(*Args[i]);
        const std::int32_t high = Count - 1;
        if constexpr (std::is_void_v<R>)
            Fn_(Self, array, high);
        else
            StoreResult(ResultType, Fn_(Self, array, high), Result);
    }
    TMathProcedure OperationProc() const override { return &Proc; }
    std::int32_t Arity() const override { return -1; }
    bool AcceptsParams(const std::vector<TEPTypesType>& Types) const override {
        return Types.size() == 1 && Types[0] == typeArray;
    }
    bool AcceptsResult(TEPTypesType Type) const override { return exfuncs_detail::AcceptsResult<R>(Type); }

private:
    static void Proc(PParserOperation Op) {
        static_cast<TOpenArrayStub*>(Op->Data)->Call(nullptr, Op->Args.data(), Op->ArgCount, Op->Result);
    }

    Invoker Fn_;
};

template <class... A> struct TOpenArraySig : std::false_type {};
template <> struct TOpenArraySig<ArgArray&, std::int32_t> : std::true_type {};
template <> struct TOpenArraySig<const ArgArray&, std::int32_t> : std::true_type {};

template <class... A> constexpr bool kAreParams = (kIsParam<A> && ...);

template <class Invoker, class R, class... A> struct TStubMaker {
    static std::unique_ptr<TFuncStub> Make(Invoker Fn) {
        if constexpr (TOpenArraySig<A...>::value) {
            return std::make_unique<TOpenArrayStub<Invoker, R>>(Fn);
        } else {
            static_assert(kAreParams<A...>, "a typed routine's parameters are integers, floating-point "
                                            "numbers, strings by value or const reference, or values");
            return std::make_unique<TFixedStub<Invoker, R, false, A...>>(Fn);
        }
    }
};
template <class Invoker, class R, class... A> struct TStubMaker<Invoker, R, TEngineContext&, A...> {
    static std::unique_ptr<TFuncStub> Make(Invoker Fn) {
        static_assert(kAreParams<A...>, "after the context, a typed routine's parameters are integers, "
                                        "floating-point numbers, strings or values");
        return std::make_unique<TFixedStub<Invoker, R, true, A...>>(Fn);
    }
};

template <class Invoker, class R, class... A> std::unique_ptr<TFuncStub> MakeStubFor(Invoker Fn) {
    return TStubMaker<Invoker, R, A...>::Make(Fn);
}

} // namespace exfuncs_detail

// The adapter of a plain routine.
template <class R, class... A> std::unique_ptr<TFuncStub> MakeFuncStub(R (*Func)(A...)) {
    using Inv = exfuncs_detail::TPlainInvoker<R, A...>;
    return exfuncs_detail::MakeStubFor<Inv, R, A...>(Inv{Func});
}

// The adapter of a method bound to one object at registration.
template <class C, class R, class... A>
std::unique_ptr<TFuncStub> MakeFuncStub(R (C::*Method)(A...), C* Obj) {
    using Inv = exfuncs_detail::TBoundInvoker<C, R (C::*)(A...), R, A...>;
    return exfuncs_detail::MakeStubFor<Inv, R, A...>(Inv{Obj, Method});
}
template <class C, class R, class... A>
std::unique_ptr<TFuncStub> MakeFuncStub(R (C::*Method)(A...) const, const C* Obj) {
    using Inv = exfuncs_detail::TBoundInvoker<const C, R (C::*)(A...) const, R, A...>;
    return exfuncs_detail::MakeStubFor<Inv, R, A...>(Inv{Obj, Method});
}

// The adapter of a class method: the object comes with each call and must be of class C.
template <class C, class R, class... A> std::unique_ptr<TFuncStub> MakeClassMethodStub(R (C::*Method)(A...)) {
    using Inv = exfuncs_detail::TClassInvoker<C, R (C::*)(A...), R, A...>;
    return exfuncs_detail::MakeStubFor<Inv, R, A...>(Inv{Method});
}
template <class C, class R, class... A>
std::unique_ptr<TFuncStub> MakeClassMethodStub(R (C::*Method)(A...) const) {
    using Inv = exfuncs_detail::TClassInvoker<const C, R (C::*)(A...) const, R, A...>;
    return exfuncs_detail::MakeStubFor<Inv, R, A...>(Inv{Method});
}

} // namespace skv::engine
