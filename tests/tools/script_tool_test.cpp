// skyvane-tool eval and effect on real files: output format, variables, start values, errors and
// usage errors.
#include "Toolrun.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

using skv::test::ToolRun;
using skv::test::ToolTest;

namespace {

class ScriptTool : public ToolTest {
protected:
    std::string script(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return "'" + file(name) + "'";
    }
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

TEST_F(ScriptTool, EvalPrintsTheTypeCodeAndTheValue) {
    const struct {
        const char* args;
        const char* out;
    } cases[] = {
        {"'1 + 2'", "3 3\n"},
        {"'7 / 2'", "5 3.5\n"},
        {"'\"sky\" + \"vane\"'", "256 skyvane\n"},
        {"'1 < 2'", "6 1\n"}, // comparisons give the fixed-point kind
        {"'TRUE'", "11 True\n"},
        {"'SQRT(2.25) + COS(0)'", "5 2.5\n"},
        {"'FOR i := 1 TO 4 DO RESULT := RESULT + i'", "5 10\n"},
        {"--var A=3 --var B=0.5 'A * B'", "5 1.5\n"},
        {"--var 'N=$10' 'N + 1'", "3 17\n"},
        {"--var A=1 --var A=2 'A'", "3 2\n"}, // the last definition counts
        {"-- '--1'", "3 1\n"},
        {"--var F=TRUE 'IIF(F, 1, 2)'", "3 1\n"},
    };
    for (const auto& c : cases) {
        const ToolRun r = run("eval " + std::string(c.args));
        EXPECT_EQ(r.exitCode, 0) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
}

TEST_F(ScriptTool, EvalErrorsAndUsage) {
    const struct {
        const char* args;
        int code;
        const char* err;
    } cases[] = {
        {"'1 +'", 1, "Syntax error"},
        {"'1 / 0'", 1, "Division by zero"},
        {"'WHILE 1 DO x := x + 1'", 1, "Time limit exceeded"},
        {"'Q + 1'", 1, "Expression uses unknown variable: Q"},
        {"'DATE()'", 1, "Expression uses unknown function: DATE"}, // dates are off for effects
        {"'2**10'", 1, "TEXT:1:3: Syntax error in expression:\\x0D*10\n"},
        {"-f '/nonexistent/x.txt'", 1, "x.txt: cannot open the file"},
        {"-f x.txt '1'", 2, "TEXT or -f FILE, not both"},
        {"--var 1A=2 'A'", 2, "--var 1A=2"},
        {"--var BEGIN=2 'A'", 2, "--var BEGIN=2"},
        {"--bogus '1'", 2, "unknown option --bogus"},
        {"", 2, "usage: skyvane-tool eval"},
        {"'1' '2'", 2, "usage:"},
        {"--var A 'A'", 2, "usage:"},
        {"--var A=sky 'A'", 2, "--var A=sky"},
        {"--frames 2 '1'", 2, "usage:"},
    };
    for (const auto& c : cases) {
        const ToolRun r = run("eval " + std::string(c.args));
        EXPECT_EQ(r.exitCode, c.code) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
    }
}

TEST_F(ScriptTool, EffectPrintsEveryStepFromTheStartValues) {
    const std::string s = script("step.txt", "Y := Y + 1; ZOOM := FRAMES * 2; Z := Z - 1");
    const ToolRun r = run("effect " + s + " --frames 3 --start 0.1,2,0.5,-1,0.25,3e-5,1.5");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "FRAMES,X,Y,Z,YAW,PITCH,BANK,ZOOM\n"
                     "1,0.1,3,-0.5,-1,0.25,3e-05,2\n"
                     "2,0.1,4,-1.5,-1,0.25,3e-05,4\n"
                     "3,0.1,5,-2.5,-1,0.25,3e-05,6\n");

    // Without start values everything starts at 0; zero steps print the header alone.
    EXPECT_EQ(run("effect " + s + " --frames 1").out, "FRAMES,X,Y,Z,YAW,PITCH,BANK,ZOOM\n1,0,1,-1,0,0,0,2\n");
    EXPECT_EQ(run("effect " + s + " --frames 0").out, "FRAMES,X,Y,Z,YAW,PITCH,BANK,ZOOM\n");
}

TEST_F(ScriptTool, ShippedOrbitCirclesTheCar) {
    const ToolRun r = run(std::string("effect '") + SKV_DATA_DIR + "/effects/orbit.txt' --frames 185");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 186u);
    // A quarter turn after 185 steps: the camera stands beside the car, looking at it.
    float f = 0, x = 0, y = 0, z = 0, yaw = 0;
    ASSERT_EQ(std::sscanf(rows.back().c_str(), "%f,%f,%f,%f,%f", &f, &x, &y, &z, &yaw), 5) << rows.back();
    EXPECT_EQ(f, 185);
    EXPECT_NEAR(x, 0, 1e-5);
    EXPECT_FLOAT_EQ(y, -6);
    EXPECT_FLOAT_EQ(yaw, static_cast<float>(185 * 6.2831853 / 740));
}

TEST_F(ScriptTool, ShippedPushInNarrowsTheZoomToItsFloor) {
    const ToolRun r = run(std::string("effect '") + SKV_DATA_DIR +
                          "/effects/pushin.txt' --frames 200 --start 0,0,1,0,0,0,0.5");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 201u);
    float f = 0, x = 0, y = 0, z = 0, yaw = 0, pitch = 0, bank = 0, zoom = 0;
    ASSERT_EQ(std::sscanf(rows.back().c_str(), "%f,%f,%f,%f,%f,%f,%f,%f", &f, &x, &y, &z, &yaw, &pitch, &bank,
                          &zoom),
              8);
    EXPECT_NEAR(x, 4, 1e-3); // 0.02 a step
    EXPECT_EQ(z, 1);
    EXPECT_LE(zoom, 0.2f);
    EXPECT_GT(zoom, 0.2f * 0.99f);
    EXPECT_EQ(rows[150].substr(rows[150].rfind(',')), rows.back().substr(rows.back().rfind(',')));
}

