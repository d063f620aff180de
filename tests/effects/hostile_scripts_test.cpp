// Scripts written to stall the control thread: texts and arrays at their limits, doubling, long
// built-in calls, file functions, deep nesting and endless loops. Each is played through the player
// direct control uses, for one step, and must end (by its limit, its error or the budget) no later
// than 10 ms past the step's budget. Time is the stepping thread's own processor time, on which the
// budget is measured too, so a busy machine cannot make the test fail.
#include "../model/Tempfolder.h"
#include "effects/Effectplayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

using namespace skv::effects;
using namespace std::chrono_literals;
using skv::model::CarCameraValues;

namespace {

#ifdef NDEBUG
constexpr bool kOptimised = true;
#else
constexpr bool kOptimised = false;
#endif

std::chrono::steady_clock::time_point threadTime() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return std::chrono::steady_clock::time_point(std::chrono::seconds(ts.tv_sec) +
                                                 std::chrono::nanoseconds(ts.tv_nsec));
}

struct Hostile {
    const char* Name;
    std::string Script;
    const char* Ends; // the text the step's error holds
    // Scripts that must reach a limit get time to: what is measured then is that the refusal
    // itself is quick.
    std::chrono::milliseconds Budget = kEffectBudget;
};

constexpr const char* kTimeLimit = "Time limit exceeded";
constexpr const char* kOutOfMemory = "Out of memory for texts and arrays";

// A text of 60 million blanks, then the hostile part.
std::string bigText(const std::string& then) {
    return "S := \"\"; SetLength(S, 60000000); " + then;
}
std::string bigArray(const std::string& then) {
    return "A := VarArrayCreate(0, 4000000, 12); " + then;
}

std::vector<Hostile> hostileScripts(const std::string& folder) {
    const std::string file = "\"" + folder + "/hostile.bin\"";
    constexpr auto kToTheLimit = 5s;
    return {
        {"text doubling", "S := \"x\"; WHILE 1 DO S := S + S;", kOutOfMemory, kToTheLimit},
        {"Concat doubling", "S := \"x\"; WHILE 1 DO S := Concat(S, S);", kOutOfMemory, kToTheLimit},
        {"Format doubling", "S := \"x\"; WHILE 1 DO S := Format(\"%s%s\", S, S);", kOutOfMemory, kToTheLimit},
        {"Insert doubling", "S := \"x\"; WHILE 1 DO Insert(S, S, 1);", kOutOfMemory, kToTheLimit},
        {"StringReplace growing", bigText("T := StringReplace(S, \" \", \"ab\", 1);"), kOutOfMemory,
         kToTheLimit},
        {"many big texts",
         bigText(
             "A := VarArrayCreate(0, 9, 12); I := 0; WHILE 1 DO BEGIN A[I] := S + \"x\"; I := I + 1; END;"),
         kOutOfMemory, kToTheLimit},
        {"SetLength near the limit", "WHILE 1 DO BEGIN S := \"\"; SetLength(S, 67000000); END;", kTimeLimit},
        {"text copies", bigText("WHILE 1 DO T := S;"), kTimeLimit},
        {"StringReplace", bigText("WHILE 1 DO T := StringReplace(S, \" \", \"ab\", 0);"), kTimeLimit},
        {"StringReplace all", bigText("WHILE 1 DO T := StringReplace(S, \" \", \"b\", 3);"), kTimeLimit},
        {"AnsiUpperCase", bigText("WHILE 1 DO T := AnsiUpperCase(S);"), kTimeLimit},
        {"LowerCase", bigText("WHILE 1 DO T := LowerCase(S);"), kTimeLimit},
        {"AdjustLineBreaks", bigText("WHILE 1 DO T := AdjustLineBreaks(S);"), kTimeLimit},
        {"QuotedStr", bigText("WHILE 1 DO T := QuotedStr(S);"), kTimeLimit},
        {"Trim", bigText("WHILE 1 DO T := Trim(S + \"x\");"), kTimeLimit},
        {"Copy", bigText("WHILE 1 DO T := Copy(S, 2, 60000000);"), kTimeLimit},
        {"Pos", bigText("WHILE 1 DO I := Pos(\"b\", S);"), kTimeLimit},
        {"CompareText", bigText("T := S; WHILE 1 DO I := CompareText(S, T);"), kTimeLimit},
        {"array copies", bigArray("WHILE 1 DO B := A;"), kTimeLimit},
        {"arrays to the limit", bigArray("B := A; C := A; D := A; E := A;"), kOutOfMemory, kToTheLimit},
        {"array conversion", bigArray("WHILE 1 DO B := VarAsType(A, 8197);"), kTimeLimit},
        {"array redim",
         "A := VarArrayCreate(0, 10, 12); WHILE 1 DO BEGIN VarArrayRedim(A, 4000000); "
         "VarArrayRedim(A, 10); END;",
         kTimeLimit},
        {"array of texts", bigArray("FOR I := 0 TO 4000000 DO A[I] := \"xx\";"), kTimeLimit},
        {"huge FOR range", "FOR I := 1 TO 1E300 DO X := X + 1;", kTimeLimit},
        {"nested ExecScript", "X := ExecScript(\"ExecScript(%0, %0)\", \"ExecScript(%0, %0)\");", "nest"},
        {"ExecScript in a loop", "WHILE 1 DO X := ExecScript(\"WHILE 1 DO Y := 1\");", kTimeLimit},
        {"file writes",
         "P := AllocMem(200000000); H := FileOpen(" + file +
             ", 2); WHILE 1 DO BEGIN FileSeek(H, 0, 0); FileWrite(H, P, 200000000); END;",
         kTimeLimit},
        {"file reads",
         "P := AllocMem(200000000); H := FileOpen(" + file +
             ", 2); FileWrite(H, P, 200000000); WHILE 1 DO BEGIN FileSeek(H, 0, 0); "
             "FileRead(H, P, 200000000); END;",
         kTimeLimit},
        {"FillChar and CompareMem",
         "P := AllocMem(100000000); Q := AllocMem(100000000); WHILE 1 DO BEGIN "
         "FillChar(P, 100000000, 7); X := CompareMem(P, Q, 100000000); END;",
         kTimeLimit},
        {"array locks", bigArray("WHILE 1 DO BEGIN P := VarArrayLock(A); VarArrayUnlock(A); END;"),
         kTimeLimit},
        {"memory blocks", "WHILE 1 DO BEGIN P := AllocMem(200000000); FreeMem(P, 200000000); END;",
         kTimeLimit},
    };
}

} // namespace

