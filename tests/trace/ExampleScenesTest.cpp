// Every scene in examples/ reads, passes the checks and traces without a
// message, and its comments are only comments.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "trace/EnvSceneTracer.h"
#include "trace/Scene.h"
#include "trace/SceneCheck.h"
#include "trace/SceneTracer.h"
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

TEST(ExampleScenes, ReadCheckAndTraceQuietly)
{
    int scenes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(GLINTWORK_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".txt" || entry.path().filename() == "CMakeLists.txt")
            continue;
        ++scenes;
        const std::string path = entry.path().string();
        Scene scene;
        ASSERT_EQ(scene.ReadScript(path.c_str()), Scene::Status::Read) << scene.Error();
        std::string reason, warning;
        EXPECT_TRUE(CheckSceneForTracing(scene, reason, warning)) << path << ": " << reason;
        EXPECT_EQ(warning, "") << path;

        // Comments change nothing: no keyword hides in them.
        Scene bare;
        ReadScene(bare, WithoutComments(path));
        EXPECT_EQ(Describe(bare), Describe(scene)) << path;

        const std::string text = WithoutComments(path);
        SceneTracer room;
        EnvSceneTracer environment;
        SetUpTracer(room, text);
        SetUpTracer(environment, text);
        room.Render();
        environment.Render();
        EXPECT_GT(room.Points().size(), 0u) << path;
        EXPECT_GT(environment.Points().size(), 0u) << path;
    }
    EXPECT_GE(scenes, 6);
}
