#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <utility>

#include "text/error.h"

namespace ResultDetail {

// Reading the value of a failure is a bug: end here, in release builds too,
// rather than go on with whatever the memory holds.
[[noreturn]] inline void valueOfFailure() {
    qFatal("Result: the value of a failure was asked for");
}

} // namespace ResultDetail

// The outcome of an operation that may fail: a value, or an error (an
// Error, which the windows word).
template <typename T, typename E = Error> class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    static Result failure(E error) { return Result(std::nullopt, std::move(error)); }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return checked(); }
    T& value() & { return checked(); }
    T&& value() && { return std::move(checked()); }
    const T& operator*() const& { return checked(); }
    const T* operator->() const { return &checked(); }
    const E& error() const { return error_; }

  private:
    Result(std::nullopt_t, E error) : error_(std::move(error)) {}
    T& checked() {
        if (!value_)
            ResultDetail::valueOfFailure();
        return *value_;
    }
    const T& checked() const {
        if (!value_)
            ResultDetail::valueOfFailure();
        return *value_;
    }

    std::optional<T> value_;
    E error_;
};

// For operations that give nothing back but may fail.
template <typename E = Error> class [[nodiscard]] StatusOf {
  public:
    StatusOf() = default;
    static StatusOf failure(E error) {
        StatusOf s;
        s.failed_ = true;
        s.error_ = std::move(error);
        return s;
    }
    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const E& error() const { return error_; }

  private:
    bool failed_ = false;
    E error_;
};

using Status = StatusOf<>;
