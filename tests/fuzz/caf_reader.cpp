// The sound file reader on arbitrary bytes: it must never crash, and whatever it accepts must
// come back unchanged through the writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kit/sound/CafReader.hpp"
#include "kit/sound/CafWriter.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto samples = quorvel::caf::decode(input);
    if (!samples) {
        if (samples.error().message.empty()) std::abort();
        return 0;
    }
    const auto again = quorvel::caf::decode(quorvel::caf::encode(*samples));
    if (!again || *again != *samples) std::abort();
    return 0;
}
