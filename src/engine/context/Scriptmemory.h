// The memory blocks one host's scripts allocate. Scripts never see real addresses: blocks get
// numbers in a space of their own and every access is checked against the live blocks, so a
// script cannot touch memory it was not given. An address may point inside a block.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace skv::engine {

class TScriptMemory {
public:
    std::int32_t Alloc(std::int64_t Size);
    // Answers the new address (the contents kept up to the smaller size); address 0 allocates,
    // size 0 frees and answers 0.
    std::int32_t Realloc(std::int32_t Address, std::int64_t Size);
    void Free(std::int32_t Address); // 0 is nothing to free
    // The bytes [Address, Address + Count) of one live block, or an engine error.
    std::uint8_t* Resolve(std::int64_t Address, std::int64_t Count);
    // The total size of the live blocks.
    std::int64_t LiveBytes() const { return LiveBytes_; }

    // A locked array's elements as packed bytes, written back at the unlock. Key is the array's
    // element storage (compared only, never read).
    void CheckLockRoom(std::int64_t Size) const; // refuses a view that could not be kept
    std::int32_t LockArray(const void* Key, std::vector<std::uint8_t> Bytes);
    // The bytes of the view made for Key; false when there is none.
    bool UnlockArray(const void* Key, std::vector<std::uint8_t>& Bytes);

private:
    struct TBlock {
        std::vector<std::uint8_t> Bytes;
        const void* ArrayKey = nullptr; // set for a locked array's view
    };
    using TBlocks = std::map<std::int64_t, TBlock>; // by base address

    std::int64_t NextBase() const;
    std::int32_t Insert(TBlock Block);
    TBlocks::iterator FindBase(std::int64_t Address);
    void Erase(TBlocks::iterator It);
    std::size_t CheckedRoom(std::int64_t Size) const;

    TBlocks Blocks_;
    std::int64_t LiveBytes_ = 0;
};

} // namespace skv::engine
