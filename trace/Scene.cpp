#include "trace/Scene.h"

#include <cerrno>
#include <cstring>
#include <utility>
#include <sys/stat.h>

namespace {

// Extraction of one value into an existing entry. A failed extraction puts the
// stream into its failed state; every later extraction then leaves its target
// alone, so a list cut short keeps what was read before.
template <typename T> void ReadList(std::istream& in, std::vector<T>& list, std::size_t first, std::size_t count)
{
    for (std::size_t i = 0; i < count && in; ++i)
        in >> list[first + i];
}

// Reads a list's count. A count that is not an unsigned number fails the
// stream like any malformed number and counts as 0; so does one too large for
// 32 bits, which the extraction would otherwise leave at 4294967295.
bool ReadCount(std::istream& in, std::uint32_t& count)
{
    if (in >> count)
        return true;
    count = 0;
    return false;
}

}  // namespace

Scene::Status Scene::ReadScript(const char* path)
{
    struct stat info;
    if (stat(path, &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Status::Missing;
        error = std::string(path) + ": " + std::strerror(errno);
        return Status::Unusable;
    }
    // A directory, a FIFO or a device would block or never end: only regular
    // files are read.
    if (!S_ISREG(info.st_mode)) {
        error = std::string(path) + ": not a regular file";
        return Status::Unusable;
    }
    if (static_cast<std::uint64_t>(info.st_size) > MaxScriptBytes) {
        error = std::string(path) + ": " + std::to_string(info.st_size) +
                " bytes is larger than a scene script may be (" + std::to_string(MaxScriptBytes) + ")";
        return Status::Unusable;
    }

    input.open(path, std::ios::in);
    if (!input) {
        error = std::string(path) + ": cannot be opened: " + std::strerror(errno);
        return Status::Unusable;
    }
    const Status status = ReadFrom(input, static_cast<std::uint64_t>(info.st_size));
    input.close();
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
    std::swap(streamBytes, other.streamBytes);
    std::swap(streamStart, other.streamStart);
    error.swap(other.error);
}

Scene::Status Scene::ReadFrom(std::istream& in, std::uint64_t available)
{
    error.clear();
    streamBytes = available;
    const std::streampos start = in.tellg();
    streamStart = start == std::streampos(-1) ? 0 : static_cast<std::uint64_t>(start);

    while (in >> word) {
        if (word == "sphere")
            ReadSpheres(in);
        else if (word == "raytracedepth")
            in >> rayTraceDepth;
        else if (word == "screen")
            in >> screenWidth >> screenHeight;
        else if (word == "materialSP")
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

// Every number takes at least one character and one separating blank, so a
// list of n numbers needs at least 2n more bytes. A count beyond that cannot be
// meant (a count written with a minus sign reads as about four billion).
bool Scene::CountFits(const char* keyword, std::uint32_t count, std::uint64_t numbers, std::istream& in)
{
    const std::streampos here = in.tellg();
    std::uint64_t used = here == std::streampos(-1) ? streamBytes : static_cast<std::uint64_t>(here) - streamStart;
    const std::uint64_t left = used < streamBytes ? streamBytes - used : 0;
    if (numbers <= left / 2)
        return true;
    error = std::string("\"") + keyword + "\" count " + std::to_string(count) +
            " is larger than the rest of the script can hold";
    return false;
}

void Scene::ReadSpheres(std::istream& in)
{
    // A count that cannot be read leaves the stream failed: nothing more is read.
    if (ReadCount(in, sphereCount)) {
        if (!CountFits("sphere", sphereCount, 4ull * sphereCount, in))
            return;
    }
    const std::size_t n = sphereCount;
    sphereCentres.assign(3 * n, 0.0f);
    sphereRadii.assign(n, 0.0f);
    sphereMaterials.assign(9 * n, 0.0f);
    sphereExponents.assign(n, 0.0);
    for (std::size_t i = 0; i < n && in; ++i) {
        ReadList(in, sphereCentres, 3 * i, 3);
        ReadList(in, sphereRadii, i, 1);
    }
}

// No count of its own: one material block and one exponent for each sphere of
// the last "sphere" keyword.
void Scene::ReadSphereMaterials(std::istream& in)
{
    for (std::size_t i = 0; i < sphereCount && in; ++i) {
        ReadList(in, sphereMaterials, 9 * i, 9);
        ReadList(in, sphereExponents, i, 1);
    }
}

void Scene::ReadLights(std::istream& in)
{
    if (ReadCount(in, lightCount)) {
        if (!CountFits("light", lightCount, 12ull * lightCount, in))
            return;
    }
    const std::size_t n = lightCount;
    lightColours.assign(9 * n, 0.0f);
    lightPositions.assign(3 * n, 0.0f);
    // All positions come first, then all colour blocks.
    ReadList(in, lightPositions, 0, 3 * n);
    ReadList(in, lightColours, 0, 9 * n);
}

void Scene::ReadPlanes(std::istream& in)
{
    if (ReadCount(in, planePointCount)) {
        const std::uint64_t planes = planePointCount / 4;
        if (!CountFits("plane", planePointCount, 3ull * planePointCount + 10ull * planes, in))
            return;
    }
    const std::size_t n = planePointCount;
    const std::size_t planes = n / 4;
    planePoints.assign(3 * n, 0.0f);
    planeMaterials.assign(9 * planes, 0.0f);
    planeExponents.assign(planes, 0.0);
    // All points first, then each plane's material block and exponent.
    ReadList(in, planePoints, 0, 3 * n);
    for (std::size_t k = 0; k < planes && in; ++k) {
        ReadList(in, planeMaterials, 9 * k, 9);
        ReadList(in, planeExponents, k, 1);
    }
}
