// One item record as the clipboard carries it: reading either builds an item or raises a stream error
// within the data (also for bytes after the record), and the item's own record reads back to the same item.
#include "Fuzzcheck.h"
#include "Sameitem.h"

#include "model/Camerasetstream.h"

#include <cstddef>
#include <cstdint>

using namespace skv::model;
using namespace skv::stream;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<TGPLCarCameraSet> item;
    try {
        item = readSingleCameraSet({data, size});
    } catch (const StreamError& e) {
        FUZZ_CHECK(e.offset() <= size);
        return 0;
    }

    const std::vector<std::uint8_t> record = cameraSetRecord(*item);
    const auto again = readSingleCameraSet(record);
    FUZZ_CHECK(skv::fuzz::sameItem(*item, *again));
    return 0;
}
