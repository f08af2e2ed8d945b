#include "kit/engine/Run.hpp"

namespace quorvel {

Run Run::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "Run");
    return Run{json::requireReferenceDate(object, "startedAt"), json::requireString(object, "title")};
}

json::Json Run::encode() const {
    json::Json object = json::Json::object();
    object["startedAt"] = json::referenceDate(startedAt);
    object["title"] = json::string(title);
    return object;
}

}  // namespace quorvel
