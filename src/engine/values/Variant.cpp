// The value type's storage, kind queries, conversions and arrays.
#include "engine/values/Variant.h"

#include "engine/base/Checkpoint.h"
#include "engine/base/Text.h"
#include "stream/Numbertext.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace skv::engine {

struct TVarArrayData {
    std::vector<TVarArrayBound> Bounds; // first dimension first
    TVarType ElementType = varVariant;
    std::vector<Variant> Elements; // the last dimension varies slowest, so redim only resizes
    int LockCount = 0;
    TValueAccount* Account = nullptr; // what its storage is charged to (none: not counted)
};

struct TVarText {
    std::string Text;
    TValueAccount* Account = nullptr;
};

// The bytes charged to one value context. Each text and array keeps the account it was charged to
// and gives its bytes back there, on whatever thread it goes; so that none gives back into freed
// memory, the account counts its context as a holder too and goes with the last of them.
class TValueAccount {
public:
    // Charges Bytes, unless the total would pass kMaxHeldValueBytes (OutOfMemory).
    void Charge(std::int64_t Bytes) {
        const std::int64_t before = Count_.fetch_add(Bytes, std::memory_order_relaxed);
        if (Held(before) + Bytes > kMaxHeldValueBytes) {
            Count_.fetch_sub(Bytes, std::memory_order_relaxed);
            RaiseVariantError(TVariantError::OutOfMemory);
        }
    }
    void Release(std::int64_t Bytes) noexcept {
        if (Count_.fetch_sub(Bytes, std::memory_order_acq_rel) != Bytes) return;
        const std::unique_ptr<TValueAccount> last(this); // nothing holds the account any more
    }
    // The context lets go; the account stays while values charged to it live.
    void Close() noexcept { Release(kOpen); }
    std::int64_t Held() const noexcept { return Held(Count_.load(std::memory_order_relaxed)); }

private:
    // What the context's hold adds to the count: a bit above any total of charges, so the count
    // reaches 0 only once the context and every value have let go.
    static constexpr std::int64_t kOpen = std::int64_t{1} << 60;
    static std::int64_t Held(std::int64_t Count) noexcept { return Count & (kOpen - 1); }

    std::atomic<std::int64_t> Count_{kOpen};
};

namespace values_detail {
constinit thread_local TValueContext* tBound = nullptr;
} // namespace values_detail
using values_detail::tBound;

TValueAccount* BoundAccount() noexcept {
    return tBound ? tBound->Account_ : nullptr;
}

TValueContext::TValueContext() : Account_(std::make_unique<TValueAccount>().release()) {}

TValueContext::~TValueContext() {
    Account_->Close();
}

std::int64_t TValueContext::HeldBytes() const noexcept {
    return Account_->Held();
}

// ---- errors and settings ----

const char* VariantErrorMessage(TVariantError code) {
    switch (code) {
    case TVariantError::InvalidCast:
        return "Invalid variant type conversion";
    case TVariantError::Overflow:
        return "Overflow while converting variant";
    case TVariantError::InvalidOp:
        return "Invalid variant operation";
    case TVariantError::DivByZero:
        return "Division by zero";
    case TVariantError::BadVarType:
        return "Invalid variant type";
    case TVariantError::ArrayBounds:
        return "Index in variant array is out of bounds";
    case TVariantError::ArrayLocked:
        return "Variant or safe array is locked";
    case TVariantError::NotArray:
        return "Variant is not an array";
    case TVariantError::OutOfMemory:
        return "Out of memory for texts and arrays";
    }
    return "Invalid variant operation";
}

void RaiseVariantError(TVariantError code) {
    const std::string message = VariantErrorMessage(code);
    if (tBound && tBound->EngineErrors) throw EVariantOpError(code, message);
    throw EVariantError(code, message);
}

char DecimalSeparator() {
    return tBound ? tBound->DecimalSeparator : '.';
}

// ---- the memory values hold ----

