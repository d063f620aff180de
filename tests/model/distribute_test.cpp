#include "model/Distribute.h"
#include "model/Fileerror.h"

#include "Tempfolder.h"

#include <gtest/gtest.h>

using namespace skv::model;
namespace fs = std::filesystem;
using skv::test::readFile;

namespace {

// Answers as scripted and records what it was told.
class ScriptedQuestions : public IDistributionQuestions {
public:
    std::string pathAfterPreferences;
    bool answerYes = true;
    std::vector<std::string> messages, questions;

    std::string folderNotFound(const std::string& message) override {
        messages.push_back(message);
        return pathAfterPreferences;
    }
    bool confirm(const std::string& question) override {
        questions.push_back(question);
        return answerYes;
    }
};

const char* const kGplCarFolders[] = {"Lotus", "ferrari", "EAGLE", "brabham", "Coventry", "brm", "MURASAMA"};

class Distribution : public ::testing::Test {
protected:
    skv::test::TempFolder tmp;
    fs::path prefix = tmp.mkdir("wine");
    fs::path gplCars = tmp.mkdir("wine/drive_c/SIERRA/gpl/Cars/cars67");
    fs::path nrCup = tmp.mkdir("wine/drive_c/Papyrus/NASCAR Racing 2003 Season/SERIES/Cup");
    TGamePaths paths{[this](const std::string& name) -> std::optional<std::string> {
        if (name == "WINEPREFIX") return prefix.string();
        return std::nullopt;
    }};
    TCamFileBuffer buffer;
    ScriptedQuestions answers;
    TCamSetDistribution distribution{buffer, paths, answers};
    TGPLCarCameraSet set;

    static constexpr const char* kGplPath = "C:\\Sierra\\gpl\\gpl.exe";
    static constexpr const char* kNrPath = "C:\\Papyrus\\NASCAR Racing 2003 Season\\nr2003.exe";

    void SetUp() override {
        if (fs::path::preferred_separator == '\\')
            GTEST_SKIP() << "the installation is made in a Wine prefix";
        for (const char* car : kGplCarFolders)
            fs::create_directory(gplCars / car);
        set.Camera0.zPos = 1.25f;
        set.Camera3.yaw = -0.5f;
    }

    std::string expectedBytes() {
        TCamFileBuffer fresh;
        fresh.exportCamFile(set, tmp.path() / "expected.cam");
        return readFile(tmp.path() / "expected.cam");
    }
};

} // namespace

TEST_F(Distribution, GplWritesCheckedCarsInTableOrderIntoTheirFolders) {
    TDistributionChecks checks = kAllTargetsChecked;
    const auto result = distribution.distribute(set, eGame::gGPL, kGplPath, checks);

    const std::vector<fs::path> expected = {
        gplCars / "Lotus/lotus.cam",      gplCars / "ferrari/ferrari.cam",   gplCars / "EAGLE/eagle.cam",
        gplCars / "brabham/brabham.cam",  gplCars / "Coventry/coventry.cam", gplCars / "brm/brm.cam",
        gplCars / "MURASAMA/murasama.cam"};
    EXPECT_EQ(result.outcome, TDistributionResult::eOutcome::doWritten);
    EXPECT_EQ(result.written, expected);
    for (const auto& file : expected)
        EXPECT_EQ(readFile(file), expectedBytes()) << file;
    EXPECT_TRUE(answers.messages.empty());
    EXPECT_EQ(
        answers.questions,
        std::vector<std::string>{
            "The *.cam files of each selected car will be overwritten in the cars67 of GPL, continue?"});
    EXPECT_FALSE(fs::exists(nrCup / "make_a.cam"));
}

TEST_F(Distribution, ExistingCameraFileIsOverwrittenUnderItsOwnSpelling) {
    tmp.write("wine/drive_c/SIERRA/gpl/Cars/cars67/Coventry/COVENTRY.CAM", "old");
    TDistributionChecks checks{};
    checks[4] = true; // Cooper
    const auto result = distribution.distribute(set, eGame::gGPL, kGplPath, checks);
    ASSERT_EQ(result.written, std::vector<fs::path>{gplCars / "Coventry/COVENTRY.CAM"});
    EXPECT_EQ(readFile(gplCars / "Coventry/COVENTRY.CAM"), expectedBytes());
    EXPECT_FALSE(fs::exists(gplCars / "Coventry/coventry.cam"));
}

