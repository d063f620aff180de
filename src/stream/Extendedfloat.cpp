#include "stream/Extendedfloat.h"

#include <bit>

namespace skv::stream {

namespace {

constexpr int kExtendedBias = 16383;
constexpr std::uint64_t kIntegerBit = 1ull << 63;

Extended80 pack(bool negative, int exponent, std::uint64_t mantissa) {
    Extended80 out{};
    for (int i = 0; i < 8; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    const auto top = static_cast<std::uint16_t>((negative ? 0x8000 : 0) | (exponent & 0x7FFF));
    out[8] = static_cast<std::uint8_t>(top);
    out[9] = static_cast<std::uint8_t>(top >> 8);
    return out;
}

// Shifts m right by s (1..64) rounding to nearest, ties to even.
std::uint64_t shiftRounded(std::uint64_t m, int s) {
    const std::uint64_t kept = s >= 64 ? 0 : m >> s;
    const std::uint64_t rest = s >= 64 ? m : m & ((1ull << s) - 1);
    const std::uint64_t half = 1ull << (s - 1);
    if (rest > half || (rest == half && (kept & 1))) return kept + 1;
    return kept;
}

// An IEEE binary format (float or double) by its bit layout.
template <typename Bits, int FractionBits, int ExponentBits> struct Binary {
    static constexpr int kBias = (1 << (ExponentBits - 1)) - 1;
    static constexpr int kExponentMax = (1 << ExponentBits) - 1;
    static constexpr Bits kFractionMask = (Bits(1) << FractionBits) - 1;
    static constexpr Bits kSign = Bits(1) << (FractionBits + ExponentBits);
    static constexpr Bits kInfinity = Bits(kExponentMax) << FractionBits;
    static constexpr int kShift = 63 - FractionBits; // from the extended mantissa to the fraction

    static Extended80 toExtended(Bits bits) {
        const bool negative = (bits & kSign) != 0;
        const int exponent = static_cast<int>((bits >> FractionBits) & Bits(kExponentMax));
        const std::uint64_t fraction = bits & kFractionMask;

        if (exponent == kExponentMax) return pack(negative, 0x7FFF, kIntegerBit | (fraction << kShift));
        if (exponent == 0 && fraction == 0) return pack(negative, 0, 0);
        if (exponent == 0) {
            // A denormal is fraction * 2^(1 - bias - FractionBits); normalise so the integer bit is set.
            const int shift = std::countl_zero(fraction);
            return pack(negative, kExtendedBias + 1 - kBias - FractionBits + 63 - shift, fraction << shift);
        }
        return pack(negative, exponent - kBias + kExtendedBias, kIntegerBit | (fraction << kShift));
    }

    static Bits fromExtended(const Extended80& value) {
        std::uint64_t mantissa = 0;
        for (int i = 7; i >= 0; --i)
            mantissa = (mantissa << 8) | value[static_cast<std::size_t>(i)];
        const int top = value[8] | (value[9] << 8);
        const Bits sign = (top & 0x8000) ? kSign : Bits(0);
        int exponent = top & 0x7FFF;

        if (exponent == 0x7FFF) {
            if ((mantissa & ~kIntegerBit) == 0) return sign | kInfinity;
            auto fraction = static_cast<Bits>((mantissa >> kShift) & kFractionMask);
            if (fraction == 0)
                fraction = Bits(1) << (FractionBits - 1); // a payload only in the low bits stays a NaN
            return sign | kInfinity | fraction;
        }
        if (mantissa == 0) return sign;
        if (exponent == 0) exponent = 1; // extended denormals use the smallest exponent

        // value = mantissa * 2^(exponent - bias - 63); normalise so bit 63 is set.
        const int shift = std::countl_zero(mantissa);
        mantissa <<= shift;
        int unbiased = exponent - kExtendedBias - shift; // value = 1.m * 2^unbiased

        if (unbiased > kBias) return sign | kInfinity;
        if (unbiased >= 1 - kBias) {
            std::uint64_t significand = shiftRounded(mantissa, kShift); // may carry one bit further
            if (significand == (1ull << (FractionBits + 1))) {
                significand >>= 1;
                ++unbiased;
            }
            if (unbiased > kBias) return sign | kInfinity;
            const auto biased = static_cast<Bits>(unbiased + kBias);
            return sign | (biased << FractionBits) | static_cast<Bits>(significand & kFractionMask);
        }
        // Denormal result: fraction = value / 2^(1 - bias - FractionBits).
        const int s = -(unbiased - 64 + kBias + FractionBits);
        if (s > 64) return sign;
        // A carry into the exponent field gives the smallest normal, whose bits are the same number.
        return sign | static_cast<Bits>(shiftRounded(mantissa, s));
    }
};

using Single = Binary<std::uint32_t, 23, 8>;
using Double = Binary<std::uint64_t, 52, 11>;

} // namespace

Extended80 floatToExtended(float value) {
    return Single::toExtended(std::bit_cast<std::uint32_t>(value));
}

float extendedToFloat(const Extended80& value) {
    return std::bit_cast<float>(Single::fromExtended(value));
}

Extended80 doubleToExtended(double value) {
    return Double::toExtended(std::bit_cast<std::uint64_t>(value));
}

double extendedToDouble(const Extended80& value) {
    return std::bit_cast<double>(Double::fromExtended(value));
}

} // namespace skv::stream