namespace {

// What a text or an array holds, as charged when it is made and released when it goes. Texts
// never change once made and an array's storage changes only through redim, which charges the
// difference, so the release always matches the charge.
std::int64_t textBytes(std::size_t length) {
    return static_cast<std::int64_t>(sizeof(std::string) + length);
}
std::int64_t arrayBytes(std::size_t count) {
    return static_cast<std::int64_t>(sizeof(TVarArrayData) + count * sizeof(Variant));
}

// A copy of Elements, a slice at a time with the work counted: a big array is a long copy.
std::vector<Variant> copyElements(const std::vector<Variant>& Elements) {
    std::vector<Variant> r;
    r.reserve(Elements.size());
    InSlices(Elements.size(), sizeof(Variant), [&](std::size_t From, std::size_t To) {
        r.insert(r.end(), Elements.begin() + static_cast<std::ptrdiff_t>(From),
                 Elements.begin() + static_cast<std::ptrdiff_t>(To));
    });
    return r;
}

// Elements grown to Count with copies of Fill the same way.
void growElements(std::vector<Variant>& Elements, std::size_t Count, const Variant& Fill) {
    if (Count <= Elements.size()) return;
    Elements.reserve(Count);
    InSlices(Count - Elements.size(), sizeof(Variant),
             [&](std::size_t From, std::size_t To) { Elements.insert(Elements.end(), To - From, Fill); });
}

// Charges the account of the bound value context; answers it (null: nothing counted).
TValueAccount* charge(std::int64_t bytes) {
    TValueAccount* account = BoundAccount();
    if (account) account->Charge(bytes);
    return account;
}
void release(TValueAccount* account, std::int64_t bytes) noexcept {
    if (account) account->Release(bytes);
}

// A charge made before an allocation, given back unless kept: the allocation may still fail.
class TPendingCharge {
public:
    explicit TPendingCharge(std::int64_t bytes) : account_(charge(bytes)), bytes_(bytes) {}
    ~TPendingCharge() {
        if (bytes_) release(account_, bytes_);
    }
    TPendingCharge(const TPendingCharge&) = delete;
    TPendingCharge& operator=(const TPendingCharge&) = delete;
    // The allocation stands: the account it is charged to.
    TValueAccount* keep() noexcept {
        bytes_ = 0;
        return account_;
    }

private:
    TValueAccount* account_;
    std::int64_t bytes_;
};

// The union keeps its payload as a plain pointer: these two make and free every one.
template <class T, class... A> T* makePayload(A&&... Args) {
    return std::make_unique<T>(std::forward<A>(Args)...).release();
}
template <class T> void freePayload(T* Payload) noexcept {
    const std::unique_ptr<T> owner(Payload);
}

TVarText* makeText(std::string Text) {
    TPendingCharge charged(textBytes(Text.size()));
    TVarText* text = makePayload<TVarText>(TVarText{std::move(Text), nullptr});
    text->Account = charged.keep();
    return text;
}

// A copy of a text, checked against the limits before its bytes are copied.
TVarText* copyText(const std::string& Text) {
    if (Text.size() < kWorkPerCheckPoint) return makeText(Text);
    CheckTextRoom(Text.size());
    return makeText(CopyWithWork(Text));
}

} // namespace

void CheckTextRoom(std::size_t Length) {
    if (Length > kMaxTextLength) RaiseVariantError(TVariantError::OutOfMemory);
    const TValueAccount* account = BoundAccount();
    if (account && account->Held() + textBytes(Length) > kMaxHeldValueBytes)
        RaiseVariantError(TVariantError::OutOfMemory);
}

// ---- construction and lifetime ----

Variant::Variant(const char* s) : type_(varEmpty), i64_(0) {
    text_ = makeText(std::string(s ? s : ""));
    type_ = varString;
}
Variant::Variant(std::string s) : type_(varEmpty), i64_(0) {
    text_ = makeText(std::move(s));
    type_ = varString;
}

