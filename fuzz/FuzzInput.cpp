#include "fuzz/FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

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
        path = Folder() + "/glintwork-fuzz-" + std::to_string(getpid()) + "-" + name;
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