TEST_F(ScriptTool, EffectErrorsNameTheFrame) {
    const std::string failing = script("fail.txt", "IF FRAMES = 3 THEN X := 1 / 0 ELSE X := FRAMES");
    ToolRun r = run("effect " + failing + " --frames 5");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "FRAMES,X,Y,Z,YAW,PITCH,BANK,ZOOM\n1,1,0,0,0,0,0,0\n2,2,0,0,0,0,0,0\n");
    EXPECT_NE(r.err.find("frame 3: Division by zero"), std::string::npos) << r.err;

    r = run("effect " + script("endless.txt", "WHILE 1 DO x := x + 1") + " --frames 2");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("frame 1: Time limit exceeded"), std::string::npos) << r.err;

    r = run("effect '" + file("missing.txt") + "' --frames 1");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("missing.txt: cannot open"), std::string::npos) << r.err;

    const struct {
        const char* args;
        const char* err;
    } usages[] = {
        {"", "--frames is missing"},
        {" --frames -1", "--frames needs a whole number"},
        {" --frames x", "--frames needs a whole number"},
        {" --frames 1 --frames 2", "--frames given twice"},
        {" --frames 1 --start 1,2,3,4,5,6", "needs 7 values"},
        {" --frames 1 --start 1,2,3,4,5,6,7,8", "needs 7 values"},
        {" --frames 1 --start 1,2,3,4,5,6,1e50", "\"1e50\" is not a 32-bit number"},
        {" --frames 1 --start 1,2,3,4,5,,7", "\"\" is not a 32-bit number"},
        {" --frames 1 --start 1,2,3,4,5,6,nan", "\"nan\" is not a 32-bit number"},
        {" --frames 1 --speed 2", "unknown option --speed"},
        {" --frames 1 lib.cmf Caption", "unexpected argument Caption"},
        {" --frames 1 --force", "--force is for -o"},
    };
    for (const auto& u : usages) {
        r = run("effect " + failing + u.args);
        EXPECT_EQ(r.exitCode, 2) << u.args;
        EXPECT_NE(r.err.find(u.err), std::string::npos) << u.args << "\n" << r.err;
        EXPECT_NE(r.err.find("usage: skyvane-tool effect"), std::string::npos) << u.args;
    }
    EXPECT_NE(run("effect --frames 1").err.find("FILE is missing"), std::string::npos);
}

