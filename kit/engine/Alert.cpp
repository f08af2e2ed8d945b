#include "kit/engine/Alert.hpp"

namespace quorvel {

Alert::Kind decodeAlertKind(const json::Json& value) {
    const std::string name = json::asString(value, "alert kind");
    if (auto kind = alertKindFromRawValue(name)) return *kind;
    throw json::JsonDecodeError("unknown alert kind \"" + name + "\"");
}

}  // namespace quorvel
