#ifndef GLINTWORK_OPTIONPARSER_H
#define GLINTWORK_OPTIONPARSER_H

#include <functional>
#include <string>
#include <vector>

namespace glintwork {

// One option of a program's command line: a row of the program's option
// table, which is the one place that says what the option is called, what
// value it takes, what it does and what --help says of it.
struct Option {
    const char* name;                  // "--frames"
    const char* shortName = nullptr;   // "-h", or none
    const char* valueName = nullptr;   // "N" for "--frames N" (or "--frames=N"); none for a flag
    const char* missing = nullptr;     // said when no value follows; by default "--frames needs a value"
    // Takes the option's value ("" for a flag): "" when it is taken,
    // otherwise the one line that says why not (echoing the value through
    // ShownArgument).
    std::function<std::string(const std::string& value)> take;
    std::string help;        // --help's description, lines of at most 64 columns (longer ones are wrapped); "": not listed
    bool final = false;      // reading stops here (--help, --version): later arguments are not looked at
    int use = 0;             // which way of running the program the option belongs to (the program's own numbers)
};

// What a command line held, as ParseArguments read it.
struct ParsedArguments {
    std::vector<std::string> operands;  // the arguments that are no option, in order
    std::vector<const Option*> given;   // the options given, in order (a repeated one as often)
    const Option* final = nullptr;      // the final option that stopped reading, if any
    std::string error;                  // why the line cannot be used (one line), or ""

    bool Given(const Option& option) const;
};

// Reads argv[1] .. argv[argc - 1] against `options`, in order, until the
// first refused argument or final option. An option is its name alone, its
// short name alone, or its name and its value as the next argument or after
// "=". "-" is an operand; after "--" every argument is one. Anything else
// that starts with "-" is an unknown option (said with the nearest name
// within two edits: "unknown option --frame; did you mean --frames?").
ParsedArguments ParseArguments(int argc, const char* const* argv, const std::vector<Option>& options);

// "[--frames N]" or "[--watch]", as a usage line lists the option.
std::string OptionUsage(const Option& option);

// The lines of --help for every listed option: "  --frames N    close ...",
// the descriptions from column 17, the first line after the name's own
// column when it is longer.
std::string OptionsHelp(const std::vector<Option>& options);

// `lead` followed by `items`, one space apart, on lines of at most 79
// columns; later lines start with `indent` spaces.
std::string WrappedLine(const std::string& lead, const std::vector<std::string>& items, std::size_t indent);

// An argument as messages echo it: control characters, and bytes that are
// not UTF-8, written as \xHH, so that nothing given on a command line
// reaches a terminal as a command to it.
std::string ShownArgument(const std::string& argument);

// The number of single-character insertions, deletions, substitutions and
// swaps of neighbours that turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b);

}  // namespace glintwork

#endif
