#include "Itemjson.h"

#include "ui/Shortcuttext.h"

namespace skv::tool {

namespace {

using namespace skv::model;

void writeCameraJson(JsonWriter& json, const TGPLCarCamera& camera, std::size_t index, std::size_t slot,
                     const TPictureNamer& namePicture) {
    json.beginObject();
    json.key("caption").string(camera.Caption);
    json.key("effect").string(camera.Effect);
    json.key("values").beginObject(true);
    for (std::size_t i = 0; i < kValuesPerCamera; ++i)
        json.key(kValueNames[i]).number(valueAt(camera.values(), i));
    json.endObject();
    const TJPEGImage& picture = camera.getImage();
    json.key("pictureBytes").integer(static_cast<long long>(picture.bytes().size()));
    if (namePicture && !picture.empty()) json.key("picture").utf8String(namePicture(index, slot, picture));
    json.endObject();
}

} // namespace

void writeItemJson(JsonWriter& json, const TGPLCarCameraSet& set, std::size_t index,
                   const TPictureNamer& namePicture) {
    json.beginObject();
    json.key("type").string(set.isEffect() ? "CstRollBarCam" : "CstCarCamSet");
    if (!set.Name.empty()) json.key("name").string(set.Name);
    json.key("caption").string(set.Caption);
    json.key("version").integer(set.Version);
    json.key("comment").string(set.Comment);
    json.key("activationKey").integer(set.ActivationKey);
    json.key("activationKeyText").utf8String(ui::shortcutText(set.ActivationKey));
    json.key("selectedCamera").integer(set.SelectedCamera);
    json.key("cameras").beginArray();
    for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot)
        writeCameraJson(json, set.camera(slot), index, slot, namePicture);
    json.endArray();
    json.endObject();
}

} // namespace skv::tool
