#ifndef GLINTWORK_WINDOWINPUTS_H
#define GLINTWORK_WINDOWINPUTS_H

#include <cstring>

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

}  // namespace glintwork

#endif