Variant Variant::Null() noexcept {
    Variant v;
    v.type_ = varNull;
    return v;
}
Variant Variant::Smallint(std::int16_t x) noexcept {
    Variant v;
    v.type_ = varSmallint;
    v.i16_ = x;
    return v;
}
Variant Variant::Byte(std::uint8_t x) noexcept {
    Variant v;
    v.type_ = varByte;
    v.u8_ = x;
    return v;
}
Variant Variant::Currency(TCurrency x) noexcept {
    Variant v;
    v.type_ = varCurrency;
    v.i64_ = x.Value;
    return v;
}
Variant Variant::Date(double days) noexcept {
    Variant v;
    v.type_ = varDate;
    v.d_ = days;
    return v;
}
Variant Variant::Dispatch(TDispatchRef object) {
    Variant v;
    v.disp_ = makePayload<TDispatchRef>(std::move(object));
    v.type_ = varDispatch;
    return v;
}

namespace {
// Largest magnitude of a currency as a double; a rounded count at or beyond 2^63 overflows.
constexpr double kTwoPow63 = 9223372036854775808.0;

std::int64_t currencyCountFromDouble(double v) {
    const double scaled = std::nearbyint(v * 10000.0); // the default rounding mode: halves to even
    if (!(scaled >= -kTwoPow63 && scaled < kTwoPow63)) RaiseVariantError(TVariantError::Overflow);
    return static_cast<std::int64_t>(scaled);
}
} // namespace

Variant Variant::CurrencyFromDouble(double v) {
    return Currency(TCurrency{currencyCountFromDouble(v)});
}

Variant& Variant::assignSlow(const Variant& other) {
    if (this == &other) return *this;
    Variant copy(other); // copy first: other may live inside this value's array
    *this = std::move(copy);
    return *this;
}

void Variant::Clear() noexcept {
    destroy();
    type_ = varEmpty;
    i64_ = 0;
}

void Variant::destroyAndSet(TVarType Type, std::int64_t Bits) noexcept {
    destroy();
    type_ = Type;
    i64_ = Bits;
}

void Variant::destroy() noexcept {
    if (type_ == varString) {
        release(text_->Account, textBytes(text_->Text.size()));
        freePayload(text_);
    } else if (type_ == varDispatch) {
        freePayload(disp_);
    } else if (IsArray()) {
        const std::int64_t bytes = arrayBytes(arr_->Elements.size());
        TValueAccount* account = arr_->Account;
        freePayload(arr_); // the elements release their own texts and arrays
        release(account, bytes);
    }
}

void Variant::copyFrom(const Variant& other) {
    if (other.type_ == varString) {
        text_ = copyText(other.text_->Text);
    } else if (other.type_ == varDispatch) {
        disp_ = makePayload<TDispatchRef>(*other.disp_);
    } else if (other.IsArray()) {
        // Before the copy: a deep copy of a big array is the costly case.
        TPendingCharge charged(arrayBytes(other.arr_->Elements.size()));
        auto data = std::make_unique<TVarArrayData>();
        data->Bounds = other.arr_->Bounds;
        data->ElementType = other.arr_->ElementType;
        data->Elements = copyElements(other.arr_->Elements); // a copy is a new array, not locked
        data->Account = charged.keep();
        arr_ = data.release();
    } else {
        i64_ = other.i64_;
    }
    type_ = other.type_;
}

// ---- kind queries and raw payloads ----

bool Variant::IsNumeric() const noexcept {
    switch (type_) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varBoolean:
    case varByte:
        return true;
    default:
        return false;
    }
}

bool Variant::IsOrdinal() const noexcept {
    return type_ == varSmallint || type_ == varInteger || type_ == varBoolean || type_ == varByte;
}

bool Variant::IsFloat() const noexcept {
    return type_ == varSingle || type_ == varDouble;
}

const std::string& Variant::RawString() const {
    if (type_ != varString) RaiseVariantError(TVariantError::InvalidCast);
    return text_->Text;
}

TDispatchRef Variant::RawDispatch() const {
    if (type_ != varDispatch) RaiseVariantError(TVariantError::InvalidCast);
    return *disp_;
}

// ---- conversions ----

