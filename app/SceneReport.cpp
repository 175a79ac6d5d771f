#include "app/SceneReport.h"

#include <cstdio>

#include "trace/scene/SceneCheck.h"
#include "trace/scene/SourceExcerpt.h"

namespace glintwork {

namespace {

std::string Counted(std::uint32_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Where(ScenePlace place)
{
    return "line " + std::to_string(place.line) + ", column " + std::to_string(place.column);
}

// "screen 640 x 480, depth limit -100, 3 spheres, 2 lights, 20 plane points;
// read to the end"
std::string Contents(const Scene& scene)
{
    char depth[32];
    std::snprintf(depth, sizeof depth, "%g", static_cast<double>(scene.rayTraceDepth));
    std::string text = "screen " + std::to_string(scene.screenWidth) + " x " + std::to_string(scene.screenHeight) +
                       ", depth limit " + depth + ", " + Counted(scene.sphereCount, "sphere", "spheres") + ", " +
                       Counted(scene.lightCount, "light", "lights") + ", " +
                       Counted(scene.planePointCount, "plane point", "plane points") + "; ";
    const Scene::Ending& end = scene.ReadingEnd();
    return text + (end.stopped ? "reading stopped at " + Where(end.place) : std::string("read to the end"));
}

}  // namespace

std::string FormatDiagnostic(const std::string& file, const SceneDiagnostic& diagnostic)
{
    std::string line = file;
    if (diagnostic.place.Known())
        line += ":" + std::to_string(diagnostic.place.line) + ":" + std::to_string(diagnostic.place.column);
    switch (diagnostic.severity) {
    case SceneDiagnostic::Severity::Warning:
        return line + ": warning: " + diagnostic.text;
    case SceneDiagnostic::Severity::Error:
        return line + ": error: " + diagnostic.text;
    case SceneDiagnostic::Severity::Note:
        break;
    }
    return line + ": note: " + diagnostic.text;
}

std::string ReportText(const SceneReport& report)
{
    std::string text;
    for (std::size_t i = 0; i < report.messages.size(); ++i) {
        text += report.messages[i] + "\n";
        if (i < report.sources.size() && !report.sources[i].empty())
            text += report.sources[i] + "\n";
    }
    for (const std::string& note : report.notes)
        text += note + "\n";
    return text;
}

SceneReport ReadSceneForTracing(const std::string& path, bool named, Scene& scene)
{
    SceneReport report;
    std::string script;
    report.status = scene.ReadScript(path.c_str(), &script);
    const auto add = [&](const SceneDiagnostic& d) {
        report.messages.push_back(FormatDiagnostic(path, d));
        report.sources.push_back(SourceExcerpt(script, d.place));
        report.warnings += d.severity == SceneDiagnostic::Severity::Warning;
        if (d.severity == SceneDiagnostic::Severity::Error)
            report.errorPlace = d.place;
    };
    // Up to where reading stopped, the messages; after it, what the rest
    // holds, as notes told after them all.
    std::vector<SceneDiagnostic> told;
    bool afterStop = false;
    for (const SceneDiagnostic& d : scene.Diagnostics()) {
        if (afterStop) {
            const std::string source = SourceExcerpt(script, d.place);
            report.notes.push_back(FormatDiagnostic(path, d) + (source.empty() ? "" : "\n" + source));
            continue;
        }
        told.push_back(d);
        afterStop = d.severity != SceneDiagnostic::Severity::Note &&
                    (d.kind == SceneDiagnostic::Kind::Stop || d.kind == SceneDiagnostic::Kind::CountTooLarge);
    }
    const bool readWhole = report.status == Scene::Status::Read;
    if (readWhole) {
        std::vector<SceneDiagnostic> findings;
        if (!CheckSceneForTracing(scene, findings))
            report.status = Scene::Status::Unusable;
        for (const SceneDiagnostic& d : findings) {
            // What is missing because reading stopped: one error with the stop's warning.
            if (d.kind == SceneDiagnostic::Kind::AfterStop && afterStop && told.back().kind == SceneDiagnostic::Kind::Stop) {
                told.back().severity = d.severity;
                told.back().text = scene.ReadingEnd().message + "; " + d.text;
                continue;
            }
            told.push_back(d);
        }
    }
    for (const SceneDiagnostic& d : told)
        add(d);

    // Why the file cannot be used, without the path in front.
    const auto why = [&] {
        return scene.Error().compare(0, path.size() + 2, path + ": ") == 0 ? scene.Error().substr(path.size() + 2)
                                                                          : scene.Error();
    };
    switch (report.status) {
    case Scene::Status::Missing:
        if (named) {
            report.status = Scene::Status::Unusable;
            report.messages.push_back("glintwork: " + scene.Error());
        }
        report.summary = path + ": cannot be used: " + why();
        return report;
    case Scene::Status::Unusable:
        if (readWhole)
            break;
        // Refused by the reader: a count above its limit has its place
        // among the diagnostics; a file that cannot be read has none.
        if (report.messages.empty())
            report.messages.push_back("glintwork: " + scene.Error());
        report.summary = path + ": cannot be used: " + why();
        return report;
    case Scene::Status::Read:
        break;
    }

    report.summary =
        path + (report.status == Scene::Status::Read ? ": can be used: " : ": cannot be used: ") + Contents(scene);
    return report;
}

}  // namespace glintwork