TEST_F(Distribution, Nr2003RowsWrittenWithEveryGplBoxCleared) {
    TDistributionChecks checks{};
    checks[7] = checks[8] = true;
    const auto result = distribution.distribute(set, eGame::gNR2003, kNrPath, checks);
    EXPECT_EQ(result.written, (std::vector<fs::path>{nrCup / "make_a.cam", nrCup / "pacecar.cam"}));
    EXPECT_EQ(readFile(nrCup / "pacecar.cam"), expectedBytes());
    EXPECT_EQ(
        answers.questions.at(0),
        "The *.cam files of each selected car will be overwritten in the seriescup of NR2003, continue?");

    // The other game's boxes are ignored both ways.
    checks = {true, true, true, true, true, true, true, false, false};
    EXPECT_TRUE(distribution.distribute(set, eGame::gNR2003, kNrPath, checks).written.empty());
    checks = {false, false, false, false, false, false, false, true, true};
    EXPECT_TRUE(distribution.distribute(set, eGame::gGPL, kGplPath, checks).written.empty());
    EXPECT_EQ(answers.questions.size(), 3u);
}

TEST_F(Distribution, AllBoxesClearedOrNoStillAsksAndWritesNothing) {
    const auto cleared = distribution.distribute(set, eGame::gGPL, kGplPath, TDistributionChecks{});
    EXPECT_EQ(cleared.outcome, TDistributionResult::eOutcome::doWritten);
    EXPECT_TRUE(cleared.written.empty());
    EXPECT_EQ(answers.questions.size(), 1u);

    answers.answerYes = false;
    const auto declined = distribution.distribute(set, eGame::gGPL, kGplPath, kAllTargetsChecked);
    EXPECT_EQ(declined.outcome, TDistributionResult::eOutcome::doDeclined);
    EXPECT_TRUE(declined.written.empty());
    EXPECT_EQ(answers.questions.size(), 2u);
    for (const char* car : kGplCarFolders)
        EXPECT_TRUE(fs::is_empty(gplCars / car)) << car;
}

TEST_F(Distribution, MissingFolderStopsUnlessThePreferencesMendThePath) {
    answers.pathAfterPreferences = "C:\\Sierra\\elsewhere\\gpl.exe";
    const auto stopped =
        distribution.distribute(set, eGame::gNR2003, "C:\\Papyrus\\nr2003.exe", kAllTargetsChecked);
    EXPECT_EQ(stopped.outcome, TDistributionResult::eOutcome::doFolderMissing);
    EXPECT_EQ(answers.messages,
              std::vector<std::string>{"The seriescup directory of NR2003 is not found, check "
                                       "the NR2003 pathname in the Preferences dialog !"});
    EXPECT_TRUE(answers.questions.empty());

    answers.pathAfterPreferences = kGplPath;
    const auto mended =
        distribution.distribute(set, eGame::gGPL, "C:\\Sierra\\old\\gpl.exe", kAllTargetsChecked);
    EXPECT_EQ(answers.messages.at(1),
              "The cars67 directory of GPL is not found, check the GPL pathname in the Preferences dialog !");
    EXPECT_EQ(mended.outcome, TDistributionResult::eOutcome::doWritten);
    EXPECT_EQ(mended.written.size(), 7u);
    EXPECT_EQ(answers.questions.size(), 1u);
    EXPECT_FALSE(fs::exists(prefix / "drive_c/Sierra/old"));
}

TEST_F(Distribution, CarFolderMissingHalfwayStopsAtThatCar) {
    fs::remove(gplCars / "EAGLE");
    const fs::path eagle = gplCars / "eagle/eagle.cam";
    try {
        distribution.distribute(set, eGame::gGPL, kGplPath, kAllTargetsChecked);
        ADD_FAILURE() << "a missing car folder went unreported";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file " + eagle.string() + " (No such file or directory)");
    }
    EXPECT_TRUE(fs::exists(gplCars / "Lotus/lotus.cam"));
    EXPECT_TRUE(fs::exists(gplCars / "ferrari/ferrari.cam"));
    EXPECT_FALSE(fs::exists(gplCars / "eagle"));
    EXPECT_FALSE(fs::exists(gplCars / "brabham/brabham.cam"));
    EXPECT_FALSE(fs::exists(gplCars / "MURASAMA/murasama.cam"));
}

// The dialog's order of the boxes is checked on the dialog itself (TestDistribution).
TEST(DistributionTable, SelectorNamesTheGame) {
    EXPECT_EQ(gameOfSelector("NR2003"), eGame::gNR2003);
    EXPECT_EQ(gameOfSelector("GPL"), eGame::gGPL);
    EXPECT_EQ(gameOfSelector("nr2003"), eGame::gGPL);
    EXPECT_EQ(gameOfSelector(""), eGame::gGPL);
}
