// The system group: result-code helpers, message boxes through the host, script memory blocks,
// random numbers, and the COM functions, which this system does not have. Also the array lock
// functions of the variant group, which hand out script memory.
#include "engine/base/Checkpoint.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/bldfuncs/Bldfuncs.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace skv::engine {

// ---------------------------------------------------------------------------------------------
// Variant array locks

namespace {

// The size of one element in a locked array's packed view; 0 for element types that have no
// plain byte form (values, texts, objects), whose view is empty.
std::size_t PackedSize(TVarType Type) {
    switch (Type) {
    case varSmallint:
    case varBoolean:
        return 2;
    case varInteger:
    case varSingle:
        return 4;
    case varDouble:
    case varCurrency:
    case varDate:
        return 8;
    case varByte:
        return 1;
    default:
        return 0;
    }
}

void PackElement(const Variant& V, TVarType Type, std::uint8_t* P) {
    switch (Type) {
    case varSmallint:
    case varBoolean: {
        const auto v =
            static_cast<std::int16_t>(Type == varBoolean ? (V.ToBoolean() ? -1 : 0) : V.ToInteger());
        std::memcpy(P, &v, 2);
        return;
    }
    case varInteger: {
        const std::int32_t v = V.ToInteger();
        std::memcpy(P, &v, 4);
        return;
    }
    case varSingle: {
        const auto v = static_cast<float>(V.ToReal());
        std::memcpy(P, &v, 4);
        return;
    }
    case varCurrency: {
        const std::int64_t v = V.ToCurrency().Value;
        std::memcpy(P, &v, 8);
        return;
    }
    case varDouble:
    case varDate: {
        const double v = Type == varDate ? V.ToDate() : V.ToReal();
        std::memcpy(P, &v, 8);
        return;
    }
    case varByte:
        *P = static_cast<std::uint8_t>(V.ToInteger());
        return;
    default:
        return;
    }
}

Variant UnpackElement(TVarType Type, const std::uint8_t* P) {
    switch (Type) {
    case varSmallint:
    case varBoolean: {
        std::int16_t v = 0;
        std::memcpy(&v, P, 2);
        return Type == varBoolean ? Variant(v != 0) : Variant::Smallint(v);
    }
    case varInteger: {
        std::int32_t v = 0;
        std::memcpy(&v, P, 4);
        return Variant(v);
    }
    case varSingle: {
        float v = 0;
        std::memcpy(&v, P, 4);
        return Variant::Single(v);
    }
    case varCurrency: {
        std::int64_t v = 0;
        std::memcpy(&v, P, 8);
        return Variant::Currency(TCurrency{v});
    }
    case varDouble:
    case varDate: {
        double v = 0;
        std::memcpy(&v, P, 8);
        return Type == varDate ? Variant::Date(v) : Variant(v);
    }
    case varByte:
        return Variant::Byte(*P);
    default:
        return Variant();
    }
}

// The element storage of an array: its identity while it is locked (a locked array cannot be
// resized, so the storage stays where it is).
const void* ArrayKeyOf(Variant& A) {
    const void* key = A.ArrayLock();
    A.ArrayUnlock();
    return key ? key : &A;
}

} // namespace

void VarArrayLockProc(PParserOperation Op) {
    Variant& a = *Op->Arg1;
    if (!a.IsArray()) RaiseVariantError(TVariantError::NotArray);
    const TVarType type = a.ArrayElementType();
    const std::size_t size = PackedSize(type);
    const auto count = static_cast<std::size_t>(a.ArrayElementCount());
    const void* key = ArrayKeyOf(a);
    TScriptMemory& memory = ContextOf(Op).Memory;
    memory.CheckLockRoom(static_cast<std::int64_t>(size * count));
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size * count);
    const auto* elements = static_cast<const Variant*>(key);
    // Packed a slice at a time: a big array is long work, which may stop before anything is locked.
    InSlices(count, std::max<std::size_t>(size, 1), [&](std::size_t From, std::size_t To) {
        bytes.resize(To * size);
        if (size > 0 && key != &a)
            for (std::size_t i = From; i < To; ++i)
                PackElement(elements[i], type, bytes.data() + i * size);
    });
    const std::int32_t address = memory.LockArray(key, std::move(bytes));
    a.ArrayLock();
    *Op->Result = Variant(address);
}

