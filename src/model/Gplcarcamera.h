// One camera of a library item: the nine game values, a picture, a caption and an effect text.
#pragma once

#include "model/Carcameravalues.h"
#include "model/Jpegimage.h"

#include <memory>
#include <string>

namespace skv::model {

// The nine values are the CarCameraValues base, so one camera copies in and out of a record as a block.
class TGPLCarCamera : public CarCameraValues {
public:
    std::string Caption;
    std::string Effect; // effect script text; used on camera 0 of an effect item only

    TGPLCarCamera();
    ~TGPLCarCamera();
    TGPLCarCamera(const TGPLCarCamera&) = delete;

    // Copies the picture (deep), the nine values and the caption; the target keeps its own Effect.
    TGPLCarCamera& operator=(const TGPLCarCamera& other);

    CarCameraValues& values() { return *this; }
    const CarCameraValues& values() const { return *this; }

    // Seven lines joined by "\n": XPos, YPos, ZPos as stored, the four angles in degrees.
    std::string getInfo() const;

    void setImage(const TJPEGImage& image);
    void setImage(std::unique_ptr<TJPEGImage> image);
    TJPEGImage& getImage() { return *Image; }
    const TJPEGImage& getImage() const { return *Image; }
    void removeImage();

private:
    std::unique_ptr<TJPEGImage> Image; // never null; an empty image stands for no picture
};

} // namespace skv::model
