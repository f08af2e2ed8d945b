#include "kit/visuals/model/MascotMotion.hpp"

namespace quorvel {

std::string_view rawValue(MascotMotion motion) {
    switch (motion) {
        case MascotMotion::idle: return "idle";
        case MascotMotion::running: return "running";
        case MascotMotion::longRun: return "longRun";
        case MascotMotion::done: return "done";
        case MascotMotion::needsYou: return "needsYou";
        case MascotMotion::broke: return "broke";
        case MascotMotion::crashed: return "crashed";
        case MascotMotion::muted: return "muted";
    }
    return "idle";
}

std::optional<MascotMotion> mascotMotionFromRawValue(std::string_view raw) {
    for (MascotMotion motion : allMascotMotions) {
        if (rawValue(motion) == raw) return motion;
    }
    return std::nullopt;
}

bool loops(MascotMotion motion) {
    switch (motion) {
        case MascotMotion::idle:
        case MascotMotion::running:
        case MascotMotion::longRun:
        case MascotMotion::needsYou:
            return true;
        default:
            return false;
    }
}

bool playsOnce(MascotMotion motion) {
    return motion == MascotMotion::done || motion == MascotMotion::broke ||
           motion == MascotMotion::crashed;
}

double duration(MascotMotion motion) {
    switch (motion) {
        case MascotMotion::idle: return 3.0;
        case MascotMotion::running: return 2.0;
        case MascotMotion::longRun: return 2.0;
        case MascotMotion::done: return 3.2;
        case MascotMotion::needsYou: return 2.4;
        case MascotMotion::broke: return 2.6;
        case MascotMotion::crashed: return 0.8;
        case MascotMotion::muted: return 0.0;
    }
    return 0.0;
}

PixelArt::Face baseFace(MascotMotion motion) {
    using PixelArt::Face;
    switch (motion) {
        case MascotMotion::idle: return Face::happy;
        case MascotMotion::running: return Face::working;
        case MascotMotion::longRun: return Face::shocked;
        case MascotMotion::done: return Face::wink;
        case MascotMotion::needsYou: return Face::shocked;
        case MascotMotion::broke: return Face::angry;
        case MascotMotion::crashed: return Face::dead;
        case MascotMotion::muted: return Face::sleepy;
    }
    return Face::happy;
}

}  // namespace quorvel
