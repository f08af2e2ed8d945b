#pragma once
// When a motion's drawn picture changes. A mascot is pixel art: most frames of a motion move it
// by less than a device pixel, so views redraw only at the moments the picture changes. Those
// change times are computed once per motion and pixel scale and kept for the process's life.
#include <array>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "kit/visuals/model/MascotMotion.hpp"
#include "kit/visuals/model/MascotPose.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct MotionSchedule {
    /// The eleven numbers that decide what a pose looks like at a pixel scale; two poses with
    /// equal numbers draw the same picture. The shadow's width takes no part.
    using PictureNumbers = std::array<double, 11>;

    /// The change times of every (motion, scale) asked for, shared by the whole process.
    class TimesCache {
    public:
        static TimesCache& shared();

        /// The cached change times, computed on a miss (outside the lock, so two threads may
        /// compute the same entry at once; the later store wins).
        std::vector<double> times(MascotMotion motion, double scale);
        /// The entry for (motion, scale) if one has been stored.
        std::optional<std::vector<double>> cached(MascotMotion motion, double scale) const;

        /// "done@12.0", "idle@2.5": the raw value and the scale's shortest round-trip text,
        /// with a fractional part even for a whole number.
        static std::string key(MascotMotion motion, double scale);

    private:
        mutable std::mutex lock;
        std::unordered_map<std::string, std::vector<double>> store;
    };

    /// A lazy sequence of redraw dates, from a given date on.
    class Entries {
    public:
        /// The next date, or nothing once a one-shot or muted motion has no more changes.
        std::optional<Instant> next();

    private:
        friend struct MotionSchedule;
        Entries(const MotionSchedule& schedule, Instant from);

        MascotMotion motion_;
        Instant start_;
        std::vector<double> changeTimes_;
        Instant from_;
        double period_ = 0;
        double cycle_ = 0;
        std::optional<Instant> first_;
        bool firstOffered_ = false;
        std::size_t index_ = 0;
        bool ended_ = false;
    };

    MascotMotion motion = MascotMotion::idle;
    Instant start;
    /// Seconds after the start of a period (loops) or of the span (one-shots), ascending,
    /// always beginning with 0.
    std::vector<double> changeTimes;

    MotionSchedule(MascotMotion motion, Instant start, std::vector<double> changeTimes);
    /// Takes the change times from the shared cache.
    MotionSchedule(MascotMotion motion, Instant start, double scale);

    /// The dates at which a timeline starting at `from` redraws: the latest change at or
    /// before `from`, then every later change, period after period for a looping motion.
    Entries entries(Instant from) const;

    /// 0 and every 1/120-s sample at which the picture changes, within one period or span.
    static std::vector<double> computeChangeTimes(MascotMotion motion, double scale);
    static PictureNumbers pictureNumbers(const MascotPose& pose, double scale);

    bool operator==(const MotionSchedule&) const = default;
};

}  // namespace quorvel
