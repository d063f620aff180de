// The library files a start reopens, read on a thread of their own while the windows are built, so
// that reading the files and making the widgets overlap on a machine with more than one core.
#pragma once

#include "model/Libraryfile.h"

#include <atomic>
#include <future>
#include <string>
#include <vector>

namespace skv::ui {

class TLibraryPrefetch {
public:
    // Starts reading the files, one after the other in their order.
    explicit TLibraryPrefetch(std::vector<std::string> files);
    // Waits for the file being read; the files read and never taken are dropped.
    ~TLibraryPrefetch();
    TLibraryPrefetch(const TLibraryPrefetch&) = delete;
    TLibraryPrefetch& operator=(const TLibraryPrefetch&) = delete;

    // The file's items as model::loadLibraryFile gives them, its exception included: waiting for the
    // reader if it has begun the file, else reading it here. A file given n times can be taken n
    // times; one not given (or taken up) is read now.
    model::TCameraSetList take(const std::string& file);

private:
    struct TEntry {
        std::string file;
        std::atomic<bool> claimed{false}; // by the reader, or by a take() that came first
        std::promise<model::TCameraSetList> items;
        std::future<model::TCameraSetList> taken;
    };
    std::vector<TEntry> Entries;
    std::future<void> Reader;
};

} // namespace skv::ui
