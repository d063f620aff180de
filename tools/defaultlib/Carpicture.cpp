#include "Carpicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace skv::defaultlib {

namespace {

struct Vec {
    double x = 0, y = 0, z = 0;
};
Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator*(double s, Vec a) {
    return {s * a.x, s * a.y, s * a.z};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Colour {
    double r = 0, g = 0, b = 0;
};
Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour scaled(Colour c, double s) {
    return {c.r * s, c.g * s, c.b * s};
}

constexpr Colour kSkyHigh{70, 120, 215};
constexpr Colour kSkyLow{185, 210, 240};
constexpr Colour kHaze{200, 212, 225};
constexpr Colour kAsphalt{92, 94, 100};
constexpr Colour kLine{235, 235, 235};
constexpr Colour kKerbRed{200, 40, 35};
constexpr Colour kGrass{60, 140, 55};
constexpr Colour kTyre{48, 48, 52};

struct Box {
    Vec lo, hi;
    Colour colour;
};

// One car as boxes around its own origin: body, nose, engine cover, driver's helmet, roll bar and
// four wheels, in the proportions of an open-wheel racing car of about four metres. The parts are
// given as (right, forward, up), easier to read, and turned into the car's frame as they are added.
void addCar(std::vector<Box>& boxes, Vec at, Colour paint) {
    const auto add = [&](Vec lo, Vec hi, Colour c) {
        boxes.push_back({at + Vec{lo.y, -hi.x, lo.z}, at + Vec{hi.y, -lo.x, hi.z}, c});
    };
    add({-0.36, -1.85, 0.12}, {0.36, 1.55, 0.52}, paint);               // body
    add({-0.24, 1.55, 0.14}, {0.24, 2.15, 0.40}, paint);                // nose
    add({-0.30, -1.60, 0.52}, {0.30, -0.70, 0.66}, scaled(paint, 0.8)); // engine cover
    add({-0.13, -0.32, 0.58}, {0.13, -0.06, 0.84}, {240, 200, 40});     // helmet
    add({-0.12, -0.62, 0.52}, {0.12, -0.56, 0.92}, {170, 170, 175});    // roll bar
    for (double side : {-1.0, 1.0}) {
        add({side * 0.62 - 0.10, 0.95, 0.0}, {side * 0.62 + 0.10, 1.55, 0.58}, kTyre);   // front wheel
        add({side * 0.66 - 0.15, -1.50, 0.0}, {side * 0.66 + 0.15, -0.88, 0.62}, kTyre); // rear wheel
    }
}

const std::vector<Box>& scene() {
    static const std::vector<Box> boxes = [] {
        std::vector<Box> b;
        addCar(b, {0, 0, 0}, {200, 30, 30});      // the camera's own car
        addCar(b, {14, 1.8, 0}, {30, 70, 190});   // the car ahead, a little to the left
        addCar(b, {-13, -2.0, 0}, {40, 150, 90}); // the car behind, a little to the right
        return b;
    }();
    return boxes;
}

// Where the ray first enters the box, and the normal of the face it enters through; nothing when it
// misses or when it starts inside (a camera inside a part sees out of it).
struct Hit {
    double t;
    Vec normal;
};
std::optional<Hit> enter(const Box& box, Vec from, Vec dir) {
    double tNear = -std::numeric_limits<double>::infinity();
    double tFar = std::numeric_limits<double>::infinity();
    Vec normal;
    const double o[3] = {from.x, from.y, from.z}, d[3] = {dir.x, dir.y, dir.z};
    const double lo[3] = {box.lo.x, box.lo.y, box.lo.z}, hi[3] = {box.hi.x, box.hi.y, box.hi.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (std::abs(d[axis]) < 1e-12) {
            if (o[axis] < lo[axis] || o[axis] > hi[axis]) return std::nullopt;
            continue;
        }
        double t0 = (lo[axis] - o[axis]) / d[axis], t1 = (hi[axis] - o[axis]) / d[axis];
        const double sign = t0 < t1 ? -1.0 : 1.0;
        if (t0 > t1) std::swap(t0, t1);
        if (t0 > tNear) {
            tNear = t0;
            normal = {axis == 0 ? sign : 0, axis == 1 ? sign : 0, axis == 2 ? sign : 0};
        }
        tFar = std::min(tFar, t1);
        if (tNear > tFar) return std::nullopt;
    }
    if (tNear <= 1e-6) return std::nullopt;
    return Hit{tNear, normal};
}

// The track: asphalt 12 m wide with white edge lines, red and white kerbs, grass beyond.
Colour ground(Vec p) {
    const double side = std::abs(p.y);
    if (side < 5.85) return kAsphalt;
    if (side < 6.0) return kLine;
    if (side < 6.9) return static_cast<long>(std::floor(p.x / 1.5)) % 2 == 0 ? kKerbRed : kLine;
    const bool stripe = static_cast<long>(std::floor(p.x / 10.0)) % 2 == 0;
    return stripe ? kGrass : scaled(kGrass, 0.88);
}

Colour trace(Vec from, Vec dir) {
    constexpr double kVisibility = 400.0; // metres, beyond which everything fades into haze
    const Vec light{-0.4, 0.3, 0.87};
    std::optional<Hit> nearest;
    const Box* hitBox = nullptr;
    for (const Box& box : scene()) {
        const auto hit = enter(box, from, dir);
        if (hit && (!nearest || hit->t < nearest->t)) {
            nearest = hit;
            hitBox = &box;
        }
    }
    const double length = std::sqrt(dot(dir, dir));
    const double tGround = dir.z < 0 ? -from.z / dir.z : std::numeric_limits<double>::infinity();
    Colour colour;
    double distance;
    if (hitBox && nearest->t < tGround) {
        colour = scaled(hitBox->colour, 0.55 + 0.45 * std::max(0.0, dot(nearest->normal, light)));
        distance = nearest->t * length;
    } else if (from.z > 0 && std::isfinite(tGround)) {
        colour = ground(from + tGround * dir);
        distance = tGround * length;
    } else {
        const double up = std::clamp(dir.z / length, 0.0, 1.0);
        return mix(kSkyLow, kSkyHigh, std::sqrt(up));
    }
    return mix(colour, kHaze, std::min(1.0, distance / kVisibility));
}

std::uint8_t channel(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

model::RgbImage renderCameraView(const model::CarCameraValues& camera, int width, int height) {
    const double yaw = camera.yaw, pitch = camera.pitch, bank = camera.bank;
    const Vec forward{std::cos(yaw) * std::cos(pitch), std::sin(yaw) * std::cos(pitch), std::sin(pitch)};
    const Vec level{std::sin(yaw), -std::cos(yaw), 0}; // the picture's right, before banking
    const Vec upright = cross(level, forward);
    const Vec right = std::cos(bank) * level - std::sin(bank) * upright;
    const Vec up = std::sin(bank) * level + std::cos(bank) * upright;
    // A zoom angle outside a usable range still gives a picture rather than a blank.
    const double fov = std::clamp(static_cast<double>(camera.zoomAngle), 0.05, 3.0);
    const double halfWidth = std::tan(fov / 2), halfHeight = halfWidth * height / width;
    const Vec eye{camera.xPos, camera.yPos, camera.zPos};

    model::RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    constexpr int kSamples = 2; // per axis, to smooth the edges
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            Colour sum;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double u = (2.0 * (px + (sx + 0.5) / kSamples) / width - 1.0) * halfWidth;
                    const double v = (1.0 - 2.0 * (py + (sy + 0.5) / kSamples) / height) * halfHeight;
                    const Colour c = trace(eye, forward + u * right + v * up);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(py) * width + px) * 3];
            const Colour c = scaled(sum, 1.0 / (kSamples * kSamples));
            p[0] = channel(c.r);
            p[1] = channel(c.g);
            p[2] = channel(c.b);
        }
    return image;
}

model::TJPEGImage drawCameraPicture(const model::CarCameraValues& camera) {
    return model::TJPEGImage::encode(renderCameraView(camera, 192, 144), 85);
}

} // namespace skv::defaultlib
