#include "trace/scene/Scene.h"

#include <cstring>
#include <sstream>
#include <utility>

#include "trace/scene/ScriptFile.h"

#include "trace/scene/ScriptReader.h"

namespace glintwork {

namespace {

// Largest count each listed keyword may give. The lists are allocated for the
// count before any entry is read (a list cut short keeps its zero fill), so
// the count alone has to bound memory and time: spheres take 60 bytes each and
// plane points 23 (only the first five spheres and 20 points are traced);
// every light is visited for every hit, so lights bound a frame's time.
struct CountLimit {
    const char* keyword;
    std::uint32_t largest;
};
constexpr CountLimit CountLimits[] = {
    {"sphere", Scene::MaxListedSpheres},
    {"light", Scene::MaxLights},
    {"plane", Scene::MaxPlanePoints},
};

// One number into `target`. A failed extraction (a malformed number, the end
// of the file, a count too large for its type) stores nothing and leaves the
// stream failed, so every later read stops too.
template <typename T> bool Extract(ScriptReader& in, T& target)
{
    T value{};
    if (!(in >> value))
        return false;
    target = value;
    return true;
}

// Fills entries first .. first + count - 1 in order until a read fails. A
// list holds the entries written so far and is made as long as its count
// gives, with zeros, when reading ends (FinishReading): a count costs
// nothing until its numbers are read.
template <typename T> bool ReadList(ScriptReader& in, std::vector<T>& list, std::size_t first, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        T value{};
        if (!Extract(in, value))
            return false;
        if (first + i >= list.size())
            list.resize(first + i + 1);
        list[first + i] = value;
    }
    return true;
}

// What the numbers after each keyword are, for the reader's messages.
const char* const PointFields[] = {"x", "y", "z"};
const char* const SphereFields[] = {"x", "y", "z", "radius"};
const char* const MaterialFields[] = {"ambient red",  "ambient green",  "ambient blue",
                                      "diffuse red",  "diffuse green",  "diffuse blue",
                                      "specular red", "specular green", "specular blue",
                                      "exponent"};
const char* const ScreenFields[] = {"width", "height"};
const char* const WallNames[] = {"left wall", "right wall", "back wall", "floor", "ceiling"};

ScriptReader::Part ListPart(const char* keyword, ScenePlace place, const char* entryName, std::size_t entries,
                            const char* const* fields, std::size_t fieldCount)
{
    ScriptReader::Part part;
    part.kind = ScriptReader::Part::Kind::List;
    part.keyword = keyword;
    part.keywordPlace = place;
    part.entryName = entryName;
    part.entries = entries;
    part.fields = fields;
    part.fieldCount = fieldCount;
    return part;
}

}  // namespace

Scene::Status Scene::ReadScript(const char* path, std::string* script)
{
    ForgetLastRead();
    std::string text, reason;
    switch (ReadScriptFile(path, MaxScriptBytes, text, reason)) {
    case ScriptFileResult::Missing:
        error = std::string(path) + ": " + reason;
        return Status::Missing;
    case ScriptFileResult::Refused:
        error = std::string(path) + ": " + reason;
        return Status::Unusable;
    case ScriptFileResult::Read:
        break;
    }
    std::istringstream source(text);
    const Status status = ReadFrom(source);
    if (script)
        *script = std::move(text);
    if (status == Status::Unusable)
        error = std::string(path) + ": " + error;
    return status;
}

Scene::Status Scene::ReadFrom(std::istream& source)
{
    ForgetLastRead();
    ScriptReader in(source, diagnostics);
    const bool usable = ReadWords(in);
    FinishReading(in);
    if (usable && !ending.stopped && sphereCount > 0 && !spheresDressed)
        in.Tell(KeywordPlace("sphere"), SceneDiagnostic::Kind::NoMaterials,
                "no \"materialSP\" follows this \"sphere\": its " + std::to_string(sphereCount) +
                    (sphereCount == 1 ? " sphere has no material and shows black"
                                      : " spheres have no material and show black"));
    SurveyRest(in);
    diagnostics.Finish();
    ending.looked = in.Looked();
    return usable ? Status::Read : Status::Unusable;
}

