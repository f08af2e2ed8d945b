#include "kit/visuals/model/MascotPose.hpp"

#include <cmath>

#include "kit/visuals/model/Track.hpp"

namespace quorvel {
namespace {

using PixelArt::Face;

// Each track is built once, on first use; function-local statics make that safe from any thread.
const Track& idleBob() {
    static const Track track({{0.0, 0, Easing::easeInOut}, {1.5, -4, Easing::easeInOut},
                              {3.0, 0, Easing::linear}});
    return track;
}

const Track& needsYouHops() {
    static const Track track({{0.0, 0, Easing::easeOut}, {0.15, -12, Easing::easeIn},
                              {0.3, 0, Easing::easeOut}, {0.45, -12, Easing::easeIn},
                              {0.6, 0, Easing::linear}});
    return track;
}

const Track& doneHop() {
    static const Track track({{0.0, 0, Easing::easeIn}, {0.35, 6, Easing::easeOut},
                              {0.62, -56, Easing::easeIn}, {0.9, 0, Easing::easeOut},
                              {1.0, -8, Easing::linear}, {1.1, 0, Easing::linear},
                              {1.35, 0, Easing::easeOut}, {1.42, -10, Easing::easeIn},
                              {1.6, 0, Easing::linear}});
    return track;
}

const Track& doneShadow() {
    static const Track track({{0.0, 1.0, Easing::easeOut}, {0.62, 0.6, Easing::easeIn},
                              {0.9, 1.06, Easing::easeOut}, {1.1, 1.0, Easing::linear}});
    return track;
}

const Track& doneClickFade() {
    static const Track track({{0.0, 0, Easing::hold}, {1.35, 1.0, Easing::easeIn},
                              {1.8, 0, Easing::linear}});
    return track;
}

const Track& doneClickRise() {
    static const Track track({{1.35, 0, Easing::easeOut}, {1.8, -18, Easing::linear}});
    return track;
}

const Track& doneEject() {
    static const Track track({{1.35, 0, Easing::easeOut}, {1.7, 1.0, Easing::linear}});
    return track;
}

const Track& doneFlash() {
    static const Track track({{0.0, 0, Easing::hold}, {0.86, 0, Easing::linear},
                              {0.92, 0.3, Easing::easeOut}, {1.25, 0, Easing::linear}});
    return track;
}

const Track& brokeJolt() {
    static const Track track({{0.0, 0, Easing::easeOut}, {0.15, -20, Easing::easeIn},
                              {0.3, 0, Easing::linear}, {1.4, 0, Easing::easeInOut},
                              {1.8, 8, Easing::linear}});
    return track;
}

const Track& brokeShake() {
    static const Track track({{0.3, 0, Easing::linear}, {0.38, -7, Easing::linear},
                              {0.46, 7, Easing::linear}, {0.54, -6, Easing::linear},
                              {0.62, 6, Easing::linear}, {0.7, -3, Easing::easeOut},
                              {0.8, 0, Easing::linear}});
    return track;
}

const Track& brokeFlash() {
    static const Track track({{0.0, 0, Easing::linear}, {0.3, 0, Easing::linear},
                              {0.35, 0.35, Easing::easeOut}, {0.7, 0, Easing::linear}});
    return track;
}

const Track& crashFlicker() {
    static const Track track({{0.0, 1.0, Easing::hold}, {0.1, 0.1, Easing::hold},
                              {0.2, 1.0, Easing::hold}, {0.3, 0.1, Easing::hold},
                              {0.5, 0.1, Easing::easeOut}, {0.8, 1.0, Easing::linear}});
    return track;
}

// The motion's own time for an elapsed time: a loop's place in its period, a one-shot's place
// in its span. Times that are not finite land on a defined end rather than poisoning the pose.
double localTime(MascotMotion motion, double elapsed) {
    const double length = duration(motion);
    if (loops(motion)) {
        if (!std::isfinite(elapsed)) return 0;
        return std::fmod(elapsed, length);
    }
    if (std::isnan(elapsed) || elapsed <= 0) return 0;
    if (elapsed >= length) return length;
    return elapsed;
}

double fractionalPart(double t) { return t - std::trunc(t); }

}  // namespace

MascotPose MascotPose::still(MascotMotion motion) {
    MascotPose pose{baseFace(motion)};
    if (motion == MascotMotion::done) pose.floppyOut = 1;
    return pose;
}

MascotPose MascotPose::compute(bool reduceMotion, MascotMotion motion, double elapsed) {
    if (reduceMotion) return still(motion);
    const double t = localTime(motion, elapsed);
    MascotPose pose{baseFace(motion)};
    switch (motion) {
        case MascotMotion::idle:
            pose.face = (1.8 <= t && t < 1.95) || (2.1 <= t && t < 2.2) ? Face::blink : Face::happy;
            pose.offsetY = idleBob().value(t);
            break;
        case MascotMotion::running:
            pose.face = Face::working;
            pose.faceShift = t < 0.5 ? -1 : t < 1.0 ? 0 : t < 1.5 ? 1 : 0;
            pose.scanline = fractionalPart(t);
            break;
        case MascotMotion::longRun:
            pose.face = Face::shocked;
            pose.scanline = fractionalPart(t);
            break;
        case MascotMotion::done:
            pose.face = t < 0.35 ? Face::blink : t < 2.3 ? Face::happy : Face::wink;
            pose.offsetY = doneHop().value(t);
            pose.shadowScaleX = doneShadow().value(t);
            pose.clickOpacity = doneClickFade().value(t);
            pose.clickOffsetY = doneClickRise().value(t);
            pose.floppyOut = doneEject().value(t);
            pose.flash = doneFlash().value(t);
            break;
        case MascotMotion::needsYou:
            pose.face = Face::shocked;
            pose.offsetY = needsYouHops().value(t);
            pose.ledOn = std::fmod(t, 0.6) < 0.3;
            break;
        case MascotMotion::broke:
            pose.face = t < 0.8 ? Face::shocked : Face::angry;
            pose.offsetY = brokeJolt().value(t);
            pose.rotation = brokeShake().value(t);
            pose.flash = brokeFlash().value(t);
            break;
        case MascotMotion::crashed:
            pose.face = Face::dead;
            pose.screenOn = crashFlicker().value(t);
            break;
        case MascotMotion::muted:
            pose.face = Face::sleepy;
            break;
    }
    return pose;
}

}  // namespace quorvel