TEST(HostileScripts, NoStepRunsPastItsBudgetByMoreThanTenMilliseconds) {
    const skv::test::TempFolder folder;
    folder.write("hostile.bin", "");
    std::chrono::nanoseconds worst{0};
    std::string worstName;
    for (const Hostile& h : hostileScripts(folder.path().string())) {
        SCOPED_TRACE(h.Name);
        const auto play = [&](std::string& error) {
            TEffectPlayer player;
            CarCameraValues r{};
            player.load(h.Script);
            player.seed(1, r);
            const EffectBudget budget = EffectBudget::fromNow(nullptr, h.Budget, &threadTime);
            try {
                player.step(2, r, budget);
            } catch (const std::exception& e) {
                error = e.what();
            }
            return threadTime() - budget.deadline;
        };
        std::string error;
        auto over = play(error);
        // A loaded machine can stretch even the thread's own clock (caches, memory bandwidth): a
        // script past the bound plays twice more and keeps its best; a built-in that never looks at
        // the budget is past it every time.
        for (int again = 0; kOptimised && again < 2 && over > 10ms; ++again) {
            std::string next;
            over = std::min(over, play(next));
        }
        std::printf("%-26s %8.1f ms past the budget: %s\n", h.Name,
                    std::chrono::duration<double, std::milli>(over).count(), error.c_str());
        // Slower builds may run out of time before they reach a limit.
        EXPECT_TRUE(error.find(h.Ends) != std::string::npos || (!kOptimised && error == kTimeLimit)) << error;
        if (over > worst) {
            worst = over;
            worstName = h.Name;
        }
    }
    std::printf("worst: %s, %.1f ms past the budget\n", worstName.c_str(),
                std::chrono::duration<double, std::milli>(worst).count());
    // The bound holds for the build that ships; sanitizers and debug builds are many times slower.
    if (kOptimised) {
        EXPECT_LE(worst, 10ms) << worstName;
    }
}
