#ifndef GLINTWORK_WINDOWINPUTS_H
#define GLINTWORK_WINDOWINPUTS_H

#include <cstring>
#include <string>

namespace glintwork {

// The inputs the tracer window takes, as `--keys` and the benches write
// them: the keys of its key table (TracerWindow::OnKeyboard) in lower case,
// and < or > for one pointer move with the left or right button held.
constexpr const char WindowInputKeys[] = "ghkrtuy";
constexpr const char WindowInputDrags[] = "<>";

// Whether `input` is one of them; letters in either case.
inline bool IsWindowInput(char input)
{
    const char lower = (input >= 'A' && input <= 'Z') ? static_cast<char>(input - 'A' + 'a') : input;
    return input != '\0' && (std::strchr(WindowInputKeys, lower) || std::strchr(WindowInputDrags, input));
}

// The inputs written in `text` as --keys takes them, spaces between them
// ignored ("g h" is "gh"); false for text with anything else in it, or with
// no input at all.
inline bool ReadWindowInputs(const std::string& text, std::string& inputs)
{
    std::string read;
    for (char c : text) {
        if (c == ' ')
            continue;
        if (!IsWindowInput(c))
            return false;
        read += c;
    }
    if (read.empty())
        return false;
    inputs = read;
    return true;
}

}  // namespace glintwork

#endif
