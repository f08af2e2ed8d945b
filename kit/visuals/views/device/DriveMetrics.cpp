#include "kit/visuals/views/device/DriveMetrics.hpp"

#include <cmath>

#include "kit/visuals/views/device/DiskDrive.hpp"

namespace quorvel {

const DriveMetrics& DriveMetrics::mac() {
    static const DriveMetrics metrics{
        .plate = {260, 34},
        .plateY = 34,
        .mouth = {128, 10},
        .mouthY = 46,
        .lipHeight = 4,
        .inY = 52,
        // The floppy picture is the big floppy map at 6 points a cell, and 70 % of it comes out.
        .rise = std::round(DiskDrive::floppyHeight() * 0.7),
        .ledX = 280,
        .ledY = 46,
        .dymoX = 297.5,
        .dymoY = 40,
        .height = 76,
    };
    return metrics;
}

}  // namespace quorvel
