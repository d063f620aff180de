// The memory blocks of one host's scripts.
#include "engine/context/Scriptmemory.h"

#include "engine/base/Checkpoint.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"

#include <algorithm>
#include <string>

namespace skv::engine {

namespace {

// The numbers handed out start well away from 0 so that small integers are never addresses, and
// blocks are spaced so that running off one end never lands in the next.
constexpr std::int64_t kFirstAddress = 0x10000000;
constexpr std::int64_t kLastAddress = 0x7FFFFFFF;
constexpr std::int64_t kGap = 16;
constexpr std::int64_t kMaxLiveBytes = std::int64_t{256} << 20;

[[noreturn]] void RaiseInvalid(std::int64_t Address) {
    throw EMathParserError(MsgWithName(_msgInvalidMemory, std::to_string(Address)));
}

// Size zero bytes, a slice at a time with the work counted: touching a big block is long work.
std::vector<std::uint8_t> ZeroBytes(std::size_t Size) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(Size);
    InSlices(Size, 1, [&](std::size_t From, std::size_t To) { bytes.insert(bytes.end(), To - From, 0); });
    return bytes;
}

std::size_t CheckedSize(std::int64_t Size) {
    if (Size < 0 || Size > kMaxLiveBytes) throw EMathParserError(_msgOutOfMemory);
    return static_cast<std::size_t>(Size);
}

} // namespace

std::int64_t TScriptMemory::NextBase() const {
    if (Blocks_.empty()) return kFirstAddress;
    const auto& last = *Blocks_.rbegin();
    const std::int64_t end = last.first + static_cast<std::int64_t>(last.second.Bytes.size()) + kGap;
    return (end + 15) & ~std::int64_t{15};
}

std::int32_t TScriptMemory::Insert(TBlock Block) {
    const auto size = static_cast<std::int64_t>(Block.Bytes.size());
    const std::int64_t base = NextBase();
    if (base + size > kLastAddress || LiveBytes_ + size > kMaxLiveBytes)
        throw EMathParserError(_msgOutOfMemory);
    LiveBytes_ += size;
    Blocks_.emplace(base, std::move(Block));
    return static_cast<std::int32_t>(base);
}

TScriptMemory::TBlocks::iterator TScriptMemory::FindBase(std::int64_t Address) {
    auto it = Blocks_.find(Address);
    if (it == Blocks_.end()) RaiseInvalid(Address);
    return it;
}

void TScriptMemory::Erase(TBlocks::iterator It) {
    LiveBytes_ -= static_cast<std::int64_t>(It->second.Bytes.size());
    Blocks_.erase(It);
}

// Refuses a block that would not fit beside the live ones, before its bytes are allocated.
std::size_t TScriptMemory::CheckedRoom(std::int64_t Size) const {
    const std::size_t size = CheckedSize(Size);
    if (LiveBytes_ + Size > kMaxLiveBytes) throw EMathParserError(_msgOutOfMemory);
    return size;
}

std::int32_t TScriptMemory::Alloc(std::int64_t Size) {
    TBlock block;
    block.Bytes = ZeroBytes(CheckedRoom(Size));
    return Insert(std::move(block));
}

std::int32_t TScriptMemory::Realloc(std::int32_t Address, std::int64_t Size) {
    const std::size_t size = CheckedRoom(Size);
    if (Address == 0) {
        TBlock block;
        block.Bytes = ZeroBytes(size);
        return Insert(std::move(block));
    }
    auto it = FindBase(Address);
    if (it->second.ArrayKey) RaiseInvalid(Address);
    if (size == 0) { // a new size of 0 frees the block
        Erase(it);
        return 0;
    }
    // The new block is made before the old one goes, so a refusal leaves the old one as it was.
    TBlock block;
    block.Bytes = ZeroBytes(size);
    const std::vector<std::uint8_t>& old = it->second.Bytes;
    InSlices(std::min(size, old.size()), 1, [&](std::size_t From, std::size_t To) {
        std::copy(old.begin() + static_cast<std::ptrdiff_t>(From),
                  old.begin() + static_cast<std::ptrdiff_t>(To),
                  block.Bytes.begin() + static_cast<std::ptrdiff_t>(From));
    });
    const std::int32_t address = Insert(std::move(block));
    Erase(it);
    return address;
}

void TScriptMemory::Free(std::int32_t Address) {
    if (Address == 0) return; // nothing to free
    auto it = FindBase(Address);
    if (it->second.ArrayKey) RaiseInvalid(Address);
    Erase(it);
}

std::uint8_t* TScriptMemory::Resolve(std::int64_t Address, std::int64_t Count) {
    auto it = Blocks_.upper_bound(Address);
    const bool inside = it != Blocks_.begin() && Count >= 0;
    if (inside) {
        --it;
        const std::int64_t offset = Address - it->first;
        const auto size = static_cast<std::int64_t>(it->second.Bytes.size());
        if (offset <= size && Count <= size - offset) return it->second.Bytes.data() + offset;
    }
    RaiseInvalid(Address);
}

void TScriptMemory::CheckLockRoom(std::int64_t Size) const {
    CheckedRoom(Size);
}

std::int32_t TScriptMemory::LockArray(const void* Key, std::vector<std::uint8_t> Bytes) {
    TBlock block;
    block.Bytes = std::move(Bytes);
    block.ArrayKey = Key;
    return Insert(std::move(block));
}

bool TScriptMemory::UnlockArray(const void* Key, std::vector<std::uint8_t>& Bytes) {
    for (auto it = Blocks_.begin(); it != Blocks_.end(); ++it) {
        if (it->second.ArrayKey != Key) continue;
        Bytes = std::move(it->second.Bytes);
        Erase(it);
        return true;
    }
    return false;
}

} // namespace skv::engine
