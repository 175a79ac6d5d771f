#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/trace/TracerTestScene.h"
#include "trace/scene/Scene.h"
#include "trace/scene/SceneCheck.h"
#include "trace/scene/SourceExcerpt.h"

namespace glintwork {

namespace {

const std::string EmptyScene = "screen 0 0 depth 0; sphere 0: / / /; light 0: /; plane 0: / /";
const std::string NoMaterials2 = " / 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 / 0 0";

}  // namespace

TEST(SceneScript, ReadsWhatTheScriptSaysAndStopsQuietly)
{
    const struct {
        std::string script, scene;
    } cases[] = {
        // Free layout: numbers of one sphere split over lines, two spheres on
        // one line, the keywords in an unusual order; both light positions
        // come before both colour blocks.
        {"light 2\n 1 2 3 4 5 6\n 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9\n 1.1 1.2 1.3 1.4 1.5 1.6 1.7 1.8 1.9\n"
         "screen 640\n480 raytracedepth -25.5\nsphere 3 1 2\n-10\n 4  5 6 -7 8 9 10 -11 12\n"
         "materialSP 1 2 3 4 5 6 7 8 9 10.5 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 1e2\n",
         "screen 640 480 depth -25.5; sphere 3: 1 2 -10 5 6 -7 9 10 -11 / 4 8 12 / 1 2 3 4 5 6 7 8 9 11 12 13 14 15 "
         "16 17 18 19 21 22 23 24 25 26 27 28 29 / 10.5 20 100; light 2: 1 2 3 4 5 6 / 0.1 0.2 0.3 0.4 0.5 0.6 0.7 "
         "0.8 0.9 1.1 1.2 1.3 1.4 1.5 1.6 1.7 1.8 1.9; plane 0: / /"},
        {"", EmptyScene},
        {"hello world 1 2 3 Sphere 1 1 1 1 1", EmptyScene},
        // materialSP before any sphere reads nothing; its numbers are skipped
        // as words.
        {"materialSP 1 2 3 4 5 6 7 8 9 10 screen 3 4", "screen 3 4" + EmptyScene.substr(10)},
        {"sphere 0 materialSP 1 2 3 4 5 6 7 8 9 10 screen 5 6", "screen 5 6" + EmptyScene.substr(10)},
        // A later sphere replaces the spheres and leaves them without
        // materials; a later materialSP overwrites.
        {"sphere 1 0 0 -5 1 materialSP 1 1 1 1 1 1 1 1 1 5 sphere 2 1 1 -6 2 3 3 -7 3",
         "screen 0 0 depth 0; sphere 2: 1 1 -6 3 3 -7 / 2 3" + NoMaterials2 + "; light 0: /; plane 0: / /"},
        {"sphere 1 0 0 -5 1 materialSP 1 1 1 1 1 1 1 1 1 5 materialSP 2 2 2 2 2 2 2 2 2 7",
         "screen 0 0 depth 0; sphere 1: 0 0 -5 / 1 / 2 2 2 2 2 2 2 2 2 / 7; light 0: /; plane 0: / /"},
        // Points left over after whole planes have no material.
        {"plane 6 1 1 1 2 2 2 3 3 3 4 4 4 5 5 5 6 6 6 0.5 0.5 0.5 0.25 0.25 0.25 0 0 0 3",
         "screen 0 0 depth 0; sphere 0: / / /; light 0: /; plane 6: 1 1 1 2 2 2 3 3 3 4 4 4 5 5 5 6 6 6 / 0.5 0.5 "
         "0.5 0.25 0.25 0.25 0 0 0 / 3"},
        {"screen 1 2 light 1 1 1 1 0 0 0 0 0 0 0 0 0 screen 7 8 light 0 raytracedepth 3 raytracedepth -4",
         "screen 7 8 depth -4; sphere 0: / / /; light 0: /; plane 0: / /"},
        // Counts too large for 32 bits end the reading like malformed numbers
        // (found by fuzzing: the lists for them were allocated, 48 GB).
        {"screen 3 4 light 4294967296 1 2 3 screen 5 6", "screen 3 4" + EmptyScene.substr(10)},
        {"plane 18446744073709551615 0 0 0", EmptyScene},
        // Lists cut short keep their count and zero fill; a light count that
        // cannot be read leaves the earlier planes alone.
        {"light 2 1 2 3 4 5 6 0.5 0.25", "screen 0 0 depth 0; sphere 0: / / /; light 2: 1 2 3 4 5 6 / 0.5 0.25 0 0 0 0 "
                                         "0 0 0 0 0 0 0 0 0 0 0 0; plane 0: / /"},
        {"sphere 2 1 1 1 1 2 2 2 2 materialSP 1 2 3 4 5 6 7 8 9 10 11",
         "screen 0 0 depth 0; sphere 2: 1 1 1 2 2 2 / 1 2 / 1 2 3 4 5 6 7 8 9 11 0 0 0 0 0 0 0 0 / 10 0; light 0: /; "
         "plane 0: / /"},
        {"plane 8 1 1 1 2 2 2 3 3 3 light 4294967296",
         "screen 0 0 depth 0; sphere 0: / / /; light 0: /; plane 8: 1 1 1 2 2 2 3 3 3 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 / "
         "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 / 0 0"},
        // A list cut short after a longer one of the same keyword: nothing of
        // the earlier list shows through.
        {"sphere 2 1 1 1 1 2 2 2 2 materialSP 1 1 1 1 1 1 1 1 1 3 2 2 2 2 2 2 2 2 2 4 sphere 1 5 5",
         "screen 0 0 depth 0; sphere 1: 5 5 0 / 0 / 0 0 0 0 0 0 0 0 0 / 0; light 0: /; plane 0: / /"},
        {"light 2 1 1 1 2 2 2 3 3 3 3 3 3 3 3 3 4 4 4 4 4 4 4 4 4 light 1 7 7 7 0.5",
         "screen 0 0 depth 0; sphere 0: / / /; light 1: 7 7 7 / 0.5 0 0 0 0 0 0 0 0; plane 0: / /"},
        {"plane 8 1 1 1 2 2 2 3 3 3 4 4 4 5 5 5 6 6 6 7 7 7 8 8 8 1 1 1 1 1 1 1 1 1 9 2 2 2 2 2 2 2 2 2 8 "
         "plane 4 3 3 3 4 4 4 5 5 5 6 6 6 0.5",
         "screen 0 0 depth 0; sphere 0: / / /; light 0: /; plane 4: 3 3 3 4 4 4 5 5 5 6 6 6 / 0.5 0 0 0 0 0 0 0 0 / 0"},
        {"sphere 2 1 1 1 1 2 2 2 2 materialSP 1 1 1 1 1 1 1 1 1 3 2 2 2 2 2 2 2 2 2 4 materialSP 6 6",
         "screen 0 0 depth 0; sphere 2: 1 1 1 2 2 2 / 1 2 / 6 6 1 1 1 1 1 1 1 2 2 2 2 2 2 2 2 2 / 3 4; light 0: /; "
         "plane 0: / /"},
        // Exactly enough room for the count.
        {"sphere 1 1 2 3 4",
         "screen 0 0 depth 0; sphere 1: 1 2 3 / 4 / 0 0 0 0 0 0 0 0 0 / 0; light 0: /; plane 0: / /"},
    };
    for (const auto& c : cases) {
        Scene s;
        EXPECT_EQ(ReadScene(s, c.script), Scene::Status::Read) << c.script;
        EXPECT_EQ(Describe(s), c.scene) << c.script;
    }
}

TEST(SceneScript, AFailedExtractionStoresNothingAndStopsReading)
{
    // Each script ends in a number that cannot be read (malformed, out of
    // range, or missing): what came before stays, the entry itself keeps its
    // zero fill, and nothing after it is read (not even a later keyword).
    struct Case {
        std::string text;
        unsigned width, height;
        float depth;
        std::vector<float> centres, radii;
    };
    const std::string sphere = "sphere 1 1 2 3 4 ";
    const Case cases[] = {
        {"raytracedepth -100 raytracedepth none screen 5 5", 0, 0, -100, {}, {}},
        {"raytracedepth -100 raytracedepth 1e999", 0, 0, -100, {}, {}},
        {"screen 640 480 screen 320 x", 320, 480, 0, {}, {}},
        {"screen 9 9 screen abc 5 raytracedepth 2", 9, 9, 0, {}, {}},
        {"screen 9 9 screen 99999999999 5", 9, 9, 0, {}, {}},
        {sphere + "sphere x screen 5 5", 0, 0, 0, {1, 2, 3}, {4}},
        {sphere + "sphere 999999999992 sphere 2 1 1 1 1 1 1 1 1", 0, 0, 0, {1, 2, 3}, {4}},
        {"sphere 2 1 2 3 4 5 x 7 8 screen 1 1", 0, 0, 0, {1, 2, 3, 5, 0, 0}, {4, 0}},
        {"sphere 2 1 2 3 4 5 6 7 -1e999", 0, 0, 0, {1, 2, 3, 5, 6, 7}, {4, 0}},
        // Cut short by the end of the file: the count stays as written.
        {"screen 4 3 sphere 3 1 2 3 4 5 6", 4, 3, 0, {1, 2, 3, 5, 6, 0, 0, 0, 0}, {4, 0, 0}},
        // A byte-order mark is skipped at the very start only.
        {"\xEF\xBB\xBFscreen 4 3", 4, 3, 0, {}, {}},
        {"\xEF\xBB\xBF\xEF\xBB\xBFscreen 4 3", 0, 0, 0, {}, {}},
        {"\xEF\xBBscreen 4 3", 0, 0, 0, {}, {}},
        {"screen 4 3 \xEF\xBB\xBFscreen 5 6", 4, 3, 0, {}, {}},
    };
    for (const Case& c : cases) {
        Scene s;
        ASSERT_EQ(ReadScene(s, c.text), Scene::Status::Read) << c.text;
        EXPECT_EQ(s.screenWidth, c.width) << c.text;
        EXPECT_EQ(s.screenHeight, c.height) << c.text;
        EXPECT_EQ(s.rayTraceDepth, c.depth) << c.text;
        EXPECT_EQ(s.sphereCentres, c.centres) << c.text;
        EXPECT_EQ(s.sphereRadii, c.radii) << c.text;
        EXPECT_EQ(s.sphereCount, c.radii.size()) << c.text;
        EXPECT_EQ(s.sphereMaterials.size(), 9 * c.radii.size()) << c.text;
    }
}

TEST(SceneScript, RefusesCountsAboveTheirLimit)
{
    const char* cases[][2] = {
        {"sphere -1 1 2 3 4", "\"sphere\" count 4294967295 is larger"},
        {"sphere 1000001", "\"sphere\" count 1000001 is larger"},
        {"light 257 1 2 3", "\"light\" count 257 is larger"},
        {"plane 1000001 0 0 0", "\"plane\" count 1000001 is larger"},
    };
    for (const auto& c : cases) {
        Scene s;
        EXPECT_EQ(ReadScene(s, c[0]), Scene::Status::Unusable) << c[0];
        EXPECT_NE(s.Error().find(c[1]), std::string::npos) << s.Error();
        EXPECT_EQ(s.Error().find('\n'), std::string::npos);
        EXPECT_TRUE(s.sphereCentres.empty() && s.lightColours.empty() && s.planePoints.empty());
    }
    // Counts at their limits are read, however short the file.
    Scene ok;
    for (const char* text : {"sphere 1000000", "light 256", "plane 1000000"})
        ASSERT_EQ(ReadScene(ok, text), Scene::Status::Read) << text;
    EXPECT_EQ(ok.sphereRadii.size(), Scene::MaxListedSpheres);
    EXPECT_EQ(ok.lightColours.size(), 9u * Scene::MaxLights);
    EXPECT_EQ(ok.planePoints.size(), 3u * Scene::MaxPlanePoints);
}

TEST(SceneScript, FileEntryTellsMissingFromUnusable)
{
    ScratchDir dir;

    Scene missing;
    EXPECT_EQ(missing.ReadScript(dir.Path("scenescript.txt").c_str()), Scene::Status::Missing);

    const std::string huge = dir.Path("huge.txt");
    std::ofstream(huge) << "screen 1 1";
    ASSERT_EQ(truncate(huge.c_str(), Scene::MaxScriptBytes + 1), 0);
    Scene big;
    EXPECT_EQ(big.ReadScript(huge.c_str()), Scene::Status::Unusable);

    // What is opened is what is checked: a FIFO with no writer, a device or a
    // folder is refused at once (an open that waited would hang the watch).
    const std::string fifo = dir.Path("fifo.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/null"), std::string("/dev/tty"), dir.Folder()}) {
        Scene s;
        EXPECT_EQ(s.ReadScript(path.c_str()), Scene::Status::Unusable) << path;
        EXPECT_NE(s.Error().find(path + ": "), std::string::npos) << s.Error();
    }
    std::ofstream(huge) << "screen 4 3";
    Scene small;
    EXPECT_EQ(small.ReadScript(huge.c_str()), Scene::Status::Read);
    EXPECT_EQ(small.screenWidth, 4u);
}