bool Scene::ReadWords(ScriptReader& in)
{
    while (in >> word) {
        NoteWord(in);
        if (word == "sphere")
            ReadSpheres(in);
        else if (word == "raytracedepth")
            Extract(in, rayTraceDepth);
        else if (word == "screen") {
            if (Extract(in, screenWidth))
                Extract(in, screenHeight);
        } else if (word == "materialSP")
            ReadSphereMaterials(in);
        else if (word == "light")
            ReadLights(in);
        else if (word == "plane")
            ReadPlanes(in);
        if (!error.empty()) {
            std::string text = error;
            const std::string written = in.NumberText();
            if (written[0] == '-')
                text += "; " + QuotedWord(written) + " is read as a count, which cannot be negative";
            const bool surveying = in.Surveying();
            in.Refuse(in.NumberPlace(), std::move(text));
            if (!surveying)
                return false;
            error.clear();
        }
    }
    return true;
}

// The rest is read as the scene would go on from there, with the spheres
// the scene has for a "materialSP"; nothing of it reaches this scene.
void Scene::SurveyRest(ScriptReader& in) const
{
    Scene rest;
    rest.sphereCount = sphereCount;
    rest.spheresNamed = spheresNamed;
    rest.spheresDressed = true;
    bool any = false;
    while (in.Resume()) {
        any = true;
        rest.ReadWords(in);
    }
    if (any && rest.KeywordPlace("sphere").Known() && rest.sphereCount > 0 && !rest.spheresDressed)
        in.Tell(rest.KeywordPlace("sphere"), SceneDiagnostic::Kind::NoMaterials,
                "no \"materialSP\" follows this \"sphere\"");
}

void Scene::ForgetLastRead()
{
    error.clear();
    diagnostics.Clear();
    ending = Ending();
    for (ScenePlace& place : keywordPlaces)
        place = ScenePlace();
    spheresNamed = spheresDressed = false;
}

void Scene::NoteWord(ScriptReader& in)
{
    const std::size_t k = FindSceneKeyword(word);
    if (k == SceneKeywordCount) {
        // The rest of a number run into it has had its message; a word that
        // starts with '#' is a comment, whatever it resembles.
        if (in.WordIsRunOn() || word[0] == '#')
            return;
        const std::size_t like = FindSceneKeyword(word, true);
        if (like != SceneKeywordCount) {
            const SceneDiagnostic::Kind kind = SceneDiagnostic::Kind::KeywordCase;
            in.Tell(in.WordPlace(), kind,
                    in.Counting(kind) ? std::string()
                                      : QuotedWord(word) + " is skipped: keywords are case-sensitive; did you mean \"" +
                                            SceneKeywords[like] + "\"?");
            return;
        }
        // A near miss where a keyword could stand: not in the prose of a comment.
        if (word.size() >= 4 && word.size() <= 15 && !in.WordInCommentLine()) {
            const std::size_t near = NearSceneKeyword(word);
            if (near != SceneKeywordCount && (in.WordStartsLine() || in.NumberFollows()))
                in.Tell(in.WordPlace(), SceneDiagnostic::Kind::NearKeyword,
                        QuotedWord(word) + " is skipped; did you mean \"" + SceneKeywords[near] + "\"?");
        }
        return;
    }
    const ScenePlace place = in.WordPlace();
    if (in.WordInCommentLine()) {
        const SceneDiagnostic::Kind kind = SceneDiagnostic::Kind::CommentKeyword;
        in.Tell(place, kind,
                in.Counting(kind) ? std::string()
                                  : "\"" + word + "\" is read as a keyword on what looks like a comment line: '#' " +
                                        "starts no comment, only words that are not keywords are skipped");
    }
    ScriptReader::Part part;
    part.keyword = SceneKeywords[k];
    part.keywordPlace = place;
    if (word == "sphere" || word == "light" || word == "plane") {
        part.kind = ScriptReader::Part::Kind::Count;
        if (word == "sphere")
            spheresNamed = true;
    } else if (word == "screen") {
        part.fields = ScreenFields;
        part.fieldCount = 2;
        keywordPlaces[k] = place;
    } else if (word == "materialSP") {
        if (sphereCount == 0)
            in.Tell(place, SceneDiagnostic::Kind::MaterialsUnread, spheresNamed ? "\"materialSP\" after \"sphere 0\" reads nothing; the numbers after it are "
                                       "skipped as words"
                                     : "\"materialSP\" before any \"sphere\" reads nothing; the numbers after it "
                                       "are skipped as words (it must come after the \"sphere\" it describes)");
        else
            spheresDressed = true;
        part = ListPart(part.keyword, place, "sphere", sphereCount, MaterialFields, 10);
        keywordPlaces[k] = place;
    } else {
        keywordPlaces[k] = place;  // raytracedepth
    }
    in.Expect(part);
}

