// Library files from anywhere: reading either gives items or raises a stream error, and the items
// read are written back to bytes that read again to the same items and write again to the same bytes.
#include "Fuzzcheck.h"
#include "Sameitem.h"

#include "model/Libraryfile.h"
#include "stream/Componentstream.h"

#include <cstddef>
#include <cstdint>

using namespace skv::model;
using namespace skv::stream;

namespace {

std::vector<const TGPLCarCameraSet*> pointersOf(const TCameraSetList& items) {
    std::vector<const TGPLCarCameraSet*> out;
    for (const auto& item : items)
        out.push_back(item.get());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TCameraSetList items;
    try {
        items = readLibrary({data, size});
    } catch (const StreamError& e) {
        FUZZ_CHECK(e.offset() <= size);
        return 0;
    }
    const std::vector<std::uint8_t> written = writeLibrary(pointersOf(items));
    const TCameraSetList again = readLibrary(written); // anything but items is a fault of the writer
    FUZZ_CHECK(again.size() == items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        FUZZ_CHECK(skv::fuzz::sameItem(*items[i], *again[i]));
    FUZZ_CHECK(writeLibrary(pointersOf(again)) == written);
    return 0;
}
