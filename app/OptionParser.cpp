#include "app/OptionParser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace glintwork {

namespace {

constexpr std::size_t SuggestedWithin = 2;  // edits
constexpr std::size_t HelpNameColumns = 14;  // "  " and this, then the description
constexpr std::size_t HelpTextColumns = 64;
constexpr std::size_t LineColumns = 79;

// The option named by `argument` (up to an "=" for a long name), or null.
const Option* Find(const std::vector<Option>& options, const std::string& argument, std::string::size_type& equals)
{
    equals = argument.compare(0, 2, "--") == 0 ? argument.find('=') : std::string::npos;
    const std::string name = argument.substr(0, equals);
    for (const Option& option : options)
        if (name == option.name || (option.shortName && equals == std::string::npos && name == option.shortName))
            return &option;
    return nullptr;
}

std::string Unknown(const std::vector<Option>& options, const std::string& argument)
{
    const std::string name = argument.substr(0, argument.find('='));
    const char* nearest = nullptr;
    std::size_t best = SuggestedWithin + 1;
    for (const Option& option : options) {
        const std::size_t distance = EditDistance(name, option.name);
        if (distance != 0 && distance < best) {
            best = distance;
            nearest = option.name;
        }
    }
    std::string message = "unknown option " + ShownArgument(argument);
    if (nearest)
        message += std::string("; did you mean ") + nearest + "?";
    return message;
}

// The length of the UTF-8 sequence of a code point from U+00A0 on that
// starts `text` (at most `left` bytes), or 0 for anything else.
std::size_t PrintableSequence(const unsigned char* text, std::size_t left)
{
    const unsigned char lead = text[0];
    const std::size_t length = lead > 0xF4 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || length > left)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    const unsigned second = text[1];
    if ((lead == 0xC2 && second < 0xA0) ||                  // C1 controls
        (lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||  // overlong, surrogates
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))    // overlong, past U+10FFFF
        return 0;
    return length;
}

}  // namespace

bool ParsedArguments::Given(const Option& option) const
{
    return std::find(given.begin(), given.end(), &option) != given.end();
}

ParsedArguments ParseArguments(int argc, const char* const* argv, const std::vector<Option>& options)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string::size_type equals = std::string::npos;
        const Option* option = Find(options, argument, equals);
        if (!option || (!option->valueName && equals != std::string::npos)) {
            parsed.error = Unknown(options, argument);
            return parsed;
        }
        std::string value;
        if (option->valueName) {
            if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                parsed.error = option->missing ? option->missing : std::string(option->name) + " needs a value";
                return parsed;
            }
        }
        parsed.given.push_back(option);
        if (option->take)
            parsed.error = option->take(value);
        if (!parsed.error.empty())
            return parsed;
        if (option->final) {
            parsed.final = option;
            return parsed;
        }
    }
    return parsed;
}

std::string OptionUsage(const Option& option)
{
    return std::string("[") + option.name + (option.valueName ? std::string(" ") + option.valueName : "") + "]";
}

std::string WrappedLine(const std::string& lead, const std::vector<std::string>& items, std::size_t indent)
{
    std::string text = lead;
    std::size_t lineStart = 0;
    for (const std::string& item : items) {
        if (text.size() - lineStart + 1 + item.size() > LineColumns && text.size() - lineStart > indent) {
            text += "\n" + std::string(indent, ' ');
            lineStart = text.size() - indent;
            text += item;
        } else {
            text += (text.size() == lineStart ? "" : " ") + item;
        }
    }
    return text + "\n";
}

std::string OptionsHelp(const std::vector<Option>& options)
{
    std::string text;
    for (const Option& option : options) {
        if (option.help.empty())
            continue;
        std::string name = option.name;
        if (option.valueName)
            name += std::string(" ") + option.valueName;
        // The description's lines, each wrapped at its spaces where it is too long.
        std::vector<std::string> lines;
        std::string::size_type start = 0;
        while (start <= option.help.size()) {
            const std::string::size_type end = std::min(option.help.find('\n', start), option.help.size());
            std::string line = option.help.substr(start, end - start);
            while (line.size() > HelpTextColumns) {
                std::string::size_type cut = line.rfind(' ', HelpTextColumns);
                if (cut == std::string::npos || cut == 0)
                    cut = line.find(' ');
                if (cut == std::string::npos)
                    break;
                lines.push_back(line.substr(0, cut));
                line.erase(0, cut + 1);
            }
            lines.push_back(line);
            start = end + 1;
        }
        const std::string margin(2 + HelpNameColumns, ' ');
        text += "  " + name;
        if (name.size() < HelpNameColumns)
            text += std::string(HelpNameColumns - name.size(), ' ');
        else
            text += "\n" + margin;
        for (std::size_t i = 0; i < lines.size(); ++i)
            text += (i == 0 ? "" : margin) + lines[i] + "\n";
    }
    return text;
}

std::string ShownArgument(const std::string& argument)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(argument.data());
    std::string shown;
    for (std::size_t i = 0; i < argument.size();) {
        const unsigned char c = bytes[i];
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
            ++i;
        } else if (const std::size_t length = c >= 0x80 ? PrintableSequence(bytes + i, argument.size() - i) : 0) {
            shown.append(argument, i, length);
            i += length;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
            ++i;
        }
    }
    return shown;
}

std::size_t EditDistance(const std::string& a, const std::string& b)
{
    // Rows of the distances between the prefixes of a and b; a swap of two
    // neighbours looks back two rows.
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

}  // namespace glintwork
