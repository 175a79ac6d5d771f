#ifndef GLINTWORK_DIAGNOSTICLIST_H
#define GLINTWORK_DIAGNOSTICLIST_H

#include <cstddef>
#include <vector>

#include "trace/scene/SceneDiagnostic.h"

namespace glintwork {

// The findings about one script, in the order they were made, with at most
// MaxOfAKind of each kind: the first left out of a kind is replaced by one
// note at its place that counts all those left out, so that the memory
// taken does not grow with the size of a script that repeats one mistake.
class DiagnosticList {
public:
    static constexpr std::size_t MaxOfAKind = 100;

    void Add(SceneDiagnostic diagnostic);
    // Puts the counts of those left out into their notes.
    void Finish();
    // Whether those of this kind are only counted from now on: their text
    // need not be made.
    bool Counting(SceneDiagnostic::Kind kind) const { return TallyOf(kind).left > 0; }
    void Clear();
    const std::vector<SceneDiagnostic>& All() const { return list; }

private:
    struct Tally {
        std::size_t kept = 0, left = 0;
        std::size_t note = 0;  // index of the note that counts those left out
        std::string first;     // the text of the first left out
    };
    const Tally& TallyOf(SceneDiagnostic::Kind kind) const { return tallies[static_cast<std::size_t>(kind)]; }

    std::vector<SceneDiagnostic> list;
    Tally tallies[SceneDiagnostic::KindCount];
};

}  // namespace glintwork

#endif
