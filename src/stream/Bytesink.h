// A destination for bytes produced in pieces, such as a file being written; lets a writer hand large
// payloads on without first gathering everything into one buffer.
#pragma once

#include <cstdint>
#include <span>

namespace skv::stream {

class TByteSink {
public:
    virtual ~TByteSink() = default;
    // Takes all of the bytes or raises; the span need not outlive the call.
    virtual void put(std::span<const std::uint8_t> bytes) = 0;
};

} // namespace skv::stream