namespace {

// "LINE:COLUMN: warning: TEXT" for each diagnostic.
std::vector<std::string> Messages(const std::vector<SceneDiagnostic>& list)
{
    std::vector<std::string> lines;
    for (const SceneDiagnostic& d : list)
        lines.push_back(std::to_string(d.place.line) + ":" + std::to_string(d.place.column) +
                        (d.severity == SceneDiagnostic::Severity::Error     ? ": error: "
                         : d.severity == SceneDiagnostic::Severity::Warning ? ": warning: "
                                                                             : ": note: ") +
                        d.text);
    return lines;
}

}  // namespace

// Where reading stops, what it warns about, and the place of each (bytes from
// 1, a tab as one, after a byte-order mark). The values read are the same as
// without the messages (the tables above).
TEST(SceneScript, MessagesNameThePlaceTheEntryAndWhatWasFound)
{
    const struct {
        std::string script;
        std::vector<std::string> messages;  // each a prefix of the message
    } cases[] = {
        {"screen 640 480\nsphere 3\n  -4.5 -6.0 -18.0   3.5\n   3.5 -5.0 -23.0   0.3O\n   0.5  3.0 -14.0   2.5\n",
         {"4:21: warning: reading stopped: \"sphere\" entry 2 of 3, radius: expected a number, found \"0.3O\" (its "
          "\"0.3\" is read; the rest, \"O\", read as \"sphere\" entry 3 of 3, x, is not a number); what came before"}},
        // The last number of a list: the rest is read as the next word.
        {"sphere 1 0 0 -5 0.3O screen 3 4",
         {"1:17: warning: \"sphere\" entry 1 of 1, radius: \"0.3O\" is not one number: its \"0.3\" is read, and the "
          "rest, \"O\", as a word that is skipped",
          "1:1: warning: no \"materialSP\" follows this \"sphere\": its 1 sphere has no material and shows black"}},
        {"sphere 1.5 1 2 -4e1light 2", {"1:8: warning: \"sphere\" count: \"1.5\" is not one number: its \"1\" is read, "
                                         "and the rest, \".5\", as \"sphere\" entry 1 of 1, x",
                                         "1:16: warning: \"sphere\" entry 1 of 1, radius: \"-4e1light\" is not one "
                                         "number: its \"-4e1\" is read, and the rest, \"light\", as the keyword",
                                         "1:20: warning: list cut short by the end of the file: \"light\" position 1 of "
                                         "2, x is missing", "1:1: warning: no \"materialSP\""}},
        // After a stop, the rest is read for what it holds, told as notes.
        {"sphere 7\n 1 2 3 4\n\t5 6 7 8\n 1 1 1 1\nmaterialSP 1 1 1 1 1 1 1 1 1 1\n",
         {"5:1: warning: reading stopped: \"sphere\" entry 4 of 7, x: expected a number, found \"materialSP\" (a "
          "keyword, after 3 whole entries of 7: are there fewer entries than 7?)",
          "5:1: note: list cut short by the end of the file: \"materialSP\" sphere 2 of 7, ambient red is missing; "
          "what is not given is zero (after 1 whole entry of 7: are there fewer entries than 7?) (not read, because "
          "reading stopped at 5:1)"}},
        {"sphere 2\n 1 2 3 0.3O\nlihgt 2\nscreen 4 x 3\nraytracedepth 1e999\nsphere 1 1 1 1 1",
         {"2:8: warning: reading stopped: \"sphere\" entry 1 of 2, radius: expected a number, found \"0.3O\"",
          "3:1: note: \"lihgt\" is skipped; did you mean \"light\"? (not read, because reading stopped at 2:8)",
          "4:10: note: reading would stop here too: \"screen\" height: expected a number, found \"x\" (the width and "
          "the height are two numbers, with space between: \"screen 4 3\") (not read, because reading stopped at 2:8)",
          "5:15: note: reading would stop here too: \"raytracedepth\": expected a number, found \"1e999\" (out of "
          "range) (not read",
          "6:1: note: no \"materialSP\" follows this \"sphere\" (not read, because reading stopped at 2:8)"}},
        {"screen 800x600", {"1:8: warning: reading stopped: \"screen\" width: expected a number, found \"800x600\" "
                            "(the width and the height are two numbers, with space between: \"screen 800 600\")"}},
        {"light 2\n1 2 3\n1 1 1 1 1 1 1 1 1\n# the other lamp\n",
         {"4:1: warning: reading stopped: \"light\" colour 1 of 2, specular red: expected a number, found \"#\" ('#' "
          "starts no comment: \"light 2\" reads all 2 positions first, then the colour blocks"}},
        {"sphere 3 1 1 1 1 # two more", {"1:18: warning: reading stopped: \"sphere\" entry 2 of 3, x: expected a "
                                         "number, found \"#\" ('#' starts no comment inside a list; after 1 whole "
                                         "entry of 3: are there fewer entries than 3?)"}},
        // Near misses of keywords, where a keyword could stand; not in a
        // comment's prose nor in the rest of a number.
        {"shpere 1 0 0 -5 1\n  lihgt 2\n# lights 2 and 3 spheres\nscreen 4 4 raytracedepht -1\nmaterialsSP\n"
         "lights in prose raytracedepth -5Sphere",
         {"1:1: warning: \"shpere\" is skipped; did you mean \"sphere\"?",
          "2:3: warning: \"lihgt\" is skipped; did you mean \"light\"?",
          "4:12: warning: \"raytracedepht\" is skipped; did you mean \"raytracedepth\"?",
          "5:1: warning: \"materialsSP\" is skipped; did you mean \"materialSP\"?",
          "6:1: warning: \"lights\" is skipped; did you mean \"light\"?",
          "6:31: warning: \"raytracedepth\": \"-5Sphere\" is not one number"}},
        {"\xEF\xBB\xBF\tSphere 1\n LIGHT materialsp",
         {"1:2: warning: \"Sphere\" is skipped: keywords are case-sensitive; did you mean \"sphere\"?",
          "2:2: warning: \"LIGHT\" is skipped", "2:8: warning: \"materialsp\" is skipped"}},
        // A keyword on a comment line: told with the stop it leads to.
        {"screen 640 480\n  # a warm light from the top\n",
         {"2:18: warning: reading stopped: \"light\" count: expected a number, found \"from\"; \"light\" at 2:12 is read "
          "as a keyword on what looks like a comment line: '#' starts no comment; what came before"}},
        {"# light 0 below\nscreen 1 1", {"1:3: warning: \"light\" is read as a keyword on what looks like a comment "
                                         "line: '#' starts no comment, only words that are not keywords are skipped"}},
        {"# all keywords follow\nmaterialSP 1 2 3 4 5 6 7 8 9 10 sphere 1 0 0 -5 1",
         {"2:1: warning: \"materialSP\" before any \"sphere\" reads nothing",
          "2:33: warning: no \"materialSP\" follows this \"sphere\": its 1 sphere has no material"}},
        {"sphere 0 materialSP", {"1:10: warning: \"materialSP\" after \"sphere 0\" reads nothing"}},
        {"light 2 1 2 3 4 5 6 0.5", {"1:1: warning: list cut short by the end of the file: \"light\" colour 1 of 2, "
                                     "ambient green is missing; what is not given is zero"}},
        {"screen 4 3 raytracedepth", {"1:12: warning: the file ends before \"raytracedepth\"; it keeps its earlier"}},
        {"screen 4 3 screen 5", {"1:12: warning: the file ends before \"screen\" height; it keeps"}},
        {"plane 5", {"1:1: warning: list cut short by the end of the file: \"plane\" point 0 (of 0 to 4), x"}},
        {RoomScript(std::string(4, '\n') + "0.5 0.2O 0.5 0 0 0 0 0 0 1\n"),
         {"11:5: warning: reading stopped: \"plane\" material 1 of 5 (left wall), ambient green: expected a number, "
          "found \"0.2O\""}},
        {"raytracedepth -5x", {"1:15: warning: \"raytracedepth\": \"-5x\" is not one number: its \"-5\" is read, and "
                               "the rest, \"x\", as a word that is skipped"}},
        {"raytracedepth 1e999", {"1:15: warning: reading stopped: \"raytracedepth\": expected a number, found "
                                 "\"1e999\" (out of range)"}},
        {"\n\n  light -3 plane 1 screen \x01x", {"3:9: error: \"light\" count 4294967293 is larger than a scene may "
                                                  "have (256); \"-3\" is read as a count, which cannot be negative",
                                                  "3:20: note: reading would stop here too: \"plane\" point 0 (of 0 "
                                                  "to 0), x: expected a number, found \"screen\" (a keyword",
                                                  "3:27: note: reading would stop here too: \"screen\" width"}},
        {"plane 1 1 2 3 screen \x01x\"", {"1:22: warning: reading stopped: \"screen\" width: expected a number, found "
                                          "\"\\x01x\\\"\""}},
    };
    for (const auto& c : cases) {
        Scene s;
        ReadScene(s, c.script);
        const std::vector<std::string> got = Messages(s.Diagnostics());
        ASSERT_EQ(got.size(), c.messages.size()) << c.script << "\n" << ::testing::PrintToString(got);
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i].substr(0, c.messages[i].size()), c.messages[i]) << c.script;
    }
}

