#pragma once

#include <QString>
#include <optional>
#include <utility>

// The outcome of a storage or transport operation: a value, or an error text
// the user interface can show as it stands.
template <typename T> class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    static Result failure(QString error) { return Result(std::nullopt, std::move(error)); }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *value_; }
    T& value() & { return *value_; }
    T&& value() && { return std::move(*value_); }
    const T& operator*() const& { return *value_; }
    const T* operator->() const { return &*value_; }
    const QString& error() const { return error_; }

  private:
    Result(std::nullopt_t, QString error) : error_(std::move(error)) {}
    std::optional<T> value_;
    QString error_;
};

// For operations that give nothing back but may fail.
class [[nodiscard]] Status {
  public:
    Status() = default;
    static Status failure(QString error) {
        Status s;
        s.failed_ = true;
        s.error_ = std::move(error);
        return s;
    }
    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const QString& error() const { return error_; }

  private:
    bool failed_ = false;
    QString error_;
};
