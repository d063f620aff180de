// Writes the reference camera files that Skyvane ships beside its executable: "brabham.cam" for the
// first game and "pacecar.cam" for the second. Any valid camera file serves; these hold a plausible
// camera layout of an open-wheel car and of a saloon car, positions in the games' metres and angles
// in radians. Usage: skv-make-reference-cams FOLDER
#include "model/Camfile.h"

#include <cstdio>
#include <exception>
#include <filesystem>

using namespace skv::model;

namespace {

struct CameraSpec {
    float x, y, z, yaw, pitch, bank, zoom;
};

// Slots 0..5: roll bar / roof, nose / front, gearbox / rear, front and rear suspension, and the
// stored sixth camera.
constexpr CameraSpec kOpenWheelCar[kCamerasPerSet] = {
    {0.00f, -0.35f, 0.95f, 0.0f, -0.06f, 0.0f, 1.05f},     {0.00f, 1.70f, 0.42f, 0.0f, -0.02f, 0.0f, 1.20f},
    {0.00f, -1.85f, 0.55f, 3.14159f, -0.04f, 0.0f, 1.10f}, {0.48f, 1.15f, 0.30f, 0.0f, 0.0f, 0.0f, 1.15f},
    {-0.50f, -1.25f, 0.34f, 0.0f, 0.0f, 0.0f, 1.15f},      {0.00f, 0.25f, 1.25f, 0.0f, -0.12f, 0.0f, 0.95f},
};

constexpr CameraSpec kSaloonCar[kCamerasPerSet] = {
    {0.00f, 0.10f, 1.45f, 0.0f, -0.08f, 0.0f, 1.00f},      {0.00f, 2.45f, 0.65f, 0.0f, -0.03f, 0.0f, 1.15f},
    {0.00f, -2.55f, 0.80f, 3.14159f, -0.05f, 0.0f, 1.10f}, {0.95f, 0.60f, 0.55f, 0.0f, 0.0f, 0.0f, 1.20f},
    {-0.95f, 0.60f, 0.55f, 0.0f, 0.0f, 0.0f, 1.20f},       {0.00f, -0.40f, 1.60f, 0.0f, -0.15f, 0.0f, 0.90f},
};

void fill(TGPLCarCameraSet& set, const CameraSpec (&specs)[kCamerasPerSet]) {
    for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot) {
        const CameraSpec& s = specs[slot];
        CarCameraValues& v = set.camera(slot).values();
        v = CarCameraValues{s.x, s.y, s.z, s.yaw, s.pitch, s.bank, s.zoom, 0.0f, 0.0f};
    }
}

void write(const std::filesystem::path& file, const CameraSpec (&specs)[kCamerasPerSet]) {
    TGPLCarCameraSet set;
    fill(set, specs);
    TCamFileBuffer buffer; // a fresh buffer: header word 0
    buffer.exportCamFile(set, file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skv-make-reference-cams FOLDER\n");
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        write(folder / "brabham.cam", kOpenWheelCar);
        write(folder / "pacecar.cam", kSaloonCar);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skv-make-reference-cams: %s\n", e.what());
        return 1;
    }
    return 0;
}