// Every message shows its line with a caret under the place, whatever the
// line holds and in whatever order the places come.
TEST(SceneScript, MessagesShowTheirLineWithACaret)
{
    const std::string ones = [] {
        std::string t;
        for (int i = 0; i < 20; ++i)
            t += "raytracedepth 1 ";
        return t;
    }();
    const struct {
        std::string script;
        std::size_t message;  // which of the messages
        std::string shown;
    } cases[] = {
        // Tabs kept in both lines; a byte-order mark is no column.
        {"\xEF\xBB\xBF\tsphere 1 0 0 -5x 1", 0, "\tsphere 1 0 0 -5x 1\n\t             ^"},
        // A character of two bytes is one column; control characters and
        // bytes that are no UTF-8 are escaped, and take their width.
        {"caf\xC3\xA9 \x1B\xFF screen x", 0, "caf\xC3\xA9 \\x1b\\xff screen x\n                     ^"},
        {"screen 4 3\r\nsphere x\r\n", 0, "sphere x\n       ^"},
        // Told at the end, about the first line.
        {"sphere 1 0 0 -5 1\n\nscreen 4 4\n", 0, "sphere 1 0 0 -5 1\n^"},
        // A wide line, cut around the place.
        {ones + "screen x " + ones, 0,
         "...acedepth 1 raytracedepth 1 raytracedepth 1 screen x raytracedepth 1 raytracedepth 1 raytracedepth 1 ..."
         "\n                                                     ^"},
        {"screen 4 x\n" + ones + ones + "\tsphere 1 0.5O", 1,
         "...depth 1 raytracedepth 1 raytracedepth 1 \tsphere 1 0.5O\n                                           \t         ^"},
    };
    for (const auto& c : cases) {
        Scene s;
        ReadScene(s, c.script);
        ASSERT_GT(s.Diagnostics().size(), c.message) << c.script;
        EXPECT_EQ(SourceExcerpt(c.script, s.Diagnostics()[c.message].place), c.shown) << c.script;
    }
    ScenePlace whole;
    whole.line = whole.column = 1;
    whole.wholeFile = true;
    EXPECT_EQ(SourceExcerpt("screen 4 4", whole), "");
}

