#include "tests/support/ScratchFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
std::string scratch;
}

bool EnterScratchFolder(const std::string& script, std::string* folder)
{
    char name[] = "/tmp/glintwork-run-XXXXXX";
    if (!mkdtemp(name) || chdir(name) != 0)
        return false;
    if (scratch.empty()) {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratch, ignored);
        });
    }
    scratch = name;
    if (folder)
        *folder = name;
    std::ofstream out("scenescript.txt", std::ios::binary);
    out << script;
    return static_cast<bool>(out);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
