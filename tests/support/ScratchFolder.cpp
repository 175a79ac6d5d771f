#include "tests/support/ScratchFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace glintwork {

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

ScratchDir::ScratchDir()
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/glintwork-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        throw std::runtime_error("cannot make a scratch folder");
    folder = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string ScratchDir::Write(const std::string& name, const Bytes& bytes) const
{
    std::string path = Path(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string DefaultScene()
{
    return ReadWholeFile(GLINTWORK_EXAMPLES_DIR "/scenescript.txt");
}

}  // namespace glintwork
