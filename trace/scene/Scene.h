#ifndef GLINTWORK_SCENE_H
#define GLINTWORK_SCENE_H

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "trace/scene/DiagnosticList.h"
#include "trace/scene/SceneDiagnostic.h"
#include "trace/scene/SceneKeywords.h"

namespace glintwork {

class ScriptReader;

// The world to be traced, as read from the scene script "scenescript.txt":
// spheres, the corner points of the room's planes, point lights, one material
// block (ambient, diffuse, specular RGB triples: nine floats) per object, the
// screen size and the depth limit. Lists are indexed in file order. Entries the
// file does not supply are zero.
class Scene {
public:
    enum class Status {
        Read,      // the script was read (perhaps only partly: reading stops quietly
                   // at the end of the file or at a malformed number)
        Missing,   // there is no script: the application ends quietly; Error() says why
        Unusable,  // the script cannot be used; Error() says why
    };

    // How the last read ended.
    struct Ending {
        bool stopped = false;  // at a number that cannot be read before the end of the file, or a refused count
        ScenePlace place;      // where it stopped
        std::string reason;    // what was read there, what was expected and what was found
        std::string message;   // "reading stopped: REASON (why)", as its warning starts
        bool empty = true;     // the script held no word at all
        std::uint64_t looked = 0;  // characters the reader looked at, the rest of the file included
    };

    // Largest script we read: real scenes are a few kilobytes; beyond this the
    // lists could take far more memory than any scene needs.
    static constexpr std::uint64_t MaxScriptBytes = 16u << 20;
    // Largest counts of the listed keywords (see the limits in Scene.cpp).
    static constexpr std::uint32_t MaxListedSpheres = 1000000;
    static constexpr std::uint32_t MaxLights = 256;
    static constexpr std::uint32_t MaxPlanePoints = 1000000;

    std::vector<float> sphereCentres;  // x, y, z per sphere
    std::vector<float> planePoints;    // x, y, z per corner point
    std::uint32_t sphereCount = 0;
    std::uint32_t planePointCount = 0;  // four per plane
    std::uint32_t lightCount = 0;
    std::uint32_t screenWidth = 0;
    std::uint32_t screenHeight = 0;
    float rayTraceDepth = 0.0f;  // hits with z at or below this are not drawn
    std::vector<double> sphereExponents;
    std::vector<double> planeExponents;
    std::vector<float> sphereRadii;
    std::vector<float> sphereMaterials;  // nine per sphere
    std::vector<float> planeMaterials;   // nine per plane
    std::vector<float> lightPositions;   // x, y, z per light
    std::vector<float> lightColours;     // nine per light
    std::string word;                    // the last word read

    Scene() = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    // A script read afresh into a scene of its own replaces another whole.
    Scene(Scene&&) = default;
    Scene& operator=(Scene&&) = default;

    std::uint32_t PlaneCount() const { return planePointCount / 4; }

    // Reads "scenescript.txt" from the working directory (or the given path).
    // `script`, when given, receives the text read, for showing the lines
    // the messages are about.
    Status ReadScript(const char* path = "scenescript.txt", std::string* script = nullptr);

    // Reads a script from any stream, from its current position.
    Status ReadFrom(std::istream& in);

    // Why the last read gave Unusable or Missing ("scene.txt: Not a
    // directory"): one line, no newline.
    const std::string& Error() const { return error; }

    // What the last read found worth telling: where reading stopped or a
    // list was cut short, words that are keywords but for their case or a
    // letter or two, keywords on lines that look like comments, a
    // "materialSP" that reads nothing, spheres left without materials, and
    // (as an error) a count above its limit; after a stop, as notes, what
    // the rest of the file holds. In file order but for the spheres without
    // materials, told at the end; each has a place; at most
    // DiagnosticList::MaxOfAKind of a kind. Reading is the same with or
    // without them.
    const std::vector<SceneDiagnostic>& Diagnostics() const { return diagnostics.All(); }
    const Ending& ReadingEnd() const { return ending; }
    // Where the keyword stands that gave the scene its values of that kind
    // (for "sphere", "light" and "plane", the last whose count was read); no
    // place when there is none.
    ScenePlace KeywordPlace(const char* keyword) const;

private:
    // The keywords and their numbers up to a stop, or to the end; false at a
    // count above its limit (unless only surveying the rest).
    bool ReadWords(ScriptReader& in);
    // After a stop: what the rest of the file holds, read into a scene of its own.
    void SurveyRest(ScriptReader& in) const;
    bool ReadCount(const char* keyword, ScriptReader& in, std::uint32_t& count);
    void ReadSpheres(ScriptReader& in);
    void ReadSphereMaterials(ScriptReader& in);
    void ReadLights(ScriptReader& in);
    void ReadPlanes(ScriptReader& in);
    // The warnings about the word just read, and what its numbers are.
    void NoteWord(ScriptReader& in);
    // The ending, and the lists at the lengths their counts give.
    void FinishReading(const ScriptReader& in);
    // The error, messages and places of the read before.
    void ForgetLastRead();

    std::string error;
    DiagnosticList diagnostics;
    Ending ending;
    ScenePlace keywordPlaces[SceneKeywordCount];
    bool spheresNamed = false;     // a "sphere" keyword was read
    bool spheresDressed = false;   // a "materialSP" read materials for the current spheres
};

}  // namespace glintwork

#endif