// However a script is laid out, the reader looks at each character a
// bounded number of times, and keeps at most 100 messages of a kind.
TEST(SceneScript, ReadingIsLinearAndMessagesAreCapped)
{
    const auto repeated = [](const std::string& piece, std::size_t times) {
        std::string t;
        for (std::size_t i = 0; i < times; ++i)
            t += piece;
        return t;
    };
    const struct {
        std::string script;
        std::size_t messages;
        std::string last;  // the start of the last message
    } cases[] = {
        {repeated("raytracedepth 1 ", 200000), 0, ""},
        {repeated("Sphere\n", 300000), 101, "101:1: note: 299900 more messages of this kind from here on are not shown"},
        {repeated("sphere 1000000 ", 100000), 103, "1:1499986: note: no \"materialSP\" follows"},
        {"sphere 100000 0.1" + repeated(".1", 200000), 103, "1:1: warning: no \"materialSP\" follows"},
        {repeated("# sphere light plane ", 100000), 103, "1:2099995: note: the file ends before \"plane\" count"},
    };
    for (const auto& c : cases) {
        Scene s;
        ReadScene(s, c.script);
        EXPECT_LE(s.ReadingEnd().looked, 4 * c.script.size()) << c.script.substr(0, 40);
        ASSERT_EQ(s.Diagnostics().size(), c.messages) << c.script.substr(0, 40);
        if (c.messages > 0) {
            EXPECT_EQ(Messages(s.Diagnostics()).back().substr(0, c.last.size()), c.last) << c.script.substr(0, 40);
        }
    }
}

