// A value or a typed error: how every library reports failure across its boundary.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace lumara {

// Error carries a typed code (an enum of the failing module) and a human-readable message.
template <typename Code>
struct Error {
    Code code;
    std::string message;
};

template <typename T, typename Code>
class [[nodiscard]] Result {
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    Result(Error<Code> error) : m_data(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_data); }
    const T& value() const& { return std::get<0>(m_data); }
    T&& value() && { return std::get<0>(std::move(m_data)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error<Code>& error() const { return std::get<1>(m_data); }

private:
    std::variant<T, Error<Code>> m_data;
};

// For operations that succeed with no value.
struct Ok {};

} // namespace lumara
