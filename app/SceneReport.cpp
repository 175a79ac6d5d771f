#include "app/SceneReport.h"

#include <cstdio>

#include "trace/scene/SceneCheck.h"

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
    line += diagnostic.severity == SceneDiagnostic::Severity::Error ? ": error: " : ": warning: ";
    return line + diagnostic.text;
}

SceneReport ReadSceneForTracing(const std::string& path, bool named, Scene& scene)
{
    SceneReport report;
    report.status = scene.ReadScript(path.c_str());
    const auto add = [&](const SceneDiagnostic& d) {
        report.messages.push_back(FormatDiagnostic(path, d));
        report.warnings += d.severity == SceneDiagnostic::Severity::Warning;
    };
    for (const SceneDiagnostic& d : scene.Diagnostics())
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
        // Refused by the reader: a count above its limit has its place
        // among the diagnostics; a file that cannot be read has none.
        if (report.messages.empty())
            report.messages.push_back("glintwork: " + scene.Error());
        report.summary = path + ": cannot be used: " + why();
        return report;
    case Scene::Status::Read:
        break;
    }

    std::vector<SceneDiagnostic> findings;
    if (!CheckSceneForTracing(scene, findings))
        report.status = Scene::Status::Unusable;
    for (const SceneDiagnostic& d : findings)
        add(d);
    report.summary =
        path + (report.status == Scene::Status::Read ? ": can be used: " : ": cannot be used: ") + Contents(scene);
    return report;
}

}  // namespace glintwork