// Why a scene cannot be traced, in terms of where reading stopped or the
// keyword that gave too little; more spheres than traced, at "sphere".
TEST(SceneCheck, TellsWhyInTermsOfWhereReadingStopped)
{
    const std::string room = RoomScript();
    std::string lowCeiling = room;
    lowCeiling.replace(lowCeiling.find("-10 10 10  10 10 10"), 19, "-10 10 10  10 8 10");
    const char* const spheres = "sphere 6 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 materialSP";
    const struct {
        std::string script;
        bool usable;
        std::string message;
    } cases[] = {
        {"screen 640 480\nlight a\n" + room, false,
         "2:7: error: the room needs 20 plane points, and none were read before this place"},
        {"", false, "1:1: error: the room needs 20 plane points, but the file is empty"},
        {"screen 640 480", false, "1:1: error: the room needs 20 plane points, but the file has no \"plane\""},
        {"screen 640 480\n plane 19 1 2 3", false, "2:2: error: the room needs 20 plane points, but this \"plane\" gives 19"},
        {room + "screen 0 480", false, "12:1: error: the screen size 0 x 480 is not usable"},
        {room + "screen 8193 10", false, "12:1: error: the screen size 8193 x 10 is not usable"},
        {room + "screen 10 16384", false, "12:1: error: the screen size 10 x 16384 is not usable"},
        {room, false, "1:1: error: the screen size 0 x 0 is not usable; each side must be between 1 and 8192; the "
                      "file has no \"screen\""},
        {room + "light x screen 4 4", false, "12:7: error: the screen size 0 x 0 is not usable; each side must be "
                                             "between 1 and 8192; no \"screen\" was read before this place"},
        {"screen 8192 1\n" + room + spheres, true, "13:1: warning: the scene has 6 spheres; only the first 5 are traced"},
        {"screen 4 4\n" + lowCeiling, true,
         "2:1: warning: \"plane\" point 13 is (10, 8, 10): the ceiling is at y = 10, the point's z, not at its y"},
    };
    for (const auto& c : cases) {
        Scene s;
        ReadScene(s, c.script);
        std::vector<SceneDiagnostic> findings;
        EXPECT_EQ(CheckSceneForTracing(s, findings), c.usable) << c.script;
        const std::vector<std::string> got = Messages(findings);
        ASSERT_FALSE(got.empty()) << c.script;
        EXPECT_EQ(got.back().substr(0, c.message.size()), c.message) << c.script;
    }
}


