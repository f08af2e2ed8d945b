#include "kit/visuals/model/Easing.hpp"

#include <cmath>

namespace quorvel {
namespace {

// A cubic Bézier through (0, 0), (x1, 0), (x2, 1), (1, 1): the classic ease curves.
struct EaseCurve {
    double x1;
    double x2;

    double x(double s) const {
        const double r = 1 - s;
        return 3 * x1 * s * r * r + 3 * x2 * s * s * r + s * s * s;
    }
    double y(double s) const { return 3 * s * s * (1 - s) + s * s * s; }
    double slope(double s) const {
        const double r = 1 - s;
        return 3 * x1 * r * r + 6 * r * s * (x2 - x1) + 3 * (1 - x2) * s * s;
    }

    double at(double u) const {
        if (u <= 0) return 0;
        if (u >= 1) return 1;
        constexpr double tolerance = 1e-6;
        // Newton's method converges in a few steps on these curves; bisection is the fallback
        // when the slope goes flat.
        double s = u;
        for (int step = 0; step < 8; ++step) {
            const double error = x(s) - u;
            if (std::fabs(error) < tolerance) return y(s);
            const double d = slope(s);
            if (std::fabs(d) < tolerance) break;
            s -= error / d;
        }
        double lower = 0;
        double upper = 1;
        s = u;
        for (int step = 0; step < 40; ++step) {
            const double value = x(s);
            if (std::fabs(value - u) < tolerance) return y(s);
            if (value < u) {
                lower = s;
            } else {
                upper = s;
            }
            s = (lower + upper) * 0.5;
        }
        return y(s);
    }
};

}  // namespace

double apply(Easing easing, double u) {
    switch (easing) {
        case Easing::linear:
            return u;
        case Easing::hold:
            return 0;
        case Easing::easeIn:
            return EaseCurve{0.42, 1.0}.at(u);
        case Easing::easeOut:
            return EaseCurve{0.0, 0.58}.at(u);
        case Easing::easeInOut:
            return EaseCurve{0.42, 0.58}.at(u);
    }
    return u;
}

}  // namespace quorvel
