// One item record as the clipboard carries it: reading either builds an item or raises a stream error
// within the data, and the item's own record reads back to the same item.
#include "Fuzzcheck.h"
#include "Sameitem.h"

#include "model/Camerasetstream.h"

#include <cstddef>
#include <cstdint>

using namespace skv::model;
using namespace skv::stream;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<TGPLCarCameraSet> item;
    TStreamReader reader({data, size});
    try {
        item = readCameraSet(reader);
    } catch (const StreamError& e) {
        FUZZ_CHECK(e.offset() <= size);
        return 0;
    }
    FUZZ_CHECK(reader.position() <= size);

    std::vector<std::uint8_t> record;
    TStreamWriter writer(record);
    writeCameraSet(writer, *item);
    TStreamReader back(record);
    const auto again = readCameraSet(back);
    FUZZ_CHECK(back.atEnd());
    FUZZ_CHECK(skv::fuzz::sameItem(*item, *again));
    return 0;
}
