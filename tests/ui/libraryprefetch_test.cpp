// The files a start reopens, read ahead: each taken as the library reader gives it, a file listed twice
// taken twice, and a file that cannot be read failing where it is taken, as a direct read would.
#include "model/Tempfolder.h"

#include "model/Libraryfile.h"
#include "ui/Libraryprefetch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace skv;
using skv::test::TempFolder;

namespace {

std::string library(const TempFolder& folder, const std::string& name, std::vector<std::string> captions) {
    model::TCameraSetList items;
    for (const std::string& caption : captions) {
        auto item = std::make_unique<model::TGPLCarCameraSet>();
        item->Caption = caption;
        items.push_back(std::move(item));
    }
    const std::string file = (folder.path() / name).string();
    model::saveLibraryFile(file, items);
    return file;
}

std::vector<std::string> captions(const model::TCameraSetList& items) {
    std::vector<std::string> found;
    for (const auto& item : items)
        found.push_back(item->Caption);
    return found;
}

} // namespace

TEST(LibraryPrefetch, GivesEachFileAsTheReaderDoesInAnyOrderTaken) {
    TempFolder folder;
    const std::string a = library(folder, "a.cmf", {"A1", "A2"});
    const std::string b = library(folder, "b.cmf", {"B1"});
    const std::string other = library(folder, "other.cmf", {"O1"});
    ui::TLibraryPrefetch prefetch({a, b, a});
    EXPECT_EQ(captions(prefetch.take(b)), (std::vector<std::string>{"B1"}));
    // Listed twice: two lists of items of their own, and a third take reads the file again.
    model::TCameraSetList first = prefetch.take(a);
    model::TCameraSetList second = prefetch.take(a);
    EXPECT_EQ(captions(first), (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(captions(second), captions(first));
    EXPECT_NE(first.front().get(), second.front().get());
    EXPECT_EQ(captions(prefetch.take(a)), captions(first));
    EXPECT_EQ(captions(prefetch.take(other)), (std::vector<std::string>{"O1"}));
}

TEST(LibraryPrefetch, AFileThatCannotBeReadFailsWhereItIsTaken) {
    TempFolder folder;
    const std::string missing = (folder.path() / "gone.cmf").string();
    const std::string garbled = folder.write("garbled.cmf", std::string("\x07not a library", 14)).string();
    const std::string good = library(folder, "good.cmf", {"G"});
    // The second good one is never taken: it is dropped when the prefetch goes.
    ui::TLibraryPrefetch prefetch({missing, garbled, good, good});
    EXPECT_THROW(prefetch.take(missing), model::LibraryFileError);
    EXPECT_THROW(prefetch.take(garbled), model::LibraryFileError);
    EXPECT_EQ(captions(prefetch.take(good)), (std::vector<std::string>{"G"}));
}