void VarArrayUnlockProc(PParserOperation Op) {
    Variant& a = *Op->Arg1;
    if (!a.IsArray()) RaiseVariantError(TVariantError::NotArray);
    const void* key = ArrayKeyOf(a);
    std::vector<std::uint8_t> bytes;
    if (!ContextOf(Op).Memory.UnlockArray(key, bytes)) return; // not locked through VarArrayLock
    const TVarType type = a.ArrayElementType();
    const std::size_t size = PackedSize(type);
    a.ArrayUnlock();
    if (size == 0 || key == &a) return;
    auto* elements = static_cast<Variant*>(const_cast<void*>(key));
    const std::size_t count = std::min(bytes.size() / size, static_cast<std::size_t>(a.ArrayElementCount()));
    for (std::size_t i = 0; i < count; ++i)
        elements[i] = UnpackElement(type, bytes.data() + i * size);
}

// ---------------------------------------------------------------------------------------------
// Messages

namespace {

void ShowMessageFn(TEngineContext& Context, const std::string& Text) {
    Context.Messages().ShowMessage(Text);
}
std::int32_t MessageBoxFn(TEngineContext& Context, std::int32_t /*Parent*/, const std::string& Text,
                          const std::string& Caption, std::int32_t Flags) {
    return Context.Messages().MessageBox(Text, Caption, Flags);
}
std::int32_t MessageDlgFn(TEngineContext& Context, const std::string& Text, std::int32_t DlgType,
                          std::int32_t Buttons, std::int32_t HelpContext) {
    return Context.Messages().MessageDlg(Text, DlgType, Buttons, HelpContext);
}

// ---- COM, which this system lacks ----

[[noreturn]] void NotAvailable(const char* Name) {
    throw EMathParserError(MsgWithName(_msgNotAvailable, Name));
}
Variant CreateComObjectFn(const std::string& /*ClassId*/) {
    NotAvailable("CreateComObject");
}
Variant CreateOleObjectFn(const std::string& /*ClassName*/) {
    NotAvailable("CreateOleObject");
}
std::int32_t CoInitializeFn(std::int32_t /*Reserved*/) {
    NotAvailable("CoInitialize");
}
void CoUnInitializeFn() {
    NotAvailable("CoUnInitialize");
}

// ---- result codes: severity in bit 31, facility in bits 16..28, code in the low word ----

bool SucceededFn(std::int32_t Result) {
    return Result >= 0;
}
bool FailedFn(std::int32_t Result) {
    return Result < 0;
}
std::int32_t ResultCodeFn(std::int32_t Result) {
    return Result & 0xFFFF;
}
std::int32_t ResultFacilityFn(std::int32_t Result) {
    return (Result >> 16) & 0x1FFF;
}
std::int32_t ResultSeverityFn(std::int32_t Result) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Result) >> 31);
}
std::int32_t MakeResultFn(std::int32_t Severity, std::int32_t Facility, std::int32_t Code) {
    const std::uint32_t r = (static_cast<std::uint32_t>(Severity & 1) << 31) |
                            (static_cast<std::uint32_t>(Facility & 0x1FFF) << 16) |
                            static_cast<std::uint32_t>(Code & 0xFFFF);
    return static_cast<std::int32_t>(r);
}

// ---- memory ----

std::int32_t AllocMemFn(TEngineContext& Context, std::int32_t Size) {
    return Context.Memory.Alloc(Size);
}
bool CompareMemFn(TEngineContext& Context, std::int32_t P1, std::int32_t P2, std::int32_t Length) {
    if (Length <= 0) return true;
    const std::uint8_t* a = Context.Memory.Resolve(P1, Length);
    const std::uint8_t* b = Context.Memory.Resolve(P2, Length);
    bool same = true;
    InSlices(static_cast<std::size_t>(Length), 1, [&](std::size_t From, std::size_t To) {
        same = same && std::memcmp(a + From, b + From, To - From) == 0;
    });
    return same;
}
void FnReallocMem(PParserOperation Op) {
    *Op->Arg1 = Variant(ContextOf(Op).Memory.Realloc(Op->Arg1->ToInteger(), Op->Arg2->ToInteger()));
}
void FnFreeMem(PParserOperation Op) {
    ContextOf(Op).Memory.Free(Op->Arg1->ToInteger());
}
void FillCharFn(TEngineContext& Context, std::int32_t Address, std::int32_t Count, std::int32_t Value) {
    if (Count <= 0) return;
    std::uint8_t* p = Context.Memory.Resolve(Address, Count);
    InSlices(static_cast<std::size_t>(Count), 1,
             [&](std::size_t From, std::size_t To) { std::memset(p + From, Value & 0xFF, To - From); });
}

