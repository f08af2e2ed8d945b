#include "app/render/SoundRender.hpp"

#include <charconv>
#include <cmath>
#include <iostream>

#include "kit/sound/CafWriter.hpp"
#include "kit/sound/Chiptune.hpp"
#include "platform/files/Files.hpp"

namespace quorvel::SoundRender {

namespace {

constexpr std::string_view option = "--render-sounds";

}  // namespace

double volumeArgument(std::string_view text) {
    std::string_view number = text;
    // A sign of "+" is a number's sign as much as "-" is, though from_chars only takes "-".
    if (number.size() > 1 && number.front() == '+' && number[1] != '-' && number[1] != '+') {
        number.remove_prefix(1);
    }
    double value = 0;
    const char* end = number.data() + number.size();
    const auto [stop, problem] = std::from_chars(number.data(), end, value, std::chars_format::general);
    if (problem != std::errc() || stop != end) return defaultVolume;
    // "nan", "inf" and numbers too large for a double read as numbers but can't be rendered.
    if (!std::isfinite(value)) return defaultVolume;
    return value;
}

Expected<void, RenderError> writeSound(Sound sound, const std::string& file, double volume) {
    const auto samples = Chiptune::samples(sound, volume);
    auto written = caf::writeFile(file, samples);
    if (!written) return unexpected(RenderError{written.error().message});
    return {};
}

std::optional<int> renderIfRequested(const std::vector<std::string>& arguments, std::ostream& errors) {
    std::size_t index = 0;
    while (index < arguments.size() && arguments[index] != option) ++index;
    if (index + 1 >= arguments.size()) return std::nullopt;

    const std::string& folder = arguments[index + 1];
    const double volume = index + 2 < arguments.size() ? volumeArgument(arguments[index + 2]) : defaultVolume;

    auto fail = [&errors](const std::string& description) {
        errors << "render-sounds failed: " << description << '\n';
        errors.flush();
        return 1;
    };
    if (auto created = files::createDirectories(folder, 0755); !created) {
        return fail(created.error().message);
    }
    for (Sound sound : allSounds) {
        auto written = writeSound(sound, files::joinPath(folder, fileName(sound)), volume);
        if (!written) return fail(written.error().message);
    }
    return 0;
}

std::optional<int> renderIfRequested(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int index = 1; index < argc; ++index) arguments.emplace_back(argv[index]);
    return renderIfRequested(arguments, std::cerr);
}

}  // namespace quorvel::SoundRender
