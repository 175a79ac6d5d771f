#ifndef GLINTWORK_SOURCEEXCERPT_H
#define GLINTWORK_SOURCEEXCERPT_H

#include <string>

#include "trace/scene/SceneDiagnostic.h"

namespace glintwork {

// The line of `script` that `place` is in, and a caret under its column, as
// compilers show them: two lines joined by '\n', no final newline. Tabs are
// kept, and the caret line has a tab wherever the line has one before the
// column, so the caret lines up however wide a tab is shown; control
// characters and bytes that are not UTF-8 are shown escaped ("\x01"); a line
// wider than about 100 columns is shown around the column, cut with "...".
// Empty for a place about the whole file or one not in the script.
std::string SourceExcerpt(const std::string& script, ScenePlace place);

}  // namespace glintwork

#endif
