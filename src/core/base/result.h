#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace corvane {

// The icon of the message box that shows a message. Most of the program's errors are
// warnings (exclamation); a refusal that stops the user's work outright is critical.
enum class Icon { None, Exclamation, Critical, Question, Information };

// A failure as the user will see it: the program's own message text, the title of the
// message box that shows it and that box's icon. The core never shows anything; the windows do.
struct Error {
    std::string message;
    std::string title;
    Icon icon = Icon::Exclamation;
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

// Success (the default), or the error that stopped an operation that returns nothing.
template <> class Result<void> {
  public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *error_; }

  private:
    std::optional<Error> error_;
};

} // namespace corvane
