#pragma once
// A value or a typed error, for operations whose failure the caller must look at.
#include <utility>
#include <variant>

namespace quorvel {

template <typename E>
struct Unexpected {
    E error;
};

template <typename E>
Unexpected<std::decay_t<E>> unexpected(E&& error) {
    return Unexpected<std::decay_t<E>>{std::forward<E>(error)};
}

template <typename T, typename E>
class [[nodiscard]] Expected {
public:
    Expected(T value) : storage_(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    Expected(Unexpected<F> failure) : storage_(std::in_place_index<1>, E(std::move(failure.error))) {}

    bool hasValue() const { return storage_.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& value() & { return std::get<0>(storage_); }
    const T& value() const& { return std::get<0>(storage_); }
    T&& value() && { return std::get<0>(std::move(storage_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const E& error() const { return std::get<1>(storage_); }

private:
    std::variant<T, E> storage_;
};

template <typename E>
class [[nodiscard]] Expected<void, E> {
public:
    Expected() = default;
    template <typename F>
    Expected(Unexpected<F> failure) : failed_(true), error_(E(std::move(failure.error))) {}

    bool hasValue() const { return !failed_; }
    explicit operator bool() const { return hasValue(); }
    const E& error() const { return error_; }

private:
    bool failed_ = false;
    E error_{};
};

}  // namespace quorvel
