#include "kit/engine/Run.hpp"

namespace quorvel {

Run Run::decode(const json::Json& value) { return decodeRecord<Run>(value, "Run", runFields); }

json::Json Run::encode() const { return encodeRecord(*this, runFields); }

}  // namespace quorvel
