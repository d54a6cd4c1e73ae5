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
    // What kind of failure it is, where the programs word it differently: a file that was written
    // but could not be closed may have lost data on its way to the disk.
    enum class Kind { none, failed, closeFailed };

    static Status success() { return Status({}, Kind::none); }
    static Status failure(std::string reason, Kind kind = Kind::failed) {
        return Status(std::move(reason), kind);
    }

    bool ok() const { return kind_ == Kind::none; }
    explicit operator bool() const { return ok(); }
    Kind kind() const { return kind_; }
    const std::string& error() const { return error_; }

  private:
    Status(std::string error, Kind kind) : error_(std::move(error)), kind_(kind) {}
    std::string error_;
    Kind kind_;
};

} // namespace vorel
