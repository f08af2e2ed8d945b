#include "kit/visuals/model/MotionSchedule.hpp"

#include <charconv>
#include <cmath>

#include "kit/visuals/model/PixelArt.hpp"

namespace quorvel {

MotionSchedule::TimesCache& MotionSchedule::TimesCache::shared() {
    static TimesCache cache;
    return cache;
}

std::string MotionSchedule::TimesCache::key(MascotMotion motion, double scale) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), scale);
    std::string number(buffer.data(), result.ptr);
    if (number.find_first_of(".eEin") == std::string::npos) number += ".0";
    std::string text(rawValue(motion));
    text += "@";
    text += number;
    return text;
}

std::vector<double> MotionSchedule::TimesCache::times(MascotMotion motion, double scale) {
    const std::string entry = key(motion, scale);
    {
        std::lock_guard guard(lock);
        const auto found = store.find(entry);
        if (found != store.end()) return found->second;
    }
    std::vector<double> computed = computeChangeTimes(motion, scale);
    std::lock_guard guard(lock);
    store[entry] = computed;
    return computed;
}

std::optional<std::vector<double>> MotionSchedule::TimesCache::cached(MascotMotion motion,
                                                                      double scale) const {
    const std::string entry = key(motion, scale);
    std::lock_guard guard(lock);
    const auto found = store.find(entry);
    if (found == store.end()) return std::nullopt;
    return found->second;
}

MotionSchedule::PictureNumbers MotionSchedule::pictureNumbers(const MascotPose& pose, double scale) {
    return PictureNumbers{
        static_cast<double>(PixelArt::indexOf(pose.face)),
        static_cast<double>(pose.faceShift),
        std::round(pose.offsetY * scale / 12 * 2),
        std::round(pose.rotation * 2),
        std::round(pose.flash * 50),
        pose.scanline ? std::floor(*pose.scanline * 14) / 14 : -1.0,
        std::round(pose.clickOpacity * 20),
        std::round(pose.clickOffsetY * scale / 12 * 2),
        std::round(pose.floppyOut * 46),
        std::round(pose.screenOn * 20),
        pose.ledOn ? 1.0 : 0.0,
    };
}

std::vector<double> MotionSchedule::computeChangeTimes(MascotMotion motion, double scale) {
    std::vector<double> times{0};
    if (motion == MascotMotion::muted) return times;
    const double length = duration(motion);
    PictureNumbers previous = pictureNumbers(MascotPose::compute(false, motion, 0), scale);
    constexpr double step = 1.0 / 120;
    // Stepping by repeated addition (not i / 120) fixes which samples exist, and so which
    // change times a cache holds.
    for (double x = step; x < length; x += step) {
        const PictureNumbers numbers = pictureNumbers(MascotPose::compute(false, motion, x), scale);
        if (numbers != previous) times.push_back(x);
        previous = numbers;
    }
    return times;
}

MotionSchedule::MotionSchedule(MascotMotion motion, Instant start, std::vector<double> changeTimes)
    : motion(motion), start(start), changeTimes(std::move(changeTimes)) {}

MotionSchedule::MotionSchedule(MascotMotion motion, Instant start, double scale)
    : MotionSchedule(motion, start, TimesCache::shared().times(motion, scale)) {}

MotionSchedule::Entries MotionSchedule::entries(Instant from) const { return Entries(*this, from); }

MotionSchedule::Entries::Entries(const MotionSchedule& schedule, Instant from)
    : motion_(schedule.motion),
      start_(schedule.start),
      changeTimes_(schedule.changeTimes),
      from_(from),
      period_(duration(schedule.motion)) {
    const double since = from.secondsSince(start_);
    if (loops(motion_) && period_ > 0) {
        const double cycles = std::floor(since / period_);
        cycle_ = std::isfinite(cycles) && cycles > 0 ? cycles : 0;
    }
    if (period_ > 0) {
        const double intoCycle = since - period_ * cycle_;
        for (auto time = changeTimes_.rbegin(); time != changeTimes_.rend(); ++time) {
            if (*time <= intoCycle + 1e-9) {
                first_ = start_.adding(period_ * cycle_).adding(*time);
                break;
            }
        }
    } else {
        first_ = start_;
    }
}

std::optional<Instant> MotionSchedule::Entries::next() {
    if (!firstOffered_) {
        firstOffered_ = true;
        if (first_ && *first_ <= from_) return first_;
    }
    while (!ended_) {
        if (index_ >= changeTimes_.size()) {
            if (loops(motion_) && period_ > 0 && !changeTimes_.empty()) {
                index_ = 0;
                cycle_ += 1;
                continue;
            }
            ended_ = true;
            break;
        }
        const Instant candidate = start_.adding(changeTimes_[index_]).adding(period_ * cycle_);
        ++index_;
        if (candidate > from_) return candidate;
    }
    return std::nullopt;
}

}  // namespace quorvel
