#ifndef GLINTWORK_TESTS_SCRATCHFOLDER_H
#define GLINTWORK_TESTS_SCRATCHFOLDER_H

#include <string>
#include <vector>

namespace glintwork {

using Bytes = std::vector<unsigned char>;

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& Folder() const { return folder; }
    std::string Path(const std::string& name) const { return folder + "/" + name; }
    std::string Write(const std::string& name, const Bytes& bytes) const;  // returns the path

private:
    std::string folder;
};

// For tools that run the tracer window on a scene of their choice (the bench,
// the frame identity check): makes a fresh folder under /tmp holding `script`
// as scenescript.txt, makes it the working folder, and removes it when the
// program ends (also through exit()). False when that cannot be done.
bool EnterScratchFolder(const std::string& script, std::string* folder = nullptr);

// The whole contents of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// examples/scenescript.txt
std::string DefaultScene();

}  // namespace glintwork

#endif
