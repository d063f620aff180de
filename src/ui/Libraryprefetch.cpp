#include "ui/Libraryprefetch.h"

#include <algorithm>
#include <exception>
#include <system_error>

namespace skv::ui {

TLibraryPrefetch::TLibraryPrefetch(std::vector<std::string> files) : Entries(files.size()) {
    for (std::size_t n = 0; n < files.size(); ++n) {
        Entries[n].file = std::move(files[n]);
        Entries[n].taken = Entries[n].items.get_future();
    }
    // Entries is never resized from here on, so the reader's references into it hold.
    try {
        Reader = std::async(std::launch::async, [this] {
            for (TEntry& entry : Entries) {
                if (entry.claimed.exchange(true)) continue; // taken before the reader came to it
                try {
                    entry.items.set_value(model::loadLibraryFile(entry.file));
                } catch (...) {
                    entry.items.set_exception(std::current_exception());
                }
            }
        });
    } catch (const std::system_error&) {
        Entries.clear(); // no thread to be had: each file is read when it is taken
    }
}

TLibraryPrefetch::~TLibraryPrefetch() {
    if (Reader.valid()) Reader.wait();
}

model::TCameraSetList TLibraryPrefetch::take(const std::string& file) {
    const auto found = std::find_if(Entries.begin(), Entries.end(),
                                    [&](const TEntry& e) { return e.file == file && e.taken.valid(); });
    if (found == Entries.end()) return model::loadLibraryFile(file);
    // One the reader has not begun is read here rather than waited for: on a busy machine the reader
    // may lag behind.
    if (!found->claimed.exchange(true)) {
        found->taken = {};
        return model::loadLibraryFile(file);
    }
    return found->taken.get();
}

} // namespace skv::ui
