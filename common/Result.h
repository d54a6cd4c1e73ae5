#pragma once

#include <optional>
#include <string>
#include <utility>

namespace vorel {

// The outcome of a read, parse or write: a value, or a sentence saying why there is none.
template <typename T> class Result {
  public:
    static Result success(T value) { return Result(std::move(value), {}); }
    static Result failure(std::string reason) { return Result(std::nullopt, std::move(reason)); }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *value_; }
    T& value() & { return *value_; }
    T&& value() && { return std::move(*value_); }
    const std::string& error() const { return error_; }

  private:
    Result(std::optional<T> value, std::string error)
        : value_(std::move(value)), error_(std::move(error)) {}
    std::optional<T> value_;
    std::string error_;
};

// A result that carries no value.
class Status {
  public:
    static Status success() { return Status({}); }
    static Status failure(std::string reason) { return Status(std::move(reason), false); }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& error() const { return error_; }

  private:
    explicit Status(std::string error, bool ok = true) : error_(std::move(error)), ok_(ok) {}
    std::string error_;
    bool ok_;
};

} // namespace vorel
