#include "trace/Scene.h"

#include <cstring>
#include <sstream>
#include <utility>

#include "trace/ScriptFile.h"

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
    {"sphere", Scene::MaxSpheres},
    {"light", Scene::MaxLights},
    {"plane", Scene::MaxPlanePoints},
};

// One number into `target`. A failed extraction (a malformed number, the end
// of the file, a count too large for its type) stores nothing and leaves the
// stream failed, so every later read stops too.
template <typename T> bool Extract(std::istream& in, T& target)
{
    T value{};
    if (!(in >> value))
        return false;
    target = value;
    return true;
}

// Fills entries first .. first + count - 1 in order until a read fails; the
// entries after it keep their zero fill.
template <typename T> bool ReadList(std::istream& in, std::vector<T>& list, std::size_t first, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (!Extract(in, list[first + i]))
            return false;
    return true;
}

// A UTF-8 byte-order mark that an editor put at the very start of the file
// would otherwise be glued to the first keyword.
void SkipByteOrderMark(std::istream& in)
{
    static const unsigned char mark[] = {0xEF, 0xBB, 0xBF};
    std::size_t matched = 0;
    while (matched < sizeof mark && in.peek() == mark[matched]) {
        in.get();
        ++matched;
    }
    if (matched == sizeof mark)
        return;
    in.clear();
    while (matched-- > 0)
        in.unget();
}

}  // namespace

Scene::Status Scene::ReadScript(const char* path)
{
    std::string text, reason;
    switch (ReadScriptFile(path, MaxScriptBytes, text, reason)) {
    case ScriptFileResult::Missing:
        return Status::Missing;
    case ScriptFileResult::Refused:
        error = std::string(path) + ": " + reason;
        return Status::Unusable;
    case ScriptFileResult::Read:
        break;
    }
    std::istringstream script(text);
    const Status status = ReadFrom(script);
    if (status == Status::Unusable)
        error = std::string(path) + ": " + error;
    return status;
}

void Scene::Swap(Scene& other)
{
    sphereCentres.swap(other.sphereCentres);
    planePoints.swap(other.planePoints);
    std::swap(sphereCount, other.sphereCount);
    std::swap(planePointCount, other.planePointCount);
    std::swap(lightCount, other.lightCount);
    std::swap(screenWidth, other.screenWidth);
    std::swap(screenHeight, other.screenHeight);
    std::swap(rayTraceDepth, other.rayTraceDepth);
    sphereExponents.swap(other.sphereExponents);
    planeExponents.swap(other.planeExponents);
    sphereRadii.swap(other.sphereRadii);
    sphereMaterials.swap(other.sphereMaterials);
    planeMaterials.swap(other.planeMaterials);
    lightPositions.swap(other.lightPositions);
    lightColours.swap(other.lightColours);
    word.swap(other.word);
    error.swap(other.error);
}

Scene::Status Scene::ReadFrom(std::istream& in)
{
    error.clear();
    SkipByteOrderMark(in);
    while (in >> word) {
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
        if (!error.empty())
            return Status::Unusable;
    }
    return Status::Read;
}

// A count that cannot be read stops the reading and leaves the keyword without
// effect; one above the keyword's limit makes the script unusable.
bool Scene::ReadCount(const char* keyword, std::istream& in, std::uint32_t& count)
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
    return true;
}

void Scene::ReadSpheres(std::istream& in)
{
    if (!ReadCount("sphere", in, sphereCount))
        return;
    const std::size_t n = sphereCount;
    sphereCentres.assign(3 * n, 0.0f);
    sphereRadii.assign(n, 0.0f);
    sphereMaterials.assign(9 * n, 0.0f);
    sphereExponents.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        if (!ReadList(in, sphereCentres, 3 * i, 3) || !ReadList(in, sphereRadii, i, 1))
            return;
}

// No count of its own: one material block and one exponent for each sphere of
// the last "sphere" keyword.
void Scene::ReadSphereMaterials(std::istream& in)
{
    for (std::size_t i = 0; i < sphereCount; ++i)
        if (!ReadList(in, sphereMaterials, 9 * i, 9) || !ReadList(in, sphereExponents, i, 1))
            return;
}

void Scene::ReadLights(std::istream& in)
{
    if (!ReadCount("light", in, lightCount))
        return;
    const std::size_t n = lightCount;
    lightColours.assign(9 * n, 0.0f);
    lightPositions.assign(3 * n, 0.0f);
    // All positions come first, then all colour blocks.
    if (ReadList(in, lightPositions, 0, 3 * n))
        ReadList(in, lightColours, 0, 9 * n);
}

void Scene::ReadPlanes(std::istream& in)
{
    if (!ReadCount("plane", in, planePointCount))
        return;
    const std::size_t n = planePointCount;
    const std::size_t planes = n / 4;
    planePoints.assign(3 * n, 0.0f);
    planeMaterials.assign(9 * planes, 0.0f);
    planeExponents.assign(planes, 0.0);
    // All points first, then each plane's material block and exponent.
    if (!ReadList(in, planePoints, 0, 3 * n))
        return;
    for (std::size_t k = 0; k < planes; ++k)
        if (!ReadList(in, planeMaterials, 9 * k, 9) || !ReadList(in, planeExponents, k, 1))
            return;
}
