// The data files shipped in data/: made by their generators and copied beside the executables by the
// build; and the reference camera files among them are valid camera files.
#include "model/Camfile.h"

#include "../model/Tempfolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

using namespace skv::model;
namespace fs = std::filesystem;
using skv::test::readFile;

namespace {

const fs::path kSourceData = SKV_DATA_DIR;
const char* const kReferenceFiles[] = {"brabham.cam", "pacecar.cam"};

} // namespace

// Each data file shipped is what its generator writes, and the build copied it beside the executables.
TEST(ShippedData, IsWhatTheGeneratorsWriteAndLiesBesideTheExecutables) {
    const struct {
        const char* generator;
        bool intoFolder; // else into the file
        std::vector<const char*> files;
    } cases[] = {{"skv-make-default-library", false, {"default.cmf"}},
                 {"skv-make-reference-cams", true, {"brabham.cam", "pacecar.cam"}}};
    for (const auto& c : cases) {
        skv::test::TempFolder tmp;
        const fs::path target = c.intoFolder ? tmp.path() : tmp.path() / c.files[0];
        const std::string cmd =
            std::string(SKV_RUNTIME_DIR) + "/" + c.generator + " '" + target.string() + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        for (const char* name : c.files) {
            EXPECT_TRUE(readFile(tmp.path() / name) == readFile(kSourceData / name))
                << "data/" << name << " is out of date: build the target of " << c.generator;
            EXPECT_TRUE(readFile(fs::path(SKV_RUNTIME_DIR) / name) == readFile(kSourceData / name))
                << name << " was not copied beside the executables";
        }
    }
}

TEST(ReferenceCams, ValidCameraFilesWithPlausibleValues) {
    for (const char* name : kReferenceFiles) {
        const std::string bytes = readFile(kSourceData / name);
        ASSERT_EQ(bytes.size(), kCamFileSize) << name;
        EXPECT_EQ(bytes.substr(0, 4), "MACC");
        EXPECT_EQ(bytes.substr(8, 4), std::string("\xD8\0\0\0", 4));

        TCamFileBuffer buffer;
        TGPLCarCameraSet set;
        buffer.importCamFile(set, kSourceData / name);
        for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot) {
            const CarCameraValues& v = set.camera(slot).values();
            for (std::size_t i = 0; i < kValuesPerCamera; ++i)
                EXPECT_TRUE(std::isfinite(valueAt(v, i)));
            EXPECT_LT(std::hypot(v.xPos, v.yPos, v.zPos), 5.0f) << name << " slot " << slot;
            EXPECT_GT(v.zoomAngle, 0.3f);
            EXPECT_LT(v.zoomAngle, 2.0f);
        }
    }
}
