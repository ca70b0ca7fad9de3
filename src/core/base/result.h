#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace corvane {

// A failure as the user will see it: the program's own message text and the title of the
// message box that shows it. The core never shows anything; the windows do.
struct Error {
    std::string message;
    std::string title;
};

// The value of an operation that may fail, or the error that stopped it.
template <typename T> class Result {
  public:
    Result(T value) : data_(std::move(value)) {}
    Result(Error error) : data_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(data_); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<T>(data_); }
    T& value() & { return std::get<T>(data_); }
    T&& value() && { return std::get<T>(std::move(data_)); }
    const Error& error() const { return std::get<Error>(data_); }

  private:
    std::variant<T, Error> data_;
};

// Success, or the error that stopped an operation that returns nothing.
class Status {
  public:
    Status() = default;
    Status(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *error_; }

  private:
    std::optional<Error> error_;
};

} // namespace corvane
