#include "platform/stores/RecordStore.hpp"

namespace quorvel {

namespace {

template <typename T>
std::optional<T> typedField(const RecordValue* value) {
    if (value == nullptr) return std::nullopt;
    if (const T* typed = std::get_if<T>(value)) return *typed;
    return std::nullopt;
}

}  // namespace

Record::Record(std::string recordType, RecordID recordID)
    : recordType_(std::move(recordType)), recordID_(std::move(recordID)) {}

const RecordValue* Record::field(std::string_view key) const {
    auto found = fields_.find(key);
    return found == fields_.end() ? nullptr : &found->second;
}

std::optional<std::string> Record::stringField(std::string_view key) const {
    return typedField<std::string>(field(key));
}

std::optional<std::int64_t> Record::integerField(std::string_view key) const {
    return typedField<std::int64_t>(field(key));
}

std::optional<double> Record::doubleField(std::string_view key) const { return typedField<double>(field(key)); }

std::optional<RecordBytes> Record::bytesField(std::string_view key) const {
    return typedField<RecordBytes>(field(key));
}

std::optional<Instant> Record::dateField(std::string_view key) const { return typedField<Instant>(field(key)); }

void Record::setField(std::string key, RecordValue value) {
    fields_.insert_or_assign(std::move(key), std::move(value));
}

void Record::removeField(std::string_view key) {
    auto found = fields_.find(key);
    if (found != fields_.end()) fields_.erase(found);
}

std::vector<std::string> Record::fieldKeys() const {
    std::vector<std::string> keys;
    keys.reserve(fields_.size());
    for (const auto& [key, value] : fields_) keys.push_back(key);
    return keys;
}

void Record::stampSaved(Instant modificationDate, std::string changeTag) {
    modificationDate_ = modificationDate;
    changeTag_ = std::move(changeTag);
}

}  // namespace quorvel
