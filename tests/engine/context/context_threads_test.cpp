// Two hosts on two threads at once, each with its own engine context: they open files, allocate
// script memory, raise and catch errors and show messages thousands of times, and neither sees the
// other's files, memory blocks, objects or messages. Built on its own for the ThreadSanitizer run.
#include "engine/component/Expars.h"
#include "engine/context/Enginecontext.h"
#include "model/Tempfolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace skv::engine {
namespace {

constexpr int kRounds = 2000;
constexpr std::int32_t kFirstBlock = 0x10000000; // where a host's first memory block starts

// The script of one round: %0 the host's file, %1 its tag byte, %2 the message to show. It leaves
// the file handle in H, the block's address in P and the exception object's number in E.
const char* const kRound = "H := FileOpen(%0, 2);"
                           "P := AllocMem(16);"
                           "FillChar(P, 16, %1);"
                           "FileWrite(H, P, 16);"
                           "FileClose(H);"
                           "ShowMessage(%2);"
                           "TRY x := 1 DIV 0; EXCEPT E := ExceptObject(); CAUGHT := CAUGHT + 1; END;"
                           "FreeMem(P, 16);";

class TRecordingHost final : public TMessageHost {
public:
    void ShowMessage(const std::string& Text) override { Shown.push_back(Text); }
    std::int32_t MessageBox(const std::string&, const std::string&, std::int32_t) override { return 1; }
    std::int32_t MessageDlg(const std::string&, std::int32_t, std::int32_t, std::int32_t) override {
        return 1;
    }
    std::vector<std::string> Shown;
};

// One host: a registry (and with it the context), the variables, a parser for the rounds and one
// whose text never compiles.
struct THost {
    explicit THost(std::string FileName, char Tag) : File(std::move(FileName)), Tag(Tag) {
        Funcs.Context().SetMessageHost(&Messages);
        Vars.SetRegFuncs(&Funcs);
        for (const char* name : {"H", "P", "E", "CAUGHT"})
            Vars.SetValues(name, Variant(std::int32_t{0}));
        Round.SetRegFuncs(&Funcs);
        Round.SetUserVars(&Vars);
        Round.SetExpr(kRound);
        Broken.SetRegFuncs(&Funcs);
        Broken.SetExpr("FileOpen(");
        std::ofstream(File) << std::string(16, '.');
    }

    // Plays the rounds; a round that finds anything but its own state stops with a failure.
    void Play() {
        for (int i = 0; i < kRounds; ++i) {
            ArgArray args{Variant(File), Variant(std::int32_t{Tag}),
                          Variant(std::string(1, Tag) + std::to_string(i))};
            Round.F(args, 2);
            // Alone in its context, the host numbers files on from 3 and reuses its first block.
            ASSERT_EQ(Vars.Values("H").ToInteger(), 3 + i);
            ASSERT_EQ(Vars.Values("P").ToInteger(), kFirstBlock);
            ASSERT_NE(Funcs.Context().Objects.ObjectOfValue(Vars.Values("E")), nullptr);
            ASSERT_THROW(Broken.F(), EMathParserError);
        }
    }

    std::string File;
    char Tag;
    TRecordingHost Messages;
    TEPRegFuncs Funcs;
    TEPVars Vars;
    TExParser Round;
    TExParser Broken;
};

TEST(EngineContexts, TwoHostsOnTwoThreadsShareNothing) {
    const skv::test::TempFolder folder;
    THost a((folder.path() / "a.bin").string(), 'A');
    THost b((folder.path() / "b.bin").string(), 'B');
    const std::int64_t heldA = a.Funcs.Context().Values.HeldBytes();
    const std::int64_t heldB = b.Funcs.Context().Values.HeldBytes();

    std::thread ta([&] { a.Play(); });
    std::thread tb([&] { b.Play(); });
    ta.join();
    tb.join();

    for (THost* h : {&a, &b}) {
        SCOPED_TRACE(h->Tag);
        EXPECT_EQ(h->Vars.Values("CAUGHT").ToInteger(), kRounds);
        ASSERT_EQ(h->Messages.Shown.size(), static_cast<std::size_t>(kRounds));
        for (int i = 0; i < kRounds; ++i)
            ASSERT_EQ(h->Messages.Shown[static_cast<std::size_t>(i)],
                      std::string(1, h->Tag) + std::to_string(i));
        EXPECT_EQ(h->Funcs.Context().Files.Count(), 0u);
        EXPECT_EQ(h->Funcs.Context().Memory.LiveBytes(), 0);
        std::ifstream in(h->File);
        std::string bytes;
        in >> bytes;
        EXPECT_EQ(bytes, std::string(16, h->Tag));
    }
    // What the rounds made is given back, in each host's own account.
    a.Vars.SetValues("E", Variant(std::int32_t{0}));
    b.Vars.SetValues("E", Variant(std::int32_t{0}));
    EXPECT_LE(a.Funcs.Context().Values.HeldBytes() - heldA, 1024);
    EXPECT_LE(b.Funcs.Context().Values.HeldBytes() - heldB, 1024);
}

} // namespace
} // namespace skv::engine
