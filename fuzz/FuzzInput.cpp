#include "fuzz/FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace glintwork {

namespace {

std::map<std::string, std::string>& Paths()
{
    static std::map<std::string, std::string> paths;
    return paths;
}

std::string Folder()
{
    struct stat info;
    if (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    const char* tmp = getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

const std::string& FuzzFilePath(const char* name)
{
    std::string& path = Paths()[name];
    if (path.empty()) {
        // The process number at a fixed width: the readers see the path, and a
        // fixed-count run must see paths of the same length every time.
        char pid[16];
        snprintf(pid, sizeof pid, "%010d", int(getpid()));
        path = Folder() + "/glintwork-fuzz-" + pid + "-" + name;
        static bool registered = atexit(RemoveFuzzInputs) == 0;
        (void)registered;
    }
    return path;
}

const std::string& WriteFuzzInput(const uint8_t* data, size_t size, const char* name)
{
    const std::string& path = FuzzFilePath(name);
    FILE* file = fopen(path.c_str(), "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0) {
        perror(path.c_str());
        abort();
    }
    return path;
}

void RemoveFuzzInputs()
{
    for (const auto& entry : Paths())
        unlink(entry.second.c_str());
}

}  // namespace glintwork
