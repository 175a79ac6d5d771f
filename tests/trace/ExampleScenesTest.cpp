// Every scene in examples/ reads, and its comments are only comments (the
// install test traces each one and fails on any message).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "trace/scene/Scene.h"
#include "tests/trace/TracerTestScene.h"

namespace {

// The script without its "#" comment lines.
std::string WithoutComments(const std::string& path)
{
    std::ifstream in(path);
    std::string line, text;
    while (std::getline(in, line))
        if (line.find('#') == std::string::npos)
            text += line + "\n";
    return text;
}

}  // namespace

TEST(ExampleScenes, CommentsAreOnlyComments)
{
    int scenes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(GLINTWORK_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".txt" || entry.path().filename() == "CMakeLists.txt")
            continue;
        ++scenes;
        const std::string path = entry.path().string();
        Scene scene;
        ASSERT_EQ(scene.ReadScript(path.c_str()), Scene::Status::Read) << scene.Error();
        // Comments change nothing: no keyword hides in them.
        Scene bare;
        ReadScene(bare, WithoutComments(path));
        EXPECT_EQ(Describe(bare), Describe(scene)) << path;
    }
    EXPECT_GE(scenes, 6);
}
