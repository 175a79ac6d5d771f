#include "trace/scene/DiagnosticList.h"

#include <utility>

namespace glintwork {

void DiagnosticList::Add(SceneDiagnostic diagnostic)
{
    Tally& tally = tallies[static_cast<std::size_t>(diagnostic.kind)];
    if (tally.kept < MaxOfAKind || diagnostic.kind == SceneDiagnostic::Kind::Omitted) {
        ++tally.kept;
        list.push_back(std::move(diagnostic));
        return;
    }
    if (tally.left++ == 0) {
        tally.note = list.size();
        tally.first = std::move(diagnostic.text);
        SceneDiagnostic note;
        note.place = diagnostic.place;
        note.severity = SceneDiagnostic::Severity::Note;
        note.kind = SceneDiagnostic::Kind::Omitted;
        list.push_back(std::move(note));
    }
}

void DiagnosticList::Finish()
{
    for (const Tally& tally : tallies)
        if (tally.left > 0)
            list[tally.note].text = std::to_string(tally.left) + " more messages of this kind from here on are not " +
                                    "shown (at most " + std::to_string(MaxOfAKind) + " of each kind are); the first: " +
                                    tally.first;
}

void DiagnosticList::Clear()
{
    list.clear();
    for (Tally& tally : tallies)
        tally = Tally();
}

}  // namespace glintwork