void Scene::FinishReading(const ScriptReader& in)
{
    ending.stopped = in.Stopped();
    ending.place = in.StopPlace();
    ending.reason = in.StopReason();
    ending.message = in.StopMessage();
    ending.empty = !in.AnyWord();
    const std::size_t spheres = sphereCount, lights = lightCount, points = planePointCount, planes = PlaneCount();
    sphereCentres.resize(3 * spheres);
    sphereRadii.resize(spheres);
    sphereMaterials.resize(9 * spheres);
    sphereExponents.resize(spheres);
    lightPositions.resize(3 * lights);
    lightColours.resize(9 * lights);
    planePoints.resize(3 * points);
    planeMaterials.resize(9 * planes);
    planeExponents.resize(planes);
}

ScenePlace Scene::KeywordPlace(const char* keyword) const
{
    const std::size_t k = FindSceneKeyword(keyword);
    return k < SceneKeywordCount ? keywordPlaces[k] : ScenePlace();
}

// A count that cannot be read stops the reading and leaves the keyword without
// effect; one above the keyword's limit makes the script unusable.
bool Scene::ReadCount(const char* keyword, ScriptReader& in, std::uint32_t& count)
{
    std::uint32_t value = 0;
    if (!Extract(in, value))
        return false;
    for (const CountLimit& limit : CountLimits) {
        if (std::strcmp(limit.keyword, keyword) == 0 && value > limit.largest) {
            error = std::string("\"") + keyword + "\" count " + std::to_string(value) +
                    " is larger than a scene may have (" + std::to_string(limit.largest) + ")";
            return false;
        }
    }
    count = value;
    keywordPlaces[FindSceneKeyword(keyword)] = in.WordPlace();
    return true;
}

void Scene::ReadSpheres(ScriptReader& in)
{
    if (!ReadCount("sphere", in, sphereCount))
        return;
    spheresDressed = false;
    const std::size_t n = sphereCount;
    in.Expect(ListPart("sphere", in.WordPlace(), "entry", n, SphereFields, 4));
    sphereCentres.clear();
    sphereRadii.clear();
    sphereMaterials.clear();
    sphereExponents.clear();
    for (std::size_t i = 0; i < n; ++i)
        if (!ReadList(in, sphereCentres, 3 * i, 3) || !ReadList(in, sphereRadii, i, 1))
            return;
}

// No count of its own: one material block and one exponent for each sphere of
// the last "sphere" keyword.
void Scene::ReadSphereMaterials(ScriptReader& in)
{
    for (std::size_t i = 0; i < sphereCount; ++i)
        if (!ReadList(in, sphereMaterials, 9 * i, 9) || !ReadList(in, sphereExponents, i, 1))
            return;
}

void Scene::ReadLights(ScriptReader& in)
{
    if (!ReadCount("light", in, lightCount))
        return;
    const std::size_t n = lightCount;
    lightColours.clear();
    lightPositions.clear();
    // All positions come first, then all colour blocks.
    in.Expect(ListPart("light", in.WordPlace(), "position", n, PointFields, 3));
    if (ReadList(in, lightPositions, 0, 3 * n)) {
        in.Expect(ListPart("light", in.WordPlace(), "colour", n, MaterialFields, 9));
        ReadList(in, lightColours, 0, 9 * n);
    }
}

void Scene::ReadPlanes(ScriptReader& in)
{
    if (!ReadCount("plane", in, planePointCount))
        return;
    const std::size_t n = planePointCount;
    const std::size_t planes = n / 4;
    planePoints.clear();
    planeMaterials.clear();
    planeExponents.clear();
    // All points first, then each plane's material block and exponent. The
    // points are numbered from 0, as the room's rule names them.
    ScriptReader::Part points = ListPart("plane", in.WordPlace(), "point", n, PointFields, 3);
    points.fromZero = true;
    in.Expect(points);
    if (!ReadList(in, planePoints, 0, 3 * n))
        return;
    ScriptReader::Part materials = ListPart("plane", in.WordPlace(), "material", planes, MaterialFields, 10);
    materials.entryNames = WallNames;
    materials.entryNameCount = 5;
    in.Expect(materials);
    for (std::size_t k = 0; k < planes; ++k)
        if (!ReadList(in, planeMaterials, 9 * k, 9) || !ReadList(in, planeExponents, k, 1))
            return;
}

}  // namespace glintwork
