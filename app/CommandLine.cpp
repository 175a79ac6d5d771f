#include "app/CommandLine.h"

#include "app/ExitStatus.h"
#include "app/OptionParser.h"
#include "app/WindowInputs.h"

#include <strings.h>

#ifndef GLINTWORK_VERSION
#define GLINTWORK_VERSION "unknown"
#endif

namespace glintwork {

namespace {

// Which way of running glintwork an option belongs to.
enum Use {
    AnyRun,      // --check, --help, --version
    TracedRun,   // refused with --check
    CheckedRun,  // only with --check
};

// The names --format takes: the extensions without their dot.
std::string FormatNames()
{
    std::string list;
    for (std::size_t i = 0; i < PictureExtensionCount; ++i)
        list += std::string(i == 0 ? "" : i + 1 == PictureExtensionCount ? " or " : ", ") +
                (PictureExtensions[i].extension + 1);
    return list;
}

bool FormatOfName(const std::string& name, PictureFileKind& kind)
{
    for (const PictureExtension& e : PictureExtensions)
        if (strcasecmp(name.c_str(), e.extension + 1) == 0) {
            kind = e.kind;
            return true;
        }
    return false;
}

const char* KindName(PictureFileKind kind)
{
    for (const PictureExtension& e : PictureExtensions)
        if (e.kind == kind)
            return e.kindName;
    return "";
}

// The options of glintwork, in the order --help lists them: what each is
// called, takes and fills in `line`.
std::vector<Option> Options(CommandLine& line)
{
    Settings& settings = line.settings;
    const auto flag = [](bool& set) { return [&set](const std::string&) { set = true; return std::string(); }; };
    return {
        {"--watch", nullptr, nullptr, nullptr, flag(settings.watch),
         "editing mode: read SCENE again whenever a save of it is\n"
         "complete (through links, and when its folder is replaced); a\n"
         "version that cannot be used is reported and the last good scene\n"
         "stays. A frame is drawn and saved only after an input, a reload,\n"
         "an expose or a resize; in between the program sleeps. Without\n"
         "--watch frames follow one another without pause.",
         false, TracedRun},
        {"--frames", nullptr, "N", "--frames needs a number of frames",
         [&settings](const std::string& value) {
             return ParseFrameCount(value.c_str(), settings.frames)
                        ? std::string()
                        : "--frames: \"" + ShownArgument(value) + "\" is not a whole number of frames from 1";
         },
         "close the window after N frames (as GLINTWORK_FRAMES=N does;\n"
         "with --watch, N frames drawn as above)",
         false, TracedRun},
        {"--keys", nullptr, "SEQ", "--keys needs a sequence of inputs",
         [&settings](const std::string& value) {
             return ReadWindowInputs(value, settings.firstInputs)
                        ? std::string()
                        : "--keys: \"" + ShownArgument(value) + "\" is not a sequence of g h k r t u y < >";
         },
         "apply these inputs before the first frame, in order: the\n"
         "keys below (g h k r t u y), < or > for one move with the\n"
         "left or right button held, spaces between them ignored; e.g.\n"
         "--keys u for the pair",
         false, TracedRun},
        {"--record", nullptr, "SEQ", "--record needs a sequence of inputs",
         [&settings](const std::string& value) {
             if (!ReadWindowInputs(value, settings.recordedInputs))
                 return "--record: \"" + ShownArgument(value) + "\" is not a sequence of g h k r t u y < >";
             settings.recording = true;
             return std::string();
         },
         "a recording: draw a frame, then one more after each input of\n"
         "SEQ (as --keys takes them), and end; each frame is a file of\n"
         "its own, so --output names them with a %d field, or is -",
         false, TracedRun},
        {"--output", nullptr, "FILE", "--output needs a file name",
         [&settings](const std::string& value) {
             std::string error;
             settings.output.Read(value, error);
             return error;
         },
         "write the frames to FILE instead of screenShot.bmp, as the kind\n"
         "of file its extension names (any case): " +
             PictureKindList() +
             ".\nA %d field in FILE (printf-like: shot-%04d.png; %% for a\n"
             "literal %) numbers the frames from 0, a file each; - writes\n"
             "them to standard output, one whole file after another",
         false, TracedRun},
        {"--format", nullptr, "KIND", "--format needs a kind of file: bmp, png, jpg or jpeg",
         [&line](const std::string& value) {
             if (!FormatOfName(value, line.format))
                 return "--format: \"" + ShownArgument(value) + "\" is not a kind of file; KIND is " + FormatNames();
             line.formatGiven = true;
             return std::string();
         },
         "the frames' kind of file: " + FormatNames() +
             "\n(default: the kind FILE's extension names; BMP for --output -)",
         false, TracedRun},
        {"--headless", nullptr, nullptr, nullptr, flag(settings.headless),
         "draw into an offscreen buffer, not a window, even where there\n"
         "is a display (without one, or when it cannot be opened, this\n"
         "is what happens): the same frames; --frames defaults to 1",
         false, TracedRun},
        {"--check", nullptr, nullptr, nullptr,
         [&line](const std::string&) {
             line.action = CommandLine::Action::Check;
             return std::string();
         },
         "read each SCENE (default: scenescript.txt) without a window,\n"
         "print its messages and a summary line; status 0 when every\n"
         "SCENE can be used, 1 otherwise",
         false, AnyRun},
        {"--strict", nullptr, nullptr, nullptr, flag(line.strict),
         "with --check: status 1 also when a SCENE gave a warning", false, CheckedRun},
        {"--help", "-h", nullptr, nullptr, {}, "print this help", true, AnyRun},
        {"--version", nullptr, nullptr, nullptr, {}, "print the version", true, AnyRun},
    };
}

// The kind of file the frames are, from --format and the output's name; ""
// or why the two cannot be used.
std::string ChooseOutputKind(CommandLine& line)
{
    Settings& settings = line.settings;
    const std::string& name = settings.output.Text();
    if (settings.output.GetKind() == FrameOutput::Kind::StandardOutput) {
        settings.outputKind = line.formatGiven ? line.format : PictureFileKind::Bmp;
        return "";
    }
    PictureFileKind named = PictureFileKind::Bmp;
    const bool extension = PictureFileKindOf(name, named);
    if (!line.formatGiven) {
        if (!extension)
            return "--output: \"" + ShownArgument(name) + "\": unknown extension; FILE must end in " +
                   PictureExtensionList() + " (or --format must say the kind)";
        settings.outputKind = named;
        return "";
    }
    if (extension && named != line.format)
        return std::string("--format ") + KindName(line.format) + ": \"" + ShownArgument(name) + "\" names a " +
               KindName(named) + " file";
    settings.outputKind = line.format;
    return "";
}

// "--watch, --frames, --keys or --output"
std::string Listed(const std::vector<const Option*>& options)
{
    std::string list;
    for (std::size_t i = 0; i < options.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == options.size() ? " or " : ", ") + options[i]->name;
    return list;
}

std::vector<const Option*> OfUse(const std::vector<Option>& options, Use use)
{
    std::vector<const Option*> chosen;
    for (const Option& option : options)
        if (option.use == use)
            chosen.push_back(&option);
    return chosen;
}

CommandLine Misused(const std::string& why)
{
    CommandLine line;
    line.action = CommandLine::Action::Misused;
    line.error = why;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(int argumentCount, const char* const* arguments)
{
    CommandLine line;
    const std::vector<Option> options = Options(line);
    const ParsedArguments parsed = ParseArguments(argumentCount, arguments, options);
    if (!parsed.error.empty())
        return Misused(parsed.error);
    if (parsed.final) {
        line.action = std::string(parsed.final->name) == "--help" ? CommandLine::Action::Help
                                                                  : CommandLine::Action::Version;
        return line;
    }
    line.scenes = parsed.operands;
    if (!line.scenes.empty()) {
        line.settings.scene = line.scenes[0];
        line.settings.sceneNamed = true;
    }
    const bool checking = line.action == CommandLine::Action::Check;
    for (const Option* given : parsed.given) {
        if (checking && given->use == TracedRun)
            return Misused("--check reads the scenes only; it takes no " + Listed(OfUse(options, TracedRun)));
        if (!checking && given->use == CheckedRun)
            return Misused(std::string(given->name) + " goes with --check only");
    }
    if (!checking) {
        const std::string kind = ChooseOutputKind(line);
        if (!kind.empty())
            return Misused(kind);
    }
    if (line.settings.recording) {
        for (const Option& option : options) {
            const std::string name = option.name;
            if ((name == "--frames" || name == "--watch") && parsed.Given(option))
                return Misused("--record ends after its last input; it takes no " + name);
        }
        if (line.settings.output.GetKind() == FrameOutput::Kind::OneFile)
            return Misused("--record needs --output with a %d field (shot-%04d.png) or -: each frame of a "
                           "recording is a file of its own, and \"" +
                           ShownArgument(line.settings.output.Text()) + "\" has no %d");
    }
    if (checking) {
        if (line.scenes.empty())
            line.scenes.push_back(line.settings.scene);
    } else if (line.scenes.size() > 1) {
        return Misused("more than one scene: " + ShownArgument(line.scenes[0]) + " and " +
                       ShownArgument(line.scenes[1]));
    }
    return line;
}

std::string UsageText()
{
    CommandLine unused;
    const std::vector<Option> options = Options(unused);
    std::vector<std::string> traced{"[SCENE]"}, checked{"--check"};
    for (const Option* option : OfUse(options, TracedRun))
        traced.push_back(OptionUsage(*option));
    for (const Option* option : OfUse(options, CheckedRun))
        checked.push_back(OptionUsage(*option));
    checked.push_back("[SCENE...]");
    return WrappedLine("usage: glintwork", traced, 17) + WrappedLine("       glintwork", checked, 17) +
           "       glintwork --help | --version\n";
}

std::string HelpText()
{
    CommandLine unused;
    return std::string("Traces the scene script SCENE (default: scenescript.txt in the working folder)\n"
                       "in a window, again and again, and writes every frame to screenShot.bmp in the\n"
                       "working folder. Without a display (DISPLAY unset, or a display that cannot\n"
                       "be opened) it draws the same frames offscreen, one unless --frames, --record\n"
                       "or --watch says otherwise; SIGINT or SIGTERM then ends it after the frame\n"
                       "being drawn, with status 0.\n"
                       "\n") +
           OptionsHelp(Options(unused)) +
           "\n"
           "Keys (with or without Shift):\n"
           "  Escape        quit\n"
           "  G / H         move the spheres 0.5 to the left / right\n"
           "  K             show the environment view\n"
           "  T             switch between the room view and the environment view\n"
           "  U             room view: one picture or a side-by-side pair for two eyes\n"
           "  R             reflections in the spheres on or off\n"
           "  Y             coloured shadows of spheres on spheres on or off\n"
           "Mouse: with the left (right) button held, every move moves the spheres 0.5\n"
           "to the left (right).\n"
           "While a frame takes longer than half a second the title shows its progress;\n"
           "a key pressed meanwhile cancels it and takes effect on the next frame. Input\n"
           "during a quicker frame (a drag, say) is taken, all of it in order, once the\n"
           "frame is drawn and saved. Escape and closing the window end at once.\n"
           "\n"
           "Messages about a scene start with FILE:LINE:COLUMN: warning: (or error:), as\n"
           "compilers' do, so that editors can jump to the place.\n"
           "\n" +
           SettingsHelp() + "\n" + ExitStatusHelp();
}

const char* VersionText()
{
    return "glintwork " GLINTWORK_VERSION "\n";
}

}  // namespace glintwork