namespace {
std::int64_t roundToInt64(double d) {
    const double r = std::nearbyint(d);
    if (!(r >= -kTwoPow63 && r < kTwoPow63)) RaiseVariantError(TVariantError::Overflow);
    return static_cast<std::int64_t>(r);
}

// A currency count divided by 10000, halves to even.
std::int64_t roundCurrency(std::int64_t count) {
    std::int64_t q = count / 10000;
    const std::int64_t r = count % 10000;
    const std::int64_t absR = r < 0 ? -r : r;
    if (absR > 5000 || (absR == 5000 && (q % 2 != 0))) q += r < 0 ? -1 : 1;
    return q;
}

double parseNumberText(const std::string& s) {
    double d = 0;
    if (TryStrToFloat(s, d)) return d;
    RaiseVariantError(TVariantError::InvalidCast);
}

bool equalsIgnoreCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(a[i]);
        if (std::tolower(c) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

} // namespace

double Variant::ToReal() const {
    switch (type_) {
    case varEmpty:
        return 0.0;
    case varSmallint:
        return i16_;
    case varInteger:
        return i32_;
    case varSingle:
        return f_;
    case varDouble:
    case varDate:
        return d_;
    case varCurrency:
        return static_cast<double>(i64_) / 10000.0;
    case varBoolean:
        return i16_;
    case varByte:
        return u8_;
    case varString:
        return parseNumberText(text_->Text);
    default:
        RaiseVariantError(TVariantError::InvalidCast);
    }
}

std::int64_t Variant::ToInt64() const {
    switch (type_) {
    case varEmpty:
        return 0;
    case varSmallint:
    case varBoolean:
        return i16_;
    case varInteger:
        return i32_;
    case varByte:
        return u8_;
    case varCurrency:
        return roundCurrency(i64_);
    case varSingle:
        return roundToInt64(f_);
    case varDouble:
    case varDate:
        return roundToInt64(d_);
    case varString:
        return roundToInt64(parseNumberText(text_->Text));
    default:
        RaiseVariantError(TVariantError::InvalidCast);
    }
}

std::int32_t Variant::ToInteger() const {
    const std::int64_t v = ToInt64();
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        RaiseVariantError(TVariantError::Overflow);
    return static_cast<std::int32_t>(v);
}

TCurrency Variant::ToCurrency() const {
    switch (type_) {
    case varEmpty:
        return {};
    case varSmallint:
    case varBoolean:
        return TCurrency{std::int64_t{i16_} * 10000};
    case varInteger:
        return TCurrency{std::int64_t{i32_} * 10000};
    case varByte:
        return TCurrency{std::int64_t{u8_} * 10000};
    case varCurrency:
        return TCurrency{i64_};
    case varSingle:
        return TCurrency{currencyCountFromDouble(f_)};
    case varDouble:
    case varDate:
        return TCurrency{currencyCountFromDouble(d_)};
    case varString: {
        TCurrency c;
        if (!TryStrToCurrency(text_->Text, c)) RaiseVariantError(TVariantError::InvalidCast);
        return c;
    }
    default:
        RaiseVariantError(TVariantError::InvalidCast);
    }
}

double Variant::ToDate() const {
    if (type_ == varString) {
        double days = 0;
        if (TryStrToDate(text_->Text, days) || TryStrToFloat(text_->Text, days)) return days;
        RaiseVariantError(TVariantError::InvalidCast);
    }
    return ToReal();
}

bool Variant::ToBoolean() const {
    switch (type_) {
    case varEmpty:
        return false;
    case varSmallint:
    case varBoolean:
        return i16_ != 0;
    case varInteger:
        return i32_ != 0;
    case varByte:
        return u8_ != 0;
    case varCurrency:
        return i64_ != 0;
    case varSingle:
        return f_ != 0.0f;
    case varDouble:
    case varDate:
        return d_ != 0.0;
    case varString: {
        const std::string t = TrimBlanks(text_->Text);
        if (equalsIgnoreCase(t, "true")) return true;
        if (equalsIgnoreCase(t, "false")) return false;
        return parseNumberText(t) != 0.0;
    }
    default:
        RaiseVariantError(TVariantError::InvalidCast);
    }
}

namespace {
std::string singleToStr(float f) {
    // A single shows its own 7 significant digits, not the noise of its widening to double.
    const std::string text = stream::toChars(static_cast<double>(f), std::chars_format::general, 7);
    double shortest = 0;
    std::from_chars(text.data(), text.data() + text.size(), shortest);
    return FloatToStrGeneral(shortest);
}
} // namespace

std::string Variant::ToString() const {
    switch (type_) {
    case varEmpty:
    case varNull:
        return {};
    case varSmallint:
        return std::to_string(i16_);
    case varInteger:
        return std::to_string(i32_);
    case varByte:
        return std::to_string(u8_);
    case varBoolean:
        return i16_ != 0 ? "True" : "False";
    case varSingle:
        return singleToStr(f_);
    case varDouble:
        return FloatToStrGeneral(d_);
    case varCurrency:
        return CurrencyToStr(TCurrency{i64_});
    case varDate:
        return DateToStr(d_);
    case varString:
        return text_->Text;
    default:
        RaiseVariantError(TVariantError::InvalidCast);
    }
}

// ---- arrays ----

TVarArrayData& Variant::arrayData() const {
    if (!IsArray()) RaiseVariantError(TVariantError::NotArray);
    return *arr_;
}

namespace {
// Element types an array may hold.
bool isArrayElementType(TVarType t) {
    switch (t) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varDispatch:
    case varBoolean:
    case varVariant:
    case varByte:
    case varString:
        return true;
    default:
        return false;
    }
}

Variant defaultElement(TVarType t) {
    if (t == varVariant || t == varDispatch) return Variant();
    return VarAsType(Variant(), t);
}

// Refuses arrays whose element count would not fit in memory sensibly.
constexpr std::int64_t kMaxArrayElements = std::int64_t{1} << 28;

std::int64_t elementCountOf(const std::vector<TVarArrayBound>& bounds) {
    std::int64_t n = 1;
    for (const TVarArrayBound& b : bounds) {
        if (b.ElementCount < 0) RaiseVariantError(TVariantError::ArrayBounds);
        n *= b.ElementCount;
        if (n > kMaxArrayElements) RaiseVariantError(TVariantError::Overflow);
    }
    return n;
}

std::size_t flatIndex(const TVarArrayData& a, const std::vector<std::int32_t>& indices) {
    if (indices.size() != a.Bounds.size()) RaiseVariantError(TVariantError::ArrayBounds);
    std::int64_t flat = 0;
    for (std::size_t d = a.Bounds.size(); d-- > 0;) {
        const TVarArrayBound& b = a.Bounds[d];
        const std::int64_t offset = std::int64_t{indices[d]} - b.LowBound;
        if (offset < 0 || offset >= b.ElementCount) RaiseVariantError(TVariantError::ArrayBounds);
        flat = flat * b.ElementCount + offset;
    }
    return static_cast<std::size_t>(flat);
}
} // namespace