// The whole script is checked first: a compile error prints no CSV and says where it stands, in
// a file, on standard input, and in a script read by eval.
TEST_F(ScriptTool, CompileErrorsSayWhereAndPlayNothing) {
    const std::string text = "X := X + 1; { a note }\n// another\nY := (2 + X\n";
    const std::string s = script("broken.txt", text);
    const struct {
        std::string command;
        std::string where;
    } cases[] = {
        {"effect " + s + " --frames 3", file("broken.txt")},
        {"effect - --frames 3 <" + s, "<stdin>"},
        {"eval -f " + s, file("broken.txt")},
        {"eval -f - <" + s, "<stdin>"},
    };
    for (const auto& c : cases) {
        const ToolRun r = run(c.command);
        EXPECT_EQ(r.exitCode, 1) << c.command;
        EXPECT_EQ(r.out, "") << c.command;
        EXPECT_EQ(lines(r.err).at(0), c.where + ":3:6: Missing brackets in expression. Expression: (2 + X")
            << c.command;
    }
    const ToolRun typo = run("effect " + script("typo.txt", "Y := 1;\n  X := XX + 1") + " --frames 2");
    EXPECT_EQ(typo.out, "");
    EXPECT_NE(typo.err.find("typo.txt:2:8: Expression uses unknown variable: XX\n"), std::string::npos)
        << typo.err;
    EXPECT_NE(typo.err.find("does not compile"), std::string::npos) << typo.err;
}

// An item of a library plays from its Camera0 values: the same steps as its script from a file
// started at those values. -o writes what standard output would show (it replaces a file only with
// --force, as every writing command does).
TEST_F(ScriptTool, EffectFromALibraryAndIntoAFile) {
    const std::string library = std::string("'") + SKV_SAMPLE_LIBRARY + "'";
    const auto items = nlohmann::json::parse(run("cmf dump " + library).out);
    const auto item =
        std::find_if(items.begin(), items.end(), [](const auto& i) { return i["type"] != "CstCarCamSet"; });
    ASSERT_NE(item, items.end());
    const auto& camera = (*item)["cameras"][0];
    std::string start;
    for (const char* field : {"xPos", "yPos", "zPos", "yaw", "pitch", "bank", "zoomAngle"})
        start += (start.empty() ? "" : ",") + camera["values"][field].dump();
    const std::string caption = (*item)["caption"];
    const std::string s = script("item.txt", camera["effect"].get<std::string>());

    const ToolRun fromLibrary = run("effect " + library + " '" + caption + "' --frames 40");
    ASSERT_EQ(fromLibrary.exitCode, 0) << fromLibrary.err;
    EXPECT_EQ(lines(fromLibrary.out).size(), 41u);
    EXPECT_EQ(fromLibrary.out, run("effect " + s + " --frames 40 --start " + start).out);

    const std::string csv = file("out.csv");
    EXPECT_EQ(run("effect " + library + " '" + caption + "' --frames 40 -o '" + csv + "'").exitCode, 0);
    EXPECT_EQ(skv::test::readFile(csv), fromLibrary.out);

    EXPECT_NE(
        run("effect " + library + " 'No such item' --frames 1").err.find("has no item \"No such item\""),
        std::string::npos);
}

} // namespace
