// A library item as one component-stream record: the entries a set writes, and the reader that
// builds a set from a record in any property order. Used by the library file and the clipboard.
#pragma once

#include "model/Gplcarcameraset.h"
#include "stream/Componentstream.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace skv::model {

inline constexpr std::string_view kCameraSetClassName = "TGPLCarCameraSet";

// Appends the record of one item: only the properties that differ from their defaults, in the fixed order.
void writeCameraSet(stream::TStreamWriter& writer, const TGPLCarCameraSet& set);

// Reads one record and builds a fresh item from it; raises StreamError (with the offset) on an unknown
// class, an unknown property path, a value of the wrong type or out of range, or a record cut short.
std::unique_ptr<TGPLCarCameraSet> readCameraSet(stream::TStreamReader& reader);

// The clipboard's form of an item: exactly one record. Reading refuses anything after the record as
// well, raising StreamError, so that no other data is ever taken for an item.
std::vector<std::uint8_t> cameraSetRecord(const TGPLCarCameraSet& set);
std::unique_ptr<TGPLCarCameraSet> readSingleCameraSet(std::span<const std::uint8_t> bytes);

} // namespace skv::model
