// The library file (".cmf"): the records of a page's items back to back, with no header or trailer.
#pragma once

#include "model/Atomicfile.h"
#include "model/Gplcarcameraset.h"

#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace skv::model {

using TCameraSetList = std::vector<std::unique_ptr<TGPLCarCameraSet>>;

// A library file that cannot be read: "<file>: offset N: <what is wrong>", or "<file>: <system error>"
// when it cannot be opened or read at all.
class LibraryFileError : public std::runtime_error {
public:
    LibraryFileError(const std::string& fileName, const std::string& message);
    const std::string& fileName() const { return fileName_; }

private:
    std::string fileName_;
};

// All items of a library held in memory, in file order; raises StreamError on malformed bytes.
TCameraSetList readLibrary(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> writeLibrary(std::span<const TGPLCarCameraSet* const> items);

// Reads the whole file; either every item is returned or LibraryFileError is raised.
TCameraSetList loadLibraryFile(const std::string& fileName);

// Replaces the file atomically (see writeFileAtomically); raises FileWriteError.
void saveLibraryFile(const std::string& fileName, std::span<const TGPLCarCameraSet* const> items,
                     const TRawWrite& rawWrite = {});
void saveLibraryFile(const std::string& fileName, const TCameraSetList& items,
                     const TRawWrite& rawWrite = {});

} // namespace skv::model
