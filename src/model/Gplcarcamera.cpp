#include "model/Gplcarcamera.h"

#include "model/Numberformat.h"

namespace skv::model {

TGPLCarCamera::TGPLCarCamera() : Image(std::make_unique<TJPEGImage>()) {}

TGPLCarCamera::~TGPLCarCamera() = default;

TGPLCarCamera& TGPLCarCamera::operator=(const TGPLCarCamera& other) {
    if (this == &other) return *this;
    *Image = *other.Image;
    values() = other.values();
    Caption = other.Caption;
    return *this;
}

std::string TGPLCarCamera::getInfo() const {
    std::string info;
    info += "XPos=" + formatCameraValue(xPos) + "\n";
    info += "YPos=" + formatCameraValue(yPos) + "\n";
    info += "ZPos=" + formatCameraValue(zPos) + "\n";
    info += "Yaw=" + formatCameraValue(yaw * kDegreesPerRadian) + "\n";
    info += "Pitch=" + formatCameraValue(pitch * kDegreesPerRadian) + "\n";
    info += "Bank=" + formatCameraValue(bank * kDegreesPerRadian) + "\n";
    info += "ZoomAngle=" + formatCameraValue(zoomAngle * kDegreesPerRadian);
    return info;
}

void TGPLCarCamera::setImage(const TJPEGImage& image) {
    *Image = image;
}

void TGPLCarCamera::setImage(std::unique_ptr<TJPEGImage> image) {
    Image = image ? std::move(image) : std::make_unique<TJPEGImage>();
}

void TGPLCarCamera::removeImage() {
    Image = std::make_unique<TJPEGImage>();
}

} // namespace skv::model
