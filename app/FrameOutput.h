#ifndef GLINTWORK_FRAMEOUTPUT_H
#define GLINTWORK_FRAMEOUTPUT_H

#include <string>

namespace glintwork {

// Where the frames of a traced run go, as --output names it: one file that
// every frame replaces ("screenShot.bmp"), a file of its own for each frame
// (a name with one printf-like %d field, "shot-%04d.png", frames numbered
// from 0), or standard output ("-"), the frames one after another, each a
// whole file. The one place that says what an output name means and whether
// a run may write there.
class FrameOutput {
public:
    enum class Kind { OneFile, Numbered, StandardOutput };

    // Takes --output's value. False, with one line in `error`, for a name
    // that is empty, has more than one % field, or a % conversion other
    // than d (with flags, width and precision as printf takes them); "%%"
    // stands for a literal %.
    bool Read(const std::string& text, std::string& error);

    Kind GetKind() const { return kind; }
    const std::string& Text() const { return text; }  // as given
    // The file frame number `frame` goes to ("-" for standard output).
    std::string NameOf(long frame) const;
    // How messages name the output of frame `frame`: its file, echoed
    // safely, or "standard output".
    std::string Shown(long frame) const;

private:
    std::string text = "screenShot.bmp";
    Kind kind = Kind::OneFile;
    // The text before and after the field (each "%%" made one %; a name
    // without a field is all `before`), and the field's flags, width and
    // precision.
    std::string before = "screenShot.bmp", after, field;
};

// Why a run that writes `frames` frames (0: no count known) to `output`
// cannot start, or "" when it can: a frame file that is an existing folder
// (for a known count every frame's name is looked at), or standard output
// that is a terminal (`stdoutIsTerminal`).
std::string RefusedOutput(const FrameOutput& output, long frames, bool stdoutIsTerminal);

}  // namespace glintwork

#endif
