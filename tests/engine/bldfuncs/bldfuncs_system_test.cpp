// The system group: script memory that refuses every address it did not hand out, array locks,
// message boxes through the host, result codes, random numbers and the missing COM run-time.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/exfuncs_test_support.h"

#include <cstring>

namespace skv::engine {
namespace {

using testing::CallByName;

class BuildInSystem : public ::testing::Test {
protected:
    Variant Call(const char* Name, std::vector<Variant> Args) { return CallByName(R, Name, std::move(Args)); }
    std::string Bad(std::int64_t Address) {
        return std::string(_msgInvalidMemory) + ": " + std::to_string(Address);
    }
    TEPRegFuncs R;
};

TEST_F(BuildInSystem, MemoryBlocksAreZeroedAndBoundsChecked) {
    const std::int64_t before = R.Context().Memory.LiveBytes();
    const std::int32_t a = Call("AllocMem", {8}).ToInteger();
    const std::int32_t b = Call("AllocMem", {8}).ToInteger();
    EXPECT_EQ(R.Context().Memory.LiveBytes(), before + 16);
    EXPECT_EQ(Call("CompareMem", {a, b, 8}).ToInteger(), 1); // both zeroed
    Call("FillChar", {a + 4, 4, 0x41});
    EXPECT_EQ(Call("CompareMem", {a, b, 4}).ToInteger(), 1);
    EXPECT_EQ(Call("CompareMem", {a, b, 8}).ToInteger(), 0);
    Call("FillChar", {a, 8, 0x141}); // only the low byte counts
    EXPECT_EQ(R.Context().Memory.Resolve(a, 8)[7], 0x41);

    const std::vector<std::pair<std::int64_t, std::int32_t>> outside = {
        {a - 1, 1}, {a + 8, 1}, {a + 4, 5}, {0, 1}, {0x1234, 4}, {b + 100, 1},
    };
    for (const auto& [address, count] : outside)
        EXPECT_ENGINE_ERROR(Call("FillChar", {static_cast<std::int32_t>(address), count, 0}),
                            EMathParserError, Bad(address));
    EXPECT_ENGINE_ERROR(Call("CompareMem", {a, b + 1, 8}), EMathParserError, Bad(b + 1));
    EXPECT_EQ(Call("CompareMem", {a, 0x1234, 0}).ToInteger(), 1); // no bytes: nothing is touched

    Variant p(a), size(4), result;
    Variant* args[] = {&p, &size};
    R.FindFunction("ReallocMem")->Call(args, 2, result);
    const std::int32_t moved = p.ToInteger();
    EXPECT_EQ(R.Context().Memory.Resolve(moved, 4)[0], 0x41); // contents kept
    EXPECT_ENGINE_ERROR(Call("FillChar", {moved, 5, 0}), EMathParserError, Bad(moved));
    EXPECT_ENGINE_ERROR(Call("FillChar", {a, 1, 0}), EMathParserError, Bad(a)); // the old block is gone
    size = Variant(0);
    R.FindFunction("ReallocMem")->Call(args, 2, result);
    EXPECT_EQ(p.ToInteger(), 0); // resized to nothing: freed
    EXPECT_ENGINE_ERROR(Call("FillChar", {moved, 1, 0}), EMathParserError, Bad(moved));
    Call("FreeMem", {0, 0});
    Call("FreeMem", {b, 8});
    EXPECT_ENGINE_ERROR(Call("FreeMem", {b, 8}), EMathParserError, Bad(b)); // twice
    EXPECT_ENGINE_ERROR(Call("FreeMem", {b + 1, 8}), EMathParserError, Bad(b + 1));
    EXPECT_EQ(R.Context().Memory.LiveBytes(), before);
}

TEST_F(BuildInSystem, MemorySizesAreLimited) {
    EXPECT_ENGINE_ERROR(Call("AllocMem", {-1}), EMathParserError, _msgOutOfMemory);
    EXPECT_ENGINE_ERROR(Call("AllocMem", {0x7FFFFFFF}), EMathParserError, _msgOutOfMemory);
    const std::int32_t zero = Call("AllocMem", {0}).ToInteger();
    EXPECT_ENGINE_ERROR(Call("FillChar", {zero, 1, 0}), EMathParserError, Bad(zero));
    Call("FreeMem", {zero, 0});
}

TEST_F(BuildInSystem, LockedArrayViewIsWrittenBackAtTheUnlock) {
    Variant arr = Variant::ArrayCreate({{0, 3}}, varInteger);
    arr.ArraySet({1}, Variant(7));
    Variant result;
    Variant* args[] = {&arr};
    R.FindFunction("VarArrayLock")->Call(args, 1, result);
    const std::int32_t view = result.ToInteger();
    std::int32_t second = 0;
    std::memcpy(&second, R.Context().Memory.Resolve(view + 4, 4), 4);
    EXPECT_EQ(second, 7);
    EXPECT_THROW(arr.ArrayRedim(5), std::exception);                               // locked
    EXPECT_ENGINE_ERROR(Call("FreeMem", {view, 12}), EMathParserError, Bad(view)); // not the script's block
    EXPECT_ENGINE_ERROR(Call("FillChar", {view, 13, 0}), EMathParserError, Bad(view));
    Call("FillChar", {view + 8, 4, 0xFF});
    R.FindFunction("VarArrayUnlock")->Call(args, 1, result);
    EXPECT_EQ(arr.ArrayGet({2}).ToInteger(), -1);
    EXPECT_EQ(arr.ArrayGet({1}).ToInteger(), 7);
    EXPECT_ENGINE_ERROR(Call("FillChar", {view, 1, 0}), EMathParserError, Bad(view)); // gone with the lock
    arr.ArrayRedim(5);

    // Elements without a plain byte form get an empty view.
    Variant values = Variant::ArrayOf({"a", "b"});
    Variant* vargs[] = {&values};
    R.FindFunction("VarArrayLock")->Call(vargs, 1, result);
    EXPECT_ENGINE_ERROR(Call("FillChar", {result.ToInteger(), 1, 0}), EMathParserError,
                        Bad(result.ToInteger()));
    R.FindFunction("VarArrayUnlock")->Call(vargs, 1, result);
    EXPECT_EQ(values.ArrayGet({1}).ToString(), "b");
}

class TRecordingHost : public TMessageHost {
public:
    void ShowMessage(const std::string& Text) override { Log += "show:" + Text + ";"; }
    std::int32_t MessageBox(const std::string& Text, const std::string& Caption,
                            std::int32_t Flags) override {
        Log += "box:" + Caption + "/" + Text + "/" + std::to_string(Flags) + ";";
        return 6;
    }
    std::int32_t MessageDlg(const std::string& Text, std::int32_t DlgType, std::int32_t Buttons,
                            std::int32_t HelpContext) override {
        Log += "dlg:" + Text + "/" + std::to_string(DlgType) + "/" + std::to_string(Buttons) + "/" +
               std::to_string(HelpContext) + ";";
        return -1;
    }
    std::string Log;
};

TEST_F(BuildInSystem, MessagesGoToTheHost) {
    TRecordingHost host;
    TMessageHost* old = R.Context().SetMessageHost(&host);
    Call("ShowMessage", {"hi"});
    EXPECT_EQ(Call("MessageBox", {0, "text", "cap", 4}).ToInteger(), 6);
    EXPECT_EQ(Call("MessageDlg", {"ask", 3, 12, 0}).ToInteger(), 65535); // a Word result
    R.Context().SetMessageHost(old);
    EXPECT_EQ(host.Log, "show:hi;box:cap/text/4;dlg:ask/3/12/0;");
}

TEST_F(BuildInSystem, ResultCodesRandomAndCom) {
    const std::int32_t hr = Call("MakeResult", {1, 7, 5}).ToInteger();
    EXPECT_EQ(static_cast<std::uint32_t>(hr), 0x80070005u);
    EXPECT_EQ(Call("ResultCode", {hr}).ToInteger(), 5);
    EXPECT_EQ(Call("ResultFacility", {hr}).ToInteger(), 7);
    EXPECT_EQ(Call("ResultSeverity", {hr}).ToInteger(), 1);
    EXPECT_EQ(Call("Failed", {hr}).ToInteger(), 1);
    EXPECT_EQ(Call("Succeeded", {hr}).ToInteger(), 0);
    EXPECT_EQ(Call("Succeeded", {0}).ToInteger(), 1);

    Call("Randomize", {});
    bool seen[5] = {};
    for (int i = 0; i < 200; ++i) {
        const std::int32_t v = Call("Random", {5}).ToInteger();
        ASSERT_TRUE(v >= 0 && v < 5) << v;
        seen[v] = true;
    }
    EXPECT_TRUE(seen[0] && seen[4]);
    EXPECT_EQ(Call("Random", {0}).ToInteger(), 0);

    const std::string missing = std::string(_msgNotAvailable) + ": ";
    EXPECT_ENGINE_ERROR(Call("CreateOleObject", {"Word.Application"}), EMathParserError,
                        missing + "CreateOleObject");
    EXPECT_ENGINE_ERROR(Call("CreateComObject", {"{0}"}), EMathParserError, missing + "CreateComObject");
    EXPECT_ENGINE_ERROR(Call("CoInitialize", {0}), EMathParserError, missing + "CoInitialize");
    EXPECT_ENGINE_ERROR(Call("CoUnInitialize", {}), EMathParserError, missing + "CoUnInitialize");
}

} // namespace
} // namespace skv::engine
