#include "model/Gplcarcameraset.h"

#include <stdexcept>

namespace skv::model {

namespace {

constexpr std::array<TGPLCarCamera TGPLCarCameraSet::*, kCamerasPerSet> kSlotMembers = {
    &TGPLCarCameraSet::Camera0, &TGPLCarCameraSet::Camera1, &TGPLCarCameraSet::Camera2,
    &TGPLCarCameraSet::Camera3, &TGPLCarCameraSet::Camera4, &TGPLCarCameraSet::Camera5};

} // namespace

const char* cameraSetTypeCaption(eCameraSetType type) {
    return type == eCameraSetType::CstRollBarCam ? "Effect" : "Car Camera Set";
}

TGPLCarCamera& TGPLCarCameraSet::camera(std::size_t slot) {
    if (slot >= kCamerasPerSet) throw std::out_of_range("camera slot out of range");
    return this->*kSlotMembers[slot];
}

const TGPLCarCamera& TGPLCarCameraSet::camera(std::size_t slot) const {
    if (slot >= kCamerasPerSet) throw std::out_of_range("camera slot out of range");
    return this->*kSlotMembers[slot];
}

void TGPLCarCameraSet::setValues(const CarCameraBlock& values) {
    const std::size_t slots = isEffect() ? 1 : kCamerasPerSet;
    for (std::size_t slot = 0; slot < slots; ++slot)
        camera(slot).values() = values[static_cast<std::size_t>(kRecordOfSlot[slot])];
}

void TGPLCarCameraSet::getValues(CarCameraBlock& values) const {
    const std::size_t slots = isEffect() ? 1 : kCamerasPerSet;
    for (std::size_t slot = 0; slot < slots; ++slot)
        values[static_cast<std::size_t>(kRecordOfSlot[slot])] = camera(slot).values();
}

} // namespace skv::model