// ---- random numbers ----

std::int32_t RandomFn(TEngineContext& Context, std::int32_t Range) {
    if (Range <= 0) return 0;
    return std::uniform_int_distribution<std::int32_t>(0, Range - 1)(Context.Random);
}
void RandomizeFn(TEngineContext& Context) {
    Context.Random.seed(
        static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

} // namespace

const TBuildInTable& SystemFuncTable() {
    constexpr TFuncCategory Y = fct_System;
    constexpr TEPTypesType L = typeLongInt;
    constexpr TEPTypesType I = typeInteger;
    static const TBuildInTable table = {
        TypedFunc<&CreateComObjectFn>("CreateComObject", {typeString}, typeVariant,
                                      "Instantiates a single instance of a COM object", Y),
        TypedFunc<&CreateOleObjectFn>("CreateOleObject", {typeString}, typeVariant,
                                      "Instantiates a single instance of an Automation object", Y),
        TypedFunc<&CoInitializeFn>("CoInitialize", {L}, L, "Initializes the OLE COM library", Y),
        TypedFunc<&CoUnInitializeFn>(
            "CoUnInitialize", {typeVoid}, typeVoid,
            "Closes the OLE COM library, freeing any allocated resources and forceing RPC "
            "connections to close",
            Y),
        TypedFunc<&SucceededFn>("Succeeded", {L}, typeBoolean, "HResult facility function", Y),
        TypedFunc<&FailedFn>("Failed", {L}, typeBoolean, "HResult facility function", Y),
        TypedFunc<&ResultCodeFn>("ResultCode", {L}, I, "HResult facility function", Y),
        TypedFunc<&ResultFacilityFn>("ResultFacility", {L}, I, "HResult facility function", Y),
        TypedFunc<&ResultSeverityFn>("ResultSeverity", {L}, I, "HResult facility function", Y),
        TypedFunc<&MakeResultFn>("MakeResult", {I, I, I}, L, "HResult facility function", Y),
        TypedFunc<&ShowMessageFn>("ShowMessage", {typeString}, typeVoid,
                                  "Displays a message box with an OK button", Y),
        TypedFunc<&MessageBoxFn>("MessageBox", {I, typeString, typeString, L}, I,
                                 "Displays a message box using standard Windows API function", Y),
        TypedFunc<&MessageDlgFn>(
            "MessageDlg", {typeString, I, I, L}, typeWord,
            "Displays a message dialog box using the standard dialog function of the run-time "
            "library",
            Y),
        TypedFunc<&AllocMemFn>("AllocMem", {I}, L,
                               "Allocates a memory block and initializes each byte to zero", Y),
        TypedFunc<&CompareMemFn>("CompareMem", {L, L, I}, typeBoolean,
                                 "Performs a binary comparison of two memory images", Y),
        RawFunc("ReallocMem", &FnReallocMem, 2, "Reallocates a dynamic variable", Y),
        RawFunc("FreeMem", &FnFreeMem, 2, "Disposes of a dynamic variable of a given size", Y),
        TypedFunc<&FillCharFn>("FillChar", {L, I, typeByte}, typeVoid,
                               "Fills contiguous bytes with a specified value", Y),
        TypedFunc<&RandomFn>("Random", {I}, I, "Generates random numbers within a specified range", Y),
        TypedFunc<&RandomizeFn>("Randomize", {typeVoid}, typeVoid,
                                "Initializes the random number generator with a random value", Y),
    };
    return table;
}

} // namespace skv::engine
