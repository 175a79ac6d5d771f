#ifndef GLINTWORK_SCENEREPORT_H
#define GLINTWORK_SCENEREPORT_H

#include <string>
#include <vector>

#include "trace/scene/Scene.h"
#include "trace/scene/SceneDiagnostic.h"

namespace glintwork {

// What the program tells about a scene script it reads for tracing: the
// lines for standard error, in the form compilers use, and the one-line
// summary that --check prints. Both the traced run and --check read scenes
// through here, so they say the same.
struct SceneReport {
    Scene::Status status = Scene::Status::Unusable;  // Read: the scene can be traced
    // One line each, no newline: the warnings, and the error (last) when
    // the scene cannot be used.
    std::vector<std::string> messages;
    // For each message: the line of the scene it is about and a caret under
    // the place (two lines, no final newline), or empty.
    std::vector<std::string> sources;
    // Told after the messages, each with its source lines: what the rest of
    // the file holds after reading stopped, and how many of a kind were not
    // shown after those.
    std::vector<std::string> notes;
    std::size_t warnings = 0;  // how many of the messages are warnings (--check --strict)
    std::string summary;       // one line, no newline
    ScenePlace errorPlace;  // of the error that makes the scene unusable, if it has one
};

// Reads `path` into `scene` and checks that the tracers can be set up from
// it. `named`: the user named the file, so that its absence is an error
// (otherwise Missing, with no message).
SceneReport ReadSceneForTracing(const std::string& path, bool named, Scene& scene);

// "room.txt:14:23: warning: TEXT", or "room.txt: error: TEXT" for a finding
// about the whole file.
std::string FormatDiagnostic(const std::string& file, const SceneDiagnostic& diagnostic);

// The report's messages, their source lines and the notes, as printed on
// standard error: every line ends in a newline.
std::string ReportText(const SceneReport& report);

}  // namespace glintwork

#endif
