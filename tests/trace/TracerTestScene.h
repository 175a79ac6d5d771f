#ifndef GLINTWORK_TRACERTESTSCENE_H
#define GLINTWORK_TRACERTESTSCENE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "trace/kernels/InstructionSet.h"
#include "trace/tracers/PointList.h"
#include "trace/tracers/ReferenceTracer.h"
#include "trace/tracers/RoomSetUp.h"
#include "trace/scene/Scene.h"
#include "trace/tracers/SceneTracer.h"
#include "trace/math/Vec3.h"
#include "tests/support/ScratchFolder.h"

namespace glintwork {

// A room x, y in [-10, 10], z from -30 to 10 (20 plane points in the order the
// tracers read them), plus whatever the caller appends. Plane materials are
// ambient only unless the caller says otherwise.
inline std::string RoomScript(const std::string& planeMaterials = "")
{
    std::string materials = planeMaterials;
    if (materials.empty())
        for (int k = 0; k < 5; ++k)
            materials += "0.5 0.5 0.5  0 0 0  0 0 0  1\n";
    return "plane 20\n"
           "-10 -10 10  -10 10 10  -10 10 -30  -10 -10 -30\n"
           "10 -10 10  10 10 10  10 10 -30  10 -10 -30\n"
           "-10 -10 -30  10 -10 -30  10 10 -30  -10 10 -30\n"
           "-10 10 10  10 10 10  10 10 -30  -10 10 -30\n"
           "-10 -10 10  10 -10 10  10 -10 -30  -10 -10 -30\n" +
           materials;
}

inline Scene::Status ReadScene(Scene& scene, const std::string& text)
{
    std::istringstream in(text);
    return scene.ReadFrom(in);
}

template <typename T> std::string List(const std::vector<T>& v)
{
    std::ostringstream text;
    for (const T& x : v)
        text << ' ' << x;
    return text.str();
}

// Every field of the scene on one line.
inline std::string Describe(const Scene& s)
{
    std::ostringstream t;
    t << "screen " << s.screenWidth << " " << s.screenHeight << " depth " << s.rayTraceDepth << "; sphere "
      << s.sphereCount << ":" << List(s.sphereCentres) << " /" << List(s.sphereRadii) << " /" << List(s.sphereMaterials)
      << " /" << List(s.sphereExponents) << "; light " << s.lightCount << ":" << List(s.lightPositions) << " /"
      << List(s.lightColours) << "; plane " << s.planePointCount << ":" << List(s.planePoints) << " /"
      << List(s.planeMaterials) << " /" << List(s.planeExponents);
    return t.str();
}

// The fast path's set-up of a script's scene, as the window sets it up.
inline std::shared_ptr<const RoomSetUp> SetUpOf(const std::string& text)
{
    Scene scene;
    ReadScene(scene, text);
    return std::make_shared<const RoomSetUp>(scene);
}

// Sets a tracer up from a script the way the window does.
template <typename Tracer> void SetUpTracer(Tracer& tracer, const std::string& text)
{
    tracer.SetUp(SetUpOf(text));
}

// The straightforward tracer of a script's view (by default the room from
// the eye at the origin, with the spheres where the script puts them).
inline ReferenceTracer Straightforward(const std::string& script, const ViewInputs& inputs)
{
    Scene scene;
    ReadScene(scene, script);
    return ReferenceTracer(scene, inputs);
}
// The inputs of a script's room view from the eye at the origin, with the
// spheres where the script puts them and the two switches as given.
inline ViewInputs RoomView(const std::string& script, bool reflections = true, bool colouredShadows = true)
{
    SceneTracer tracer;
    SetUpTracer(tracer, script);
    if (!reflections)
        tracer.ToggleReflections();
    if (!colouredShadows)
        tracer.ToggleColouredShadows();
    return tracer.Inputs();
}
inline ReferenceTracer Straightforward(const std::string& script)
{
    return Straightforward(script, RoomView(script));
}

// A test run once with each instruction set selected in turn (named after
// it); those this processor lacks are reported as skipped. The widest is
// selected again afterwards.
class OnEveryInstructionSet : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (!InstructionSetAvailable(GetParam()))
            GTEST_SKIP() << "this processor has no " << GetParam();
        SelectInstructionSet(GetParam());
    }
    void TearDown() override
    {
        for (std::size_t i = std::size(InstructionSetNames); i-- > 0;) {
            if (InstructionSetAvailable(InstructionSetNames[i])) {
                SelectInstructionSet(InstructionSetNames[i]);
                break;
            }
        }
    }
};
#define ON_EVERY_INSTRUCTION_SET(Suite)                                                                                \
    INSTANTIATE_TEST_SUITE_P(InstructionSets, Suite, testing::ValuesIn(InstructionSetNames),                           \
                             [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); })

inline bool Same(const PlotRecord& a, const PlotRecord& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.x == b.x && a.y == b.y && a.z == b.z;
}

inline bool Equal(const PointList& a, const PointList& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), Same);
}

// Odd sizes, spheres cutting the walls and each other, five spheres, bright
// lights: the corners where a band split or a dropped point would show.
inline std::string AwkwardScene()
{
    return RoomScript("0.3 0.2 0.1  0.9 0.8 0.7  0.6 0.6 0.6  7\n"
                      "0.1 0.2 0.3  0.7 0.8 0.9  0.6 0.6 0.6  3\n"
                      "0.2 0.2 0.2  0.5 0.5 0.5  0.2 0.2 0.2  12\n"
                      "0.2 0.3 0.2  0.6 0.6 0.6  0.9 0.9 0.9  40\n"
                      "0.1 0.1 0.1  0.4 0.4 0.4  0.1 0.1 0.1  1\n") +
           "screen 97 71 raytracedepth -29 "
           "sphere 5  -8 -6 -12 4   -5 -5 -14 3   6 3 -25 6   0 9 -18 2.5   2 -1 -9 1.5 "
           "materialSP 0.3 0 0  0.6 0.1 0.1  0.4 0.4 0.4  20 "
           "           0 0.3 0  0.1 0.6 0.1  0.4 0.4 0.4  40 "
           "           0 0 0.3  0.1 0.1 0.6  0.9 0.9 0.9  60 "
           "           0.2 0.2 0  0.5 0.5 0.1  0.4 0.4 0.4  5 "
           "           0.1 0.1 0.1  0.3 0.3 0.3  1 1 1  100 "
           "light 3  0 8 -15   -6 5 -2   7 -8 -28 "
           "  0.3 0.3 0.3  1.2 1.1 1.0  0.9 0.9 0.9 "
           "  0.1 0.1 0.1  0.4 0.4 0.4  0.3 0.3 0.3 "
           "  0.2 0.1 0.1  1.5 0.5 0.5  2 2 2";
}

}  // namespace glintwork

#endif
