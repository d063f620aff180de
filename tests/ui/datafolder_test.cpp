// Where the program looks for the files it ships: beside itself first, then the installed layout.
#include "model/Tempfolder.h"

#include "ui/Datafolder.h"

#include <gtest/gtest.h>

using skv::ui::findDataFolder;
namespace fs = std::filesystem;

TEST(DataFolder, BesideTheProgramThenInstalledThenTheProgramsOwn) {
    skv::test::TempFolder root;
    const fs::path bin = root.mkdir("usr/bin");
    const fs::path share = root.path() / "usr/share/skyvane";

    // Nothing shipped anywhere: the program's folder, so messages name the place it looked.
    EXPECT_EQ(findDataFolder(bin), bin);
    // A folder of that name is not enough: the default library marks the shipped files.
    root.mkdir("usr/share/skyvane/help");
    EXPECT_EQ(findDataFolder(bin), bin);
    root.write("usr/share/skyvane/default.cmf", "");
    EXPECT_EQ(findDataFolder(bin), share);
    // A build or a copied folder keeps them beside the program, which wins.
    root.write("usr/bin/default.cmf", "");
    EXPECT_EQ(findDataFolder(bin), bin);
    // A folder named like the library is not it.
    fs::remove(bin / "default.cmf");
    fs::create_directory(bin / "default.cmf");
    EXPECT_EQ(findDataFolder(bin), share);
}