Variant Variant::ArrayCreate(const std::vector<TVarArrayBound>& bounds, TVarType elementType) {
    if (!isArrayElementType(elementType)) RaiseVariantError(TVariantError::BadVarType);
    if (bounds.empty()) RaiseVariantError(TVariantError::ArrayBounds);
    const std::int64_t count = elementCountOf(bounds);
    TPendingCharge charged(arrayBytes(static_cast<std::size_t>(count)));
    auto data = std::make_unique<TVarArrayData>();
    data->Bounds = bounds;
    data->ElementType = elementType;
    growElements(data->Elements, static_cast<std::size_t>(count), defaultElement(elementType));
    Variant v;
    data->Account = charged.keep();
    v.arr_ = data.release();
    v.type_ = static_cast<TVarType>(varArray | elementType);
    return v;
}

Variant Variant::ArrayOf(const std::vector<Variant>& values) {
    if (static_cast<std::int64_t>(values.size()) > kMaxArrayElements)
        RaiseVariantError(TVariantError::Overflow);
    Variant v = ArrayCreate({TVarArrayBound{0, static_cast<std::int32_t>(values.size())}}, varVariant);
    v.arr_->Elements = values;
    return v;
}

int Variant::ArrayDimCount() const {
    return IsArray() ? static_cast<int>(arr_->Bounds.size()) : 0;
}

