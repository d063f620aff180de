// A library item: a car camera set (six cameras) or an effect item (camera 0 and its script).
#pragma once

#include "model/Gplcarcamera.h"

#include <array>
#include <cstdint>
#include <string>

namespace skv::model {

enum class eCameraSetType : std::uint8_t {
    CstCarCamSet = 0,  // "Car Camera Set"; also the tree icon index
    CstRollBarCam = 1, // "Effect"
};

// The user-facing name of an item kind: "Car Camera Set" or "Effect".
const char* cameraSetTypeCaption(eCameraSetType type);

// Slot n of a set is record kRecordOfSlot[n] of a camera file (and of a car-camera block in the game).
inline constexpr std::array<int, kCamerasPerSet> kRecordOfSlot = {3, 0, 1, 4, 5, 2};

// View titles of the slots that views show (slot 5 is stored but never shown).
inline constexpr std::array<const char*, 5> kGplSlotTitles = {"Roll Bar", "Nose", "Gearbox",
                                                              "Front Suspension", "Rear Suspension"};
inline constexpr std::array<const char*, 5> kNr2003SlotTitles = {"Roof", "Front", "Rear", "Right", "Left"};

class TGPLCarCameraSet {
public:
    std::string Name; // component name of the record header; empty for items the program makes
    eCameraSetType Type = eCameraSetType::CstCarCamSet;
    std::int32_t Version = 1;
    std::string Caption;
    std::string Comment;
    std::uint16_t ActivationKey = 0; // shortcut: low byte virtual key, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt
    TGPLCarCamera Camera0, Camera1, Camera2, Camera3, Camera4, Camera5;
    std::int32_t SelectedCamera = 0; // clipboard marker: -1 whole item, 0..4 one camera

    TGPLCarCameraSet() = default;
    TGPLCarCameraSet(const TGPLCarCameraSet&) = delete;
    TGPLCarCameraSet& operator=(const TGPLCarCameraSet&) = delete;

    // Camera of slot n (0..5).
    TGPLCarCamera& camera(std::size_t slot);
    const TGPLCarCamera& camera(std::size_t slot) const;

    // From the six records of a camera file: Camera0 always takes record 3; only a car camera set
    // fills Camera1..Camera5 (records 0, 1, 4, 5, 2).
    void setValues(const CarCameraBlock& values);
    // The inverse; an effect item fills record 3 only and leaves the caller's other records alone.
    void getValues(CarCameraBlock& values) const;

    void setEffect(const std::string& text) { Camera0.Effect = text; }
    const std::string& effect() const { return Camera0.Effect; }

    bool isEffect() const { return Type == eCameraSetType::CstRollBarCam; }
};

} // namespace skv::model
