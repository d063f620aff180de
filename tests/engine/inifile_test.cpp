// INI files: profile semantics, file order, round trips and hostile input.
#include "engine/Inifile.h"
#include "model/Tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace skv::engine;

TEST(IniFile, NamesIgnoreCaseAndKeepFileOrder) {
    TIniFile ini;
    ini.LoadFromString("[Zeta]\nb=2\na=1\nC=3\n[alpha]\nx=1\n[ZETA]\nd=4\n");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Zeta", "alpha"}));
    EXPECT_EQ(ini.ReadSection("zeta"), (std::vector<std::string>{"b", "a", "C", "d"}));
    EXPECT_EQ(ini.ReadString("zEtA", "c", ""), "3");
    EXPECT_TRUE(ini.SectionExists("ALPHA"));
    EXPECT_TRUE(ini.ValueExists("Alpha", "X"));
    EXPECT_FALSE(ini.ValueExists("Alpha", "y"));
    ini.WriteString("New", "k", "v");
    ini.WriteString("zeta", "e", "5");
    EXPECT_EQ(ini.ReadSections().back(), "New");
    EXPECT_EQ(ini.ReadSection("Zeta").back(), "e");
}

TEST(IniFile, ValuesAreRawAndWrittenWithoutBlanks) {
    TIniFile ini;
    ini.WriteString("Files", "Path", R"(C:\games\gpl\"cars"\x.cam)");
    ini.WriteString("Files", "Empty", "");
    ini.WriteString("Files", "Semi", "a;b #c");
    const std::string text = ini.SaveToString();
    EXPECT_NE(text.find(R"(Path=C:\games\gpl\"cars"\x.cam)"), std::string::npos) << text;
    EXPECT_NE(text.find("Empty=\n"), std::string::npos) << text;
    TIniFile back;
    back.LoadFromString(text);
    EXPECT_EQ(back.ReadString("files", "path", ""), R"(C:\games\gpl\"cars"\x.cam)");
    EXPECT_EQ(back.ReadString("files", "semi", ""), "a;b #c");
    EXPECT_EQ(back.ReadString("files", "empty", "default"), "");
    EXPECT_THROW(ini.WriteString("Files", "Bad", "two\nlines"), EIniFileError);
    EXPECT_THROW(ini.WriteString("Files", "", "x"), EIniFileError);
}

TEST(IniFile, ReadingFollowsProfileRules) {
    TIniFile ini;
    ini.LoadFromString("; comment\n[S]\n  key  =  spaced value  \ndup=first\ndup=second\nnoequals\n"
                       "num=42\nbad=4x\nflag=7\nzero=0\nf=1.25\n");
    EXPECT_EQ(ini.ReadString("S", "key", ""), "spaced value");
    EXPECT_EQ(ini.ReadString("S", "dup", ""), "first");
    EXPECT_FALSE(ini.ValueExists("S", "noequals"));
    EXPECT_EQ(ini.ReadInteger("S", "num", -1), 42);
    EXPECT_EQ(ini.ReadInteger("S", "bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger("S", "missing", 9), 9);
    EXPECT_TRUE(ini.ReadBool("S", "flag", false));
    EXPECT_FALSE(ini.ReadBool("S", "zero", true));
    EXPECT_TRUE(ini.ReadBool("S", "missing", true));
    EXPECT_EQ(ini.ReadFloat("S", "f", 0), 1.25);
    ini.WriteString("S", "DUP", "third"); // one value replaces all lines of the name
    EXPECT_EQ(ini.ReadString("S", "dup", ""), "third");
    EXPECT_EQ(ini.ReadSection("S"),
              (std::vector<std::string>{"key", "dup", "num", "bad", "flag", "zero", "f"}));
}

TEST(IniFile, EraseAndDelete) {
    TIniFile ini;
    ini.LoadFromString("[A]\nx=1\ny=2\n[B]\nz=3\n");
    ini.DeleteKey("a", "X");
    EXPECT_EQ(ini.ReadSection("A"), std::vector<std::string>{"y"});
    ini.EraseSection("b");
    EXPECT_FALSE(ini.SectionExists("B"));
    ini.DeleteKey("nope", "x"); // nothing to do, no error
    ini.EraseSection("nope");
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"A"});
}

TEST(IniFile, FileRoundTrip) {
    const skv::test::TempFolder folder;
    const auto path = folder.path() / "round.ini";
    {
        TIniFile ini(path.string()); // missing file: empty
        EXPECT_TRUE(ini.ReadSections().empty());
        ini.WriteInteger("MainForm", "Left", -12);
        ini.WriteBool("General", "Flag", true);
        ini.WriteFloat("General", "Scale", 0.1);
        ini.UpdateFile();
    }
    TIniFile again(path.string());
    EXPECT_EQ(again.ReadInteger("mainform", "left", 0), -12);
    EXPECT_TRUE(again.ReadBool("general", "flag", false));
    EXPECT_EQ(again.ReadFloat("general", "scale", 0), 0.1);
    std::ifstream raw(path);
    std::string all((std::istreambuf_iterator<char>(raw)), {});
    EXPECT_NE(all.find("Scale=0.1"), std::string::npos) << all;
    std::filesystem::remove(path);
    EXPECT_THROW(again.SaveToFile((path / "no" / "dir.ini").string()), EIniFileError);
    EXPECT_THROW(again.LoadFromFile((path / "missing.ini").string()), EIniFileError);
}

TEST(IniFile, GarbageAndTruncatedInputLoad) {
    const std::string good = "[Section One]\nKey=Value\n[Two]\nA=1\nB=2\n";
    std::mt19937 rng(7);
    for (std::size_t cut = 0; cut <= good.size(); ++cut) { // every truncation
        TIniFile ini;
        ASSERT_NO_THROW(ini.LoadFromString(good.substr(0, cut)));
        for (const std::string& s : ini.ReadSections())
            for (const std::string& k : ini.ReadSection(s))
                (void)ini.ReadString(s, k, "");
    }
    for (int round = 0; round < 200; ++round) { // random bytes, including NUL and high bytes
        std::string junk(rng() % 300, '\0');
        for (char& c : junk)
            c = static_cast<char>(rng() % 256);
        if (round % 2) junk.insert(0, "[x]\n");
        TIniFile ini;
        ASSERT_NO_THROW(ini.LoadFromString(junk));
        ASSERT_NO_THROW((void)ini.SaveToString());
    }
    TIniFile ini;
    ini.LoadFromString("[unterminated\nk=v\n[]\n=novalue\n[ok]\na=b");
    EXPECT_EQ(ini.ReadString("ok", "a", ""), "b");
}

TEST(IniFile, UnclosedHeaderLinesAreSkippedAndSavesAreStable) {
    // The keys after a "[" line without "]" stay where they were; saving and loading again changes nothing.
    for (const std::string text : {"[A]\nk=1\n[broken\nx=2\n", "[A]\nk=1\n  [broken\r\nx=2\r\n"}) {
        TIniFile ini;
        ini.LoadFromString(text);
        EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"A"});
        EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"k", "x"}));
        const std::string saved = ini.SaveToString();
        TIniFile again;
        again.LoadFromString(saved);
        EXPECT_EQ(again.SaveToString(), saved);
        EXPECT_EQ(again.ReadString("A", "x", ""), "2");
    }
}

TEST(IniFile, EntriesWithNulBytesAreRefused) {
    using namespace std::string_literals;
    TIniFile ini;
    EXPECT_THROW(ini.WriteString("S", "k", "a\0b"s), EIniFileError);
    EXPECT_THROW(ini.WriteString("S", "k\0x"s, "v"), EIniFileError);
    EXPECT_THROW(ini.WriteString("S\0x"s, "k", "v"), EIniFileError);
    EXPECT_FALSE(ini.SectionExists("S"));
}
