// Takes a scene through every view and switch, then random inputs, and checks
// that both frame paths write the same screenShot.bmp, byte for byte: the
// fast path's frame made from what the frames before kept (never from a view
// drawn before with the same inputs), the same frame drawn band by band with
// no points kept, and that view drawn again from the points kept for it.
//
// Usage: app_frame_identity SCENE-SCRIPT   (needs a display)

#include <random>

#include "tests/app/WindowChecks.h"

namespace glintwork {

namespace {

class IdentityWindow : public CheckedWindow<IdentityWindow> {
public:
    static std::vector<Check> Checks() { return {{"every input by both paths", &IdentityWindow::InputsMatch}}; }

private:
    // Every view with each switch, spheres moved; then at random. The
    // sanitizers make every frame slow: a shorter tour for them.
#ifdef GLINTWORK_SHORT_RUNS
    const std::string tour = "RUYTGT<";
    static constexpr int RandomInputs = 0;
#else
    const std::string tour = "RYRYURYURYTGGGTUTKT<>";
    static constexpr int RandomInputs = 16;
#endif

    bool Matches(const std::string& applied)
    {
        const ViewKeeping keeping;
        ViewKeeping traced = keeping;
        traced.reusePoints = false;
        SetKeeping(traced);
        const std::string fast = Frame(FramePath::Fast);
        traced.budgetBytes = 0;  // nothing kept: every band dropped once drawn, tracing held a few bands ahead
        SetKeeping(traced);
        const std::string dropped = Frame(FramePath::Fast);
        SetKeeping(keeping);
        Frame(FramePath::Fast);  // kept for these inputs
        const bool same = fast.size() > 54 && fast == dropped && fast == Frame(FramePath::Fast) &&
                          fast == Frame(FramePath::Reference);
        if (!same)
            std::printf("after inputs \"%s\": DIFFERENT\n", applied.c_str());
        return same;
    }

    bool InputsMatch()
    {
        std::mt19937 random(5);
        const char inputs[] = "GHRYUTK<>";
        std::string applied;
        int failures = !Matches(applied);
        for (std::size_t i = 0; i < tour.size() + RandomInputs; ++i) {
            const char input = i < tour.size() ? tour[i] : inputs[random() % 9];
            applied += input;
            ApplyInput(input);
            failures += !Matches(applied);
        }
        std::printf("after inputs \"%s\"\n", applied.c_str());
        return failures == 0;
    }
};

CheckApp<IdentityWindow> app;

}  // namespace

}  // namespace glintwork
