#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/CommandLine.h"
#include "app/FrameOutput.h"
#include "app/OptionParser.h"
#include "app/ExitStatus.h"
#include "app/Settings.h"
#include "tests/support/ScratchFolder.h"

namespace glintwork {

// Each line's action and what it gives: the scene (Trace), the scenes one
// space apart (Check) or the whole message (Misused).
TEST(CommandLine, ParsesSceneAndOptionsInAnyOrder)
{
    using A = CommandLine::Action;
    const struct {
        std::vector<const char*> arguments;  // after the program name
        A action;
        const char* gives;
        bool watch = false;
        long frames = 0;
    } cases[] = {
        {{}, A::Trace, "scenescript.txt"},
        {{"room.txt", "--watch"}, A::Trace, "room.txt", true},
        {{"--frames", "12", "room.txt"}, A::Trace, "room.txt", false, 12},
        {{"--frames=3", "--watch"}, A::Trace, "scenescript.txt", true, 3},
        {{"--frames", "2", "--frames=5"}, A::Trace, "scenescript.txt", false, 5},
        {{"--", "--watch"}, A::Trace, "--watch"},  // a scene whose name starts with '-'
        {{"--", "-x"}, A::Trace, "-x"},
        {{"--", "--"}, A::Trace, "--"},
        {{"--frames", "--watch"}, A::Misused, "--frames: \"--watch\" is not a whole number of frames from 1"},
        {{"--"}, A::Trace, "scenescript.txt"},
        {{"-"}, A::Trace, "-"},
        {{"-", "--watch"}, A::Trace, "-", true},
        {{"-h"}, A::Help, ""},
        {{"-h", "--bogus"}, A::Help, ""},
        {{"--", "-h"}, A::Trace, "-h"},
        {{"-x"}, A::Misused, "unknown option -x"},
        {{"-hx"}, A::Misused, "unknown option -hx"},
        {{"-h=1"}, A::Misused, "unknown option -h=1"},
        {{"---help"}, A::Misused, "unknown option ---help; did you mean --help?"},
        {{"-frames", "2"}, A::Misused, "unknown option -frames; did you mean --frames?"},
        {{"--frame", "1"}, A::Misused, "unknown option --frame; did you mean --frames?"},
        {{"--fraems=1"}, A::Misused, "unknown option --fraems=1; did you mean --frames?"},
        {{"--otuput", "a.png"}, A::Misused, "unknown option --otuput; did you mean --output?"},
        {{"--keysu"}, A::Misused, "unknown option --keysu; did you mean --keys?"},
        {{"--rfaems"}, A::Misused, "unknown option --rfaems; did you mean --frames?"},  // two swaps
        {{"--fra"}, A::Misused, "unknown option --fra"},                              // three edits
        {{"--watch=1"}, A::Misused, "unknown option --watch=1"},
        {{"--\x1b[2J"}, A::Misused, "unknown option --\\x1b[2J"},
        {{"--bogus", "--help"}, A::Misused, "unknown option --bogus"},
        {{"room.txt", "--help", "--bogus"}, A::Help, ""},
        {{"--version", "-x"}, A::Version, ""},
        {{"--frames"}, A::Misused, "--frames needs a number of frames"},  // its forms: see GLINTWORK_FRAMES below
        {{"a.txt", "b.txt"}, A::Misused, "more than one scene: a.txt and b.txt"},
        {{"a\x7f", "--", "-\x01"}, A::Misused, "more than one scene: a\\x7f and -\\x01"},
        {{"--keys", "uR<>", "--output=a.png"}, A::Trace, "scenescript.txt"},
        {{"--keys="}, A::Misused, "--keys: \"\" is not a sequence of g h k r t u y < >"},
        {{"--keys", " "}, A::Misused, "--keys: \" \" is not a sequence of g h k r t u y < >"},
        {{"--keys", "u\tx\x1b"}, A::Misused, "--keys: \"u\\x09x\\x1b\" is not a sequence of g h k r t u y < >"},
        {{"--keys"}, A::Misused, "--keys needs a sequence of inputs"},
        {{"--output", ""}, A::Misused, "--output needs a file name"},
        {{"--output"}, A::Misused, "--output needs a file name"},
        {{"--output", "x.jpg2"}, A::Misused,
         "--output: \"x.jpg2\": unknown extension; FILE must end in .bmp, .png, .jpg or .jpeg (or --format must say "
         "the kind)"},
        {{"--output=.png"}, A::Misused,
         "--output: \".png\": unknown extension; FILE must end in .bmp, .png, .jpg or .jpeg (or --format must say "
         "the kind)"},
        {{"--output", "x.raw", "--format", "png"}, A::Trace, "scenescript.txt"},
        {{"--format", "Jpeg", "--output", "x.bmp"}, A::Misused, "--format JPEG: \"x.bmp\" names a BMP file"},
        {{"--format", "gif"}, A::Misused, "--format: \"gif\" is not a kind of file; KIND is bmp, png, jpg or jpeg"},
        {{"--output", "shot-%d-%d.png"}, A::Misused,
         "--output: \"shot-%d-%d.png\": more than one %d field; a name takes one frame number"},
        {{"--output", "shot-%s.png"}, A::Misused,
         "--output: \"shot-%s.png\": a frame number is written %d (printf-like, e.g. %04d), and a literal % as %%"},
        {{"--output", "50%.png"}, A::Misused,
         "--output: \"50%.png\": a frame number is written %d (printf-like, e.g. %04d), and a literal % as %%"},
        {{"--output", "a%999d.png"}, A::Misused, "--output: \"a%999d.png\": the %d field is wider than 64 characters"},
        {{"--record", "ug", "--output", "a-%03d.bmp"}, A::Trace, "scenescript.txt"},
        {{"--record", "ug", "--output", "-"}, A::Trace, "scenescript.txt"},
        {{"--record", "ug"}, A::Misused,
         "--record needs --output with a %d field (shot-%04d.png) or -: each frame of a recording is a file of its "
         "own, and \"screenShot.bmp\" has no %d"},
        {{"--record", "ug", "--output", "a.png", "--watch"}, A::Misused,
         "--record ends after its last input; it takes no --watch"},
        {{"--frames", "2", "--record", "u", "--output", "-"}, A::Misused,
         "--record ends after its last input; it takes no --frames"},
        {{"--record", "x", "--output", "-"}, A::Misused, "--record: \"x\" is not a sequence of g h k r t u y < >"},
        {{"a.txt", "--check", "b.txt"}, A::Check, "a.txt b.txt"},
        {{"--check"}, A::Check, "scenescript.txt"},
        {{"--check", "--", "-x", "-"}, A::Check, "-x -"},
        {{"--strict", "--check", "a.txt"}, A::Check, "a.txt"},
        {{"--strict"}, A::Misused, "--strict goes with --check only"},
        {{"--check", "a.txt", "--watch"}, A::Misused,
         "--check reads the scenes only; it takes no --watch, --frames, --keys, --record, --output, --format or --headless"},
        {{"--frames=2", "--check"}, A::Misused, "--check reads the scenes only; it takes no --watch, --frames, --keys, --record, --output, --format or --headless"},
        {{"--check", "--output=screenShot.bmp"}, A::Misused,
         "--check reads the scenes only; it takes no --watch, --frames, --keys, --record, --output, --format or --headless"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"glintwork"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        const std::string label = c.arguments.empty() ? "(none)" : ShownArgument(c.arguments[0]);
        EXPECT_EQ(line.action, c.action) << label;
        EXPECT_EQ(line.error, c.action == A::Misused ? c.gives : "") << label;
        std::string scenes;
        for (const std::string& scene : line.scenes)
            scenes += (scenes.empty() ? "" : " ") + scene;
        if (c.action == A::Check) {
            EXPECT_EQ(scenes, c.gives) << label;
        }
        if (c.action != A::Trace)
            continue;
        EXPECT_EQ(line.settings.scene, c.gives) << label;
        EXPECT_EQ(line.settings.sceneNamed, !line.scenes.empty()) << label;
        EXPECT_EQ(line.settings.watch, c.watch) << label;
        EXPECT_EQ(line.settings.frames, c.frames) << label;
    }
}

// What --keys, --record, --output, --format, --headless and --strict fill in.
TEST(CommandLine, KeysOutputAndStrict)
{
    using K = FrameOutput::Kind;
    const struct {
        std::vector<const char*> arguments;
        const char* inputs;
        const char* output;  // the name of frame 7
        K outputKind;
        PictureFileKind kind;
        bool strict = false;
        const char* recorded = "";
        bool headless = false;
    } cases[] = {
        {{}, "", "screenShot.bmp", K::OneFile, PictureFileKind::Bmp},
        {{"--keys", "g h", "--keys=  u R <"}, "uR<", "screenShot.bmp", K::OneFile, PictureFileKind::Bmp},
        {{"--output", "out.PNG"}, "", "out.PNG", K::OneFile, PictureFileKind::Png},
        {{"--output=a.b.Jpeg"}, "", "a.b.Jpeg", K::OneFile, PictureFileKind::Jpeg},
        {{"--output", "frames/x.jpg", "--output", "y.BMP"}, "", "y.BMP", K::OneFile, PictureFileKind::Bmp},
        {{"--check", "--strict"}, "", "screenShot.bmp", K::OneFile, PictureFileKind::Bmp, true},
        {{"--output", "-"}, "", "-", K::StandardOutput, PictureFileKind::Bmp},
        {{"--format", "PNG", "--output", "-"}, "", "-", K::StandardOutput, PictureFileKind::Png},
        {{"--output", "x", "--format", "jpg"}, "", "x", K::OneFile, PictureFileKind::Jpeg},
        {{"--output", "100%%.png"}, "", "100%.png", K::OneFile, PictureFileKind::Png},
        {{"--output", "s-%04d.png"}, "", "s-0007.png", K::Numbered, PictureFileKind::Png},
        {{"--output", "%d%%.bmp"}, "", "7%.bmp", K::Numbered, PictureFileKind::Bmp},
        {{"--output", "s%-3d.bmp"}, "", "s7  .bmp", K::Numbered, PictureFileKind::Bmp},
        {{"--output", "s%+.3d.bmp"}, "", "s+007.bmp", K::Numbered, PictureFileKind::Bmp},
        {{"--record", "u g", "--output", "r%d.png", "--headless"}, "", "r7.png", K::Numbered, PictureFileKind::Png,
         false, "ug", true},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"glintwork"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        const std::string label = c.arguments.empty() ? "(none)" : c.arguments.back();
        EXPECT_EQ(line.error, "") << label;
        EXPECT_EQ(line.settings.firstInputs, c.inputs) << label;
        EXPECT_EQ(line.settings.output.NameOf(7), c.output) << label;
        EXPECT_EQ(line.settings.output.GetKind(), c.outputKind) << label;
        EXPECT_EQ(line.settings.outputKind, c.kind) << label;
        EXPECT_EQ(line.strict, c.strict) << label;
        EXPECT_EQ(line.settings.recordedInputs, c.recorded) << label;
        EXPECT_EQ(line.settings.recording, *c.recorded != '\0') << label;
        EXPECT_EQ(line.settings.headless, c.headless) << label;
    }
}

// A run is refused before it starts where its frames cannot go: a folder in
// the place of a frame's file (of every frame of a known count), or a
// terminal for the bytes of the frames.
TEST(CommandLine, OutputsThatCannotBeWrittenAreRefused)
{
    ScratchDir folder;
    ASSERT_EQ(mkdir(folder.Path("taken.png").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(folder.Path("s-2.png").c_str(), 0700), 0);
    const struct {
        std::string name;
        long frames;
        bool terminal;
        std::string refusal;
    } cases[] = {
        {folder.Path("taken.png"), 0, false, folder.Path("taken.png") + " is a folder: frames are written to files (--output names another)"},
        {folder.Path("free.png"), 0, true, ""},
        {folder.Path("s-%d.png"), 2, false, ""},
        {folder.Path("s-%d.png"), 3, false, folder.Path("s-2.png") + " is a folder: frames are written to files (--output names another)"},
        {"-", 0, true, "--output -: standard output is a terminal; send the frames to a pipe or a file"},
        {"-", 0, false, ""},
    };
    for (const auto& c : cases) {
        FrameOutput output;
        std::string error;
        ASSERT_TRUE(output.Read(c.name, error)) << error;
        EXPECT_EQ(RefusedOutput(output, c.frames, c.terminal), c.refusal) << c.name << " " << c.frames;
    }
}

// What reaches a terminal of an argument: printable text and UTF-8 as they
// are, everything else as \xHH.
TEST(CommandLine, EchoedArgumentsCarryNoControlCharacters)
{
    const std::pair<const char*, const char*> cases[] = {
        {"plain ~text", "plain ~text"},
        {"\x1b]0;title\x07", "\\x1b]0;title\\x07"},
        {"tab\tnew\nline\r", "tab\\x09new\\x0aline\\x0d"},
        {"\x7f", "\\x7f"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"\xc2\x9b" "31m", "\\xc2\\x9b31m"},          // a C1 control (CSI) written in UTF-8
        {"\xc2\xa0", "\xc2\xa0"},                     // the first code point past them
        {"\x9b\xff\xc0\xaf", "\\x9b\\xff\\xc0\\xaf"},  // no UTF-8 at all, and an overlong '/'
        {"\xe2\x82", "\\xe2\\x82"},                   // cut short
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},           // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // past U+10FFFF
    };
    for (const auto& [argument, shown] : cases)
        EXPECT_EQ(ShownArgument(argument), shown) << shown;
}

// The usage lines list every option, none longer than 79 columns.
TEST(CommandLine, UsageAndHelpListEveryOption)
{
    EXPECT_EQ(UsageText(), "usage: glintwork [SCENE] [--watch] [--frames N] [--keys SEQ] [--record SEQ]\n"
                           "                 [--output FILE] [--format KIND] [--headless]\n"
                           "       glintwork --check [--strict] [SCENE...]\n"
                           "       glintwork --help | --version\n");
    const std::vector<std::string> items(8, "[--option VALUE]");
    EXPECT_EQ(WrappedLine("usage: x", items, 9),
              "usage: x [--option VALUE] [--option VALUE] [--option VALUE] [--option VALUE]\n"
              "         [--option VALUE] [--option VALUE] [--option VALUE] [--option VALUE]\n");
    const std::string help = HelpText();
    for (const char* entry : {"\n  --watch       editing mode", "\n  --frames N    close", "\n  --keys SEQ    apply",
                              "\n  --output FILE write", "\n  --check       read", "\n  --strict      with --check",
                              "\n  --help        print this help\n", "\n  --version     print the version\n"})
        EXPECT_NE(help.find(entry), std::string::npos) << entry;
    EXPECT_NE(help.find("\n                or .jpeg JPEG.\n"), std::string::npos);  // a long description wrapped
}

namespace {

std::map<std::string, const char*> environment;

const char* Lookup(const char* name)
{
    const auto found = environment.find(name);
    return found == environment.end() ? nullptr : found->second;
}

}  // namespace

// Each variable alone: what it sets, or the line that refuses it.
TEST(Settings, EveryVariableIsCheckedAsTheOptionsAre)
{
    const struct {
        const char* name;
        const char* value;
        const char* error;  // "" when taken
        long frames = 0;
        unsigned threads = 0;
        FramePath path = FramePath::Fast;
        const char* isa = "";
    } cases[] = {
        {"GLINTWORK_FRAMES", "", ""},  // empty: unset
        {"GLINTWORK_FRAMES", "12", "", 12},
        {"GLINTWORK_FRAMES", "x", "GLINTWORK_FRAMES=\"x\": expected a whole number of frames from 1"},
        {"GLINTWORK_FRAMES", "0", "GLINTWORK_FRAMES=\"0\""},
        {"GLINTWORK_FRAMES", "1e3", "GLINTWORK_FRAMES=\"1e3\""},
        {"GLINTWORK_FRAMES", " 3", "GLINTWORK_FRAMES=\" 3\""},
        {"GLINTWORK_FRAMES", "99999999999999999999", "GLINTWORK_FRAMES="},
        {"GLINTWORK_THREADS", "64", "", 0, 64},
        {"GLINTWORK_THREADS", "65", "GLINTWORK_THREADS=\"65\": expected a whole number of threads from 1 to 64"},
        {"GLINTWORK_THREADS", "0", "GLINTWORK_THREADS=\"0\""},
        {"GLINTWORK_THREADS", "+2", "GLINTWORK_THREADS=\"+2\""},
        {"GLINTWORK_PATH", "reference", "", 0, 0, FramePath::Reference},
        {"GLINTWORK_PATH", "fast", ""},
        {"GLINTWORK_PATH", "Reference", "GLINTWORK_PATH=\"Reference\": expected reference or fast"},
        {"GLINTWORK_ISA", "avx512", "", 0, 0, FramePath::Fast, "avx512"},
        {"GLINTWORK_ISA", "sse2", "GLINTWORK_ISA=\"sse2\": expected plain, sse4, avx2 or avx512"},
    };
    for (const auto& c : cases) {
        environment = {{c.name, c.value}};
        Settings settings;
        std::string error;
        const bool taken = ReadSettings(Lookup, settings, error);
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        EXPECT_EQ(taken, !*c.error);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        if (!taken)
            continue;
        EXPECT_EQ(settings.frames, c.frames);
        EXPECT_EQ(settings.threads, c.threads);
        EXPECT_EQ(settings.path, c.path);
        EXPECT_EQ(settings.instructionSet, c.isa);
    }
}

// --help and the README's table both come from the one list of statuses.
TEST(ExitStatus, HelpAndTheReadmeTableListEveryStatus)
{
    std::ifstream file(GLINTWORK_README);
    std::stringstream readme;
    readme << file.rdbuf();
    const std::string help = HelpText();
    int count = 0;
    const ExitStatusMeaning* list = ExitStatuses(count);
    ASSERT_GE(count, 5);
    std::string table;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(list[i].status, i);
        table += "| " + std::to_string(list[i].status) + " | " + list[i].meaning + " |\n";
        EXPECT_NE(help.find("  " + std::to_string(list[i].status) + "  " + list[i].meaning + "\n"), std::string::npos);
    }
    EXPECT_NE(readme.str().find("| Status | Meaning |\n|---|---|\n" + table), std::string::npos)
        << "README.md's exit status table should read:\n" << table;
}

}  // namespace glintwork
