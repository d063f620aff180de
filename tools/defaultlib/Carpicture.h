// The picture of a car camera drawn from its own values: a box model of an open-wheel car on a
// straight track strip, seen through a pinhole camera at the camera's position and angles, with its
// zoom angle as the horizontal field of view. Two more cars, one ahead and one behind, tell a camera
// that looks forward from one that looks back.
#pragma once

#include "model/Carcameravalues.h"
#include "model/Jpegimage.h"

namespace skv::defaultlib {

// The car's frame: x forward, y to the left, z up, lengths in metres, the origin on the ground under
// the middle of the car. Yaw 0 looks forward and turns the view to the left as it grows, so a camera
// looks along (cos yaw, sin yaw), the way direct control's mouse motion moves it; pitch above 0 looks
// up; bank above 0 rolls the camera to the right, so the horizon tilts the other way.
model::RgbImage renderCameraView(const model::CarCameraValues& camera, int width, int height);

// The same at the size the library's views show, encoded as a JPEG.
model::TJPEGImage drawCameraPicture(const model::CarCameraValues& camera);

} // namespace skv::defaultlib
