#pragma once
// A value or an error that carries the text a user sees. Engine code returns these instead of bare
// booleans, so a failure never loses its reason on the way up.

#include <string>
#include <utility>
#include <variant>

namespace velmarond {

struct Error {
  std::string Text;
  int Code = 0;  // subsystem-specific; 0 when only the text matters
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : State(std::move(value)) {}
  Result(Error error) : State(std::move(error)) {}

  bool HasValue() const { return State.index() == 0; }
  explicit operator bool() const { return HasValue(); }

  T& Value() & { return std::get<0>(State); }
  const T& Value() const& { return std::get<0>(State); }
  T&& Value() && { return std::get<0>(std::move(State)); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }

  const Error& GetError() const { return std::get<1>(State); }

 private:
  std::variant<T, Error> State;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : Failure(std::move(error)), Failed(true) {}

  bool HasValue() const { return !Failed; }
  explicit operator bool() const { return HasValue(); }
  const Error& GetError() const { return Failure; }

 private:
  Error Failure;
  bool Failed = false;
};

inline Error MakeError(std::string text, int code = 0) { return Error{std::move(text), code}; }

}  // namespace velmarond
