#include "stream/Extendedfloat.h"

#include <bit>

namespace skv::stream {

namespace {

constexpr int kExtendedBias = 16383;
constexpr int kFloatBias = 127;
constexpr std::uint64_t kIntegerBit = 1ull << 63;

Extended80 pack(bool negative, int exponent, std::uint64_t mantissa) {
    Extended80 out{};
    for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    const auto top = static_cast<std::uint16_t>((negative ? 0x8000 : 0) | (exponent & 0x7FFF));
    out[8] = static_cast<std::uint8_t>(top);
    out[9] = static_cast<std::uint8_t>(top >> 8);
    return out;
}

float fromBits(std::uint32_t sign, std::uint32_t magnitude) { return std::bit_cast<float>(sign | magnitude); }

// Shifts m right by s (1..64) rounding to nearest, ties to even.
std::uint64_t shiftRounded(std::uint64_t m, int s) {
    const std::uint64_t kept = s >= 64 ? 0 : m >> s;
    const std::uint64_t rest = s >= 64 ? m : m & ((1ull << s) - 1);
    const std::uint64_t half = 1ull << (s - 1);
    if (rest > half || (rest == half && (kept & 1))) return kept + 1;
    return kept;
}

} // namespace

Extended80 floatToExtended(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const bool negative = (bits >> 31) != 0;
    const int exponent = static_cast<int>((bits >> 23) & 0xFF);
    const std::uint64_t fraction = bits & 0x7FFFFF;

    if (exponent == 0xFF) return pack(negative, 0x7FFF, kIntegerBit | (fraction << 40));
    if (exponent == 0 && fraction == 0) return pack(negative, 0, 0);
    if (exponent == 0) {
        // A denormal is fraction * 2^-149; normalise so that the integer bit is set.
        const int shift = std::countl_zero(fraction);
        return pack(negative, kExtendedBias - 149 + 63 - shift, fraction << shift);
    }
    return pack(negative, exponent - kFloatBias + kExtendedBias, kIntegerBit | (fraction << 40));
}

float extendedToFloat(const Extended80& value) {
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | value[static_cast<std::size_t>(i)];
    const int top = value[8] | (value[9] << 8);
    const std::uint32_t sign = (top & 0x8000) ? 0x80000000u : 0u;
    int exponent = top & 0x7FFF;

    if (exponent == 0x7FFF) {
        if ((mantissa & ~kIntegerBit) == 0) return fromBits(sign, 0x7F800000u);
        auto fraction = static_cast<std::uint32_t>((mantissa >> 40) & 0x7FFFFF);
        if (fraction == 0) fraction = 0x400000; // a payload only in the low bits must stay a NaN
        return fromBits(sign, 0x7F800000u | fraction);
    }
    if (mantissa == 0) return fromBits(sign, 0);
    if (exponent == 0) exponent = 1; // extended denormals use the smallest exponent

    // value = mantissa * 2^(exponent - bias - 63); normalise so bit 63 is set.
    const int shift = std::countl_zero(mantissa);
    mantissa <<= shift;
    int unbiased = exponent - kExtendedBias - shift; // value = 1.m * 2^unbiased

    if (unbiased > kFloatBias) return fromBits(sign, 0x7F800000u);
    if (unbiased >= 1 - kFloatBias) {
        std::uint64_t significand = shiftRounded(mantissa, 40); // 24 bits, may carry into bit 24
        if (significand == (1ull << 24)) {
            significand >>= 1;
            ++unbiased;
        }
        if (unbiased > kFloatBias) return fromBits(sign, 0x7F800000u);
        const auto biased = static_cast<std::uint32_t>(unbiased + kFloatBias);
        return fromBits(sign, (biased << 23) | static_cast<std::uint32_t>(significand & 0x7FFFFF));
    }
    // Denormal result: fraction = value / 2^-149 = mantissa * 2^(unbiased + 86).
    const int s = -(unbiased + 86);
    if (s > 64) return fromBits(sign, 0);
    // A carry into bit 23 gives the smallest normal, whose bits are the same number.
    return fromBits(sign, static_cast<std::uint32_t>(shiftRounded(mantissa, s)));
}

} // namespace skv::stream
