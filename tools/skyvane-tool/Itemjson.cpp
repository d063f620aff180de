#include "Itemjson.h"

namespace skv::tool {

namespace {

using namespace skv::model;

void writeCameraJson(JsonWriter& json, const TGPLCarCamera& camera) {
    json.beginObject();
    json.key("caption").string(camera.Caption);
    json.key("effect").string(camera.Effect);
    json.key("values").beginArray(true);
    for (std::size_t i = 0; i < kValuesPerCamera; ++i)
        json.number(valueAt(camera.values(), i));
    json.endArray();
    json.key("imageBytes").integer(static_cast<long long>(camera.getImage().bytes().size()));
    json.endObject();
}

} // namespace

void writeItemJson(JsonWriter& json, const TGPLCarCameraSet& set) {
    json.beginObject();
    json.key("caption").string(set.Caption);
    json.key("type").string(set.isEffect() ? "CstRollBarCam" : "CstCarCamSet");
    json.key("version").integer(set.Version);
    json.key("comment").string(set.Comment);
    json.key("activationKey").integer(set.ActivationKey);
    json.key("selectedCamera").integer(set.SelectedCamera);
    json.key("cameras").beginArray();
    for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot)
        writeCameraJson(json, set.camera(slot));
    json.endArray();
    json.endObject();
}

} // namespace skv::tool
