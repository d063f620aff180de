// The comparison of library items that a write and a read must preserve, for the fuzz targets.
#pragma once

#include "model/Gplcarcameraset.h"

#include <bit>
#include <cstdint>

namespace skv::fuzz {

// Two floats hold the same camera value: the same bits (a NaN keeps its payload), except that 0 and -0
// count as one, as the writer treats them.
inline bool sameValue(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) || (a == 0 && b == 0);
}

inline bool sameCamera(const model::TGPLCarCamera& a, const model::TGPLCarCamera& b) {
    for (std::size_t i = 0; i < model::kValuesPerCamera; ++i)
        if (!sameValue(model::valueAt(a.values(), i), model::valueAt(b.values(), i))) return false;
    return a.Caption == b.Caption && a.Effect == b.Effect && a.getImage().bytes() == b.getImage().bytes();
}

inline bool sameItem(const model::TGPLCarCameraSet& a, const model::TGPLCarCameraSet& b) {
    if (a.Name != b.Name || a.Type != b.Type || a.Version != b.Version || a.Caption != b.Caption ||
        a.Comment != b.Comment || a.ActivationKey != b.ActivationKey || a.SelectedCamera != b.SelectedCamera)
        return false;
    for (std::size_t slot = 0; slot < model::kCamerasPerSet; ++slot)
        if (!sameCamera(a.camera(slot), b.camera(slot))) return false;
    return true;
}

} // namespace skv::fuzz