std::int32_t Variant::ArrayLowBound(int dim) const {
    const TVarArrayData& a = arrayData();
    if (dim < 1 || dim > static_cast<int>(a.Bounds.size())) RaiseVariantError(TVariantError::ArrayBounds);
    return a.Bounds[static_cast<std::size_t>(dim - 1)].LowBound;
}

std::int32_t Variant::ArrayHighBound(int dim) const {
    const TVarArrayData& a = arrayData();
    if (dim < 1 || dim > static_cast<int>(a.Bounds.size())) RaiseVariantError(TVariantError::ArrayBounds);
    const TVarArrayBound& b = a.Bounds[static_cast<std::size_t>(dim - 1)];
    return static_cast<std::int32_t>(std::int64_t{b.LowBound} + b.ElementCount - 1);
}

std::int64_t Variant::ArrayElementCount() const {
    return static_cast<std::int64_t>(arrayData().Elements.size());
}

TVarType Variant::ArrayElementType() const {
    return arrayData().ElementType;
}

void Variant::ArrayRedim(std::int32_t highBound) {
    TVarArrayData& a = arrayData();
    if (a.LockCount > 0) RaiseVariantError(TVariantError::ArrayLocked);
    std::vector<TVarArrayBound> bounds = a.Bounds;
    TVarArrayBound& last = bounds.back();
    const std::int64_t count = std::int64_t{highBound} - last.LowBound + 1;
    if (count < 0 || count > std::numeric_limits<std::int32_t>::max())
        RaiseVariantError(TVariantError::ArrayBounds);
    last.ElementCount = static_cast<std::int32_t>(count);
    const std::int64_t total = elementCountOf(bounds);
    const std::int64_t before = arrayBytes(a.Elements.size());
    const std::int64_t after = arrayBytes(static_cast<std::size_t>(total));
    const std::size_t oldCount = a.Elements.size();
    const auto newCount = static_cast<std::size_t>(total);
    // Growing a big array is long work that may be stopped: the array is then left as it was.
    const auto grow = [&] {
        try {
            growElements(a.Elements, newCount, defaultElement(a.ElementType));
        } catch (...) {
            a.Elements.resize(oldCount);
            throw;
        }
    };
    if (!a.Account) {
        // An array that counts nowhere (made outside any value context) starts counting where it
        // is resized, so that a script cannot grow it past the limit.
        TPendingCharge charged(after);
        if (newCount < oldCount)
            a.Elements.resize(newCount);
        else
            grow();
        a.Account = charged.keep();
    } else if (after > before) {
        a.Account->Charge(after - before);
        try {
            grow();
        } catch (...) {
            a.Account->Release(after - before);
            throw;
        }
    } else {
        a.Elements.resize(newCount);
        release(a.Account, before - after);
    }
    a.Bounds = std::move(bounds);
}

Variant Variant::ArrayGet(const std::vector<std::int32_t>& indices) const {
    const TVarArrayData& a = arrayData();
    return a.Elements[flatIndex(a, indices)];
}

void Variant::ArraySet(const std::vector<std::int32_t>& indices, const Variant& value) {
    TVarArrayData& a = arrayData();
    const std::size_t i = flatIndex(a, indices);
    if (a.ElementType == varVariant) {
        a.Elements[i] = value;
        return;
    }
    if (a.ElementType == varDispatch && !value.IsDispatch() && !value.IsEmpty())
        RaiseVariantError(TVariantError::InvalidCast);
    a.Elements[i] = a.ElementType == varDispatch ? value : VarAsType(value, a.ElementType);
}

void* Variant::ArrayLock() {
    TVarArrayData& a = arrayData();
    ++a.LockCount;
    return a.Elements.data();
}

void Variant::ArrayUnlock() {
    TVarArrayData& a = arrayData();
    if (a.LockCount > 0) --a.LockCount;
}

} // namespace skv::engine
