#pragma once
// What a PulseAudio sink played, as a listener would hear it: its monitor recorded by `parec`
// into a file for as long as the recording lives, and the sounds in it counted. For tests
// against a sound server of their own (a null sink, no card). Free of any test framework.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/ProgramLaunch.hpp"

namespace quorvel::testing {

class MonitorRecording {
public:
    /// The recording's format: 16-bit signed mono, host byte order.
    static constexpr int sampleRate = 22050;

    /// Starts recording `sink`'s monitor into `file`; `recording()` is false when parec
    /// couldn't be started.
    MonitorRecording(const std::string& sink, std::string file) : file_(std::move(file)) {
        parec_ = ProgramLaunch("parec")
                     .searchPath()
                     .arguments({"--device=" + sink + ".monitor", "--format=s16ne",
                                 "--rate=" + std::to_string(sampleRate), "--channels=1", "--latency-msec=20"})
                     .outputToFile(file_)
                     .start();
    }
    ~MonitorRecording() { stop(); }
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    bool recording() const { return parec_.started(); }

    /// Ends the recording; its file then holds everything heard.
    void stop() {
        if (parec_.started()) parec_.terminate();
    }

    /// The sounds heard: stretches louder than `threshold` (of 32,767), each after at least
    /// `quietMilliseconds` below it. Call after `stop`.
    int soundsHeard(int threshold = 1000, int quietMilliseconds = 150) const {
        std::ifstream in(file_, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::int16_t> samples(bytes.size() / sizeof(std::int16_t));
        std::copy(bytes.data(), bytes.data() + samples.size() * sizeof(std::int16_t),
                  reinterpret_cast<char*>(samples.data()));
        const std::size_t quietSamples = static_cast<std::size_t>(quietMilliseconds) * sampleRate / 1000;
        int sounds = 0;
        std::size_t quietFor = quietSamples;  // the recording begins in quiet
        for (const std::int16_t sample : samples) {
            if (std::abs(static_cast<int>(sample)) < threshold) {
                ++quietFor;
                continue;
            }
            if (quietFor >= quietSamples) ++sounds;
            quietFor = 0;
        }
        return sounds;
    }

private:
    std::string file_;
    RunningProgram parec_;
};

}  // namespace quorvel::testing
