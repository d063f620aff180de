// The 80-bit extended float of the component stream (64-bit mantissa with explicit integer bit,
// 15-bit biased exponent, sign), converted to and from 32-bit floats and doubles bit by bit.
#pragma once

#include <array>
#include <cstdint>

namespace skv::stream {

// The ten bytes as stored: mantissa little-endian in bytes 0..7, sign and exponent in bytes 8..9.
using Extended80 = std::array<std::uint8_t, 10>;

// Exact for every float: zeros keep their sign, denormals are normalised, infinities stay infinite and
// a NaN keeps its payload, so extendedToFloat(floatToExtended(f)) has the bits of f.
Extended80 floatToExtended(float value);

// Rounds to the nearest float (ties to even); values beyond the float range become infinite,
// values below half the smallest denormal become zero.
float extendedToFloat(const Extended80& value);

// The same for doubles: exact one way, rounded to nearest the other.
Extended80 doubleToExtended(double value);
double extendedToDouble(const Extended80& value);

} // namespace skv::stream