// Why a picture would show nothing, or only black, each said once at the
// keyword to change; a scene that shows something gets none of them.
TEST(SceneCheck, WarnsWhenThePictureWouldShowNothing)
{
    // The lamp sits inside the room, off the eye's axis; the room is x, y in
    // [-10, 10] (points 0, 9, 17 and 13 on lines 4, 6, 8 and 7).
    const std::string lamp = "light 1 5 5 -15 0.2 0.2 0.2 0.5 0.5 0.5 0 0 0\n";
    const auto scene = [&](const std::string& screen, const std::string& depth, const std::string& lights,
                           const std::string& point, const std::string& by) {
        std::string room = RoomScript();
        if (!point.empty())
            room.replace(room.find(point), point.size(), by);
        return screen + "\n" + depth + "\n" + lights + room;
    };
    const std::string screen = "screen 64 48", depth = "raytracedepth -100";
    const std::string row5 = "-10 -10 10  10 -10 10";
    const char* const noLights = "the scene has no lights: every point is drawn black, since ambient light too comes "
                                 "from the lights";
    const char* const black = " shows nothing in the room view: its leftmost column and bottom row of pixels are "
                              "always black, and this screen has no others";
    const struct {
        std::string script;
        std::vector<std::string> warnings;
    } cases[] = {
        {scene(screen, depth, lamp, "", ""), {}},
        {scene("screen 2 2", "raytracedepth -0.0100001", lamp, "", ""), {}},
        {scene("screen 1 48", depth, lamp, "", ""), {"1:1: warning: the screen 1 x 48" + std::string(black)}},
        {scene("screen 64 1", depth, lamp, "", ""), {"1:1: warning: the screen 64 x 1" + std::string(black)}},
        {scene(screen, "raytracedepth -0.01", lamp, "", ""),
         {"2:1: warning: the depth limit -0.01 hides everything: only hits with z above it are drawn, and the view "
          "begins at z = -0.01"}},
        {scene(screen, "", lamp, "", ""),
         {"0:0: warning: the depth limit 0 hides everything: only hits with z above it are drawn, and the view begins "
          "at z = -0.01; the file has no \"raytracedepth\""}},
        {scene(screen, depth, "light 0\n", "", ""), {"3:1: warning: " + std::string(noLights)}},
        {scene(screen, depth, "", "", ""), {"0:0: warning: " + std::string(noLights) + "; the file has no \"light\""}},
        // A room without width or height holds neither the eye nor the lamp:
        // only the room is warned about.
        {scene(screen, depth, lamp, "-10 -10 10  -10 10 10", "10 -10 10  -10 10 10"),
         {"4:1: warning: the room has no width: its left wall is at x = 10 (point 0's x) and its right wall at x = "
          "10 (point 9's x)"}},
        {scene(screen, depth, lamp, row5, "-10 -10 10  10 11 10"),
         {"4:1: warning: the room has no height: its floor is at y = 11 (point 17's y) and its ceiling at y = 10 "
          "(point 13's z)"}},
        {scene(screen, depth, lamp, row5, "-10 -10 10  10 0.5 10"),
         {"4:1: warning: the eye (0, 0, 0) is outside the room, beyond its floor at y = 0.5 (point 17's y): the room "
          "is seen from outside"}},
        {scene(screen, depth, lamp, "-10 -10 10  -10 10 10", "-0.0005 -10 10  -10 10 10"),
         {"4:1: warning: the pair's eye (-0.001, 0, 0) is outside the room, beyond its left wall at x = -0.0005 "
          "(point 0's x): the room is seen from outside"}},
        {scene(screen, depth, lamp, row5, "-10 -10 10  10 0 10"),
         {"4:1: warning: the eye (0, 0, 0) is on the plane of the room's floor at y = 0 (point 17's y): no ray "
          "reaches the floor, and the ceiling is drawn only by the rays that run along that plane"}},
        {scene(screen, depth, lamp, "-10 -10 10  -10 10 10", "0 -10 10  -10 10 10"),
         {"4:1: warning: the eye (0, 0, 0) is on the plane of the room's left wall at x = 0 (point 0's x): no ray "
          "reaches the left wall, and the right wall, back wall, floor and ceiling are drawn only by the rays that "
          "run along that plane"}},
        // Lamps behind the eye are in the room: it is open towards the eye.
        {scene(screen, depth, "light 2 5 12 -15 0 0 -31 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n", "", ""),
         {"3:1: warning: every light is outside the room: light 1 at (5, 12, -15) is beyond the ceiling at y = 10 "
          "(point 13's z), which faces away from it"}},
        {scene(screen, depth, "light 2 5 12 -15 0 0 5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n", "", ""), {}},
    };
    for (const auto& c : cases) {
        Scene s;
        ReadScene(s, c.script);
        std::vector<SceneDiagnostic> findings;
        EXPECT_TRUE(CheckSceneForTracing(s, findings)) << c.script;
        std::vector<std::string> got = Messages(findings);
        std::sort(got.begin(), got.end());
        std::vector<std::string> expected = c.warnings;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected) << c.script;
    }
}

}  // namespace glintwork
