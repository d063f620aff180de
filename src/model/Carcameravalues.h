// One camera as the games store it: nine little-endian 32-bit floats, 36 bytes.
// Six of them (216 bytes) make a car-camera block in a camera file and in the game's memory.
#pragma once

#include <array>
#include <cstddef>
#include <type_traits>

namespace skv::model {

struct CarCameraValues {
    float xPos = 0;
    float yPos = 0;
    float zPos = 0;
    float yaw = 0;       // radians
    float pitch = 0;     // radians
    float bank = 0;      // radians
    float zoomAngle = 0; // radians
    float unknown1 = 0;  // carried unchanged, never shown
    float unknown2 = 0;  // carried unchanged, never shown

    friend bool operator==(const CarCameraValues&, const CarCameraValues&) = default;
};

static_assert(std::is_standard_layout_v<CarCameraValues>);
static_assert(std::is_trivially_copyable_v<CarCameraValues>);
static_assert(sizeof(CarCameraValues) == 36);
static_assert(offsetof(CarCameraValues, xPos) == 0);
static_assert(offsetof(CarCameraValues, yPos) == 4);
static_assert(offsetof(CarCameraValues, zPos) == 8);
static_assert(offsetof(CarCameraValues, yaw) == 12);
static_assert(offsetof(CarCameraValues, pitch) == 16);
static_assert(offsetof(CarCameraValues, bank) == 20);
static_assert(offsetof(CarCameraValues, zoomAngle) == 24);
static_assert(offsetof(CarCameraValues, unknown1) == 28);
static_assert(offsetof(CarCameraValues, unknown2) == 32);

constexpr std::size_t kCamerasPerSet = 6;

// The six records of a camera file or of one car-camera block in the game, in record order.
using CarCameraBlock = std::array<CarCameraValues, kCamerasPerSet>;
static_assert(sizeof(CarCameraBlock) == 216);

// The nine values by index, in record order (xPos = 0 .. unknown2 = 8).
constexpr std::size_t kValuesPerCamera = 9;
inline constexpr std::array<float CarCameraValues::*, kValuesPerCamera> kValueMembers = {
    &CarCameraValues::xPos,      &CarCameraValues::yPos,     &CarCameraValues::zPos,
    &CarCameraValues::yaw,       &CarCameraValues::pitch,    &CarCameraValues::bank,
    &CarCameraValues::zoomAngle, &CarCameraValues::unknown1, &CarCameraValues::unknown2};
// The property names of the nine values, as the library file writes them.
inline constexpr std::array<const char*, kValuesPerCamera> kValueNames = {
    "xPos", "yPos", "zPos", "yaw", "pitch", "bank", "zoomAngle", "unknown1", "unknown2"};

inline float& valueAt(CarCameraValues& v, std::size_t i) {
    return v.*kValueMembers[i];
}
inline float valueAt(const CarCameraValues& v, std::size_t i) {
    return v.*kValueMembers[i];
}

} // namespace skv::model
