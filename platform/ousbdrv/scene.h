#pragma once
// What the virtual camera looks at: a 640 x 480 scene, rendered afresh for
// every frame, and the cut of it each frame format shows.

#include "platform/ousbdrv/picture.h"
#include "platform/ousbdrv/protocol.h"

#include <chrono>
#include <cstdint>

namespace platform::ousbdrv {

inline constexpr int kSceneWidth = 640;
inline constexpr int kSceneHeight = 480;

struct SceneTime {
    std::chrono::milliseconds sincePlug{0};  // drives the motion
    std::chrono::milliseconds timeOfDay{0};  // shown by the clock
    std::uint32_t frameNumber = 0;
};

class SceneSource {
public:
    virtual ~SceneSource() = default;
    // Fills `scene` (already kSceneWidth x kSceneHeight) for this moment.
    virtual void render(const SceneTime& time, Picture& scene) const = 0;
};

// The default scene: colour bars, a grey ramp, a ball moving across a dark
// panel, a turning dial in the centre and a running clock with the frame number, so that motion, colour
// and dropped frames are visible at a glance.
class TestPattern final : public SceneSource {
public:
    TestPattern();
    void render(const SceneTime& time, Picture& scene) const override;

    // Geometry, for tests that look for the parts of the picture.
    static constexpr int kBarCount = 8;
    static constexpr int kBarsBottom = 288;  // bars fill rows 0 .. 287
    static constexpr int kRampBottom = 336;  // grey ramp rows 288 .. 335, then the panel
    static const Rgb kBarColours[kBarCount];
    static constexpr Rgb kPanelColour{20, 24, 48};

private:
    Picture background_;
};

// A still picture, fitted into the scene once (aspect kept, black borders).
class StillImage final : public SceneSource {
public:
    explicit StillImage(const Picture& picture);
    void render(const SceneTime& time, Picture& scene) const override;

private:
    Picture fitted_;
};

// The scene scaled into `format`'s frame: the whole scene, or for zoomed
// formats its centre quarter (so it appears at twice the size). Every frame
// row covers the same share of that area, so half-height formats carry every
// other line and the host stretches them back.
void cutFrame(const Picture& scene, const FrameFormat& format, Picture& frame);

} // namespace platform::ousbdrv
