// Result<T, E>: the value of an operation that can fail, as a value.
//
// Errors never cross a library boundary as exceptions. An operation that can fail returns a
// Result holding either its value or its error; the caller must look at it ([[nodiscard]]).
//
//   Result<int, std::string> parse(std::string_view s);
//   auto r = parse("12");
//   if (!r) return Err(r.error());
//   int v = *r;
//
// Err(e) builds the failing side; a Result converts from it and from a value of T.
// KOVRA_TRY(expr) returns the error of a failing Result<void-or-T, E> from the enclosing
// function; KOVRA_ASSIGN_OR_RETURN(decl, expr) also binds the value.
// Reading the value of a failing Result (or the error of a successful one) is a broken
// invariant: the process prints a diagnostic and exits with status 101.
#pragma once

#include <type_traits>
#include <utility>
#include <variant>

#include "base/invariant.h"

namespace kovra::base {

template <class E>
struct ErrorValue {
  E error;
};

template <class E>
ErrorValue<std::decay_t<E>> Err(E&& e) {
  return ErrorValue<std::decay_t<E>>{std::forward<E>(e)};
}

template <class T, class E>
class [[nodiscard]] Result {
 public:
  using value_type = T;
  using error_type = E;

  Result(const T& v) : v_(std::in_place_index<0>, v) {}
  Result(T&& v) : v_(std::in_place_index<0>, std::move(v)) {}
  template <class F, class = std::enable_if_t<std::is_convertible_v<F, E>>>
  Result(ErrorValue<F> e) : v_(std::in_place_index<1>, std::move(e.error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    KOVRA_INVARIANT(ok(), "value() of a failed Result");
    return std::get<0>(v_);
  }
  const T& value() const& {
    KOVRA_INVARIANT(ok(), "value() of a failed Result");
    return std::get<0>(v_);
  }
  T&& value() && {
    KOVRA_INVARIANT(ok(), "value() of a failed Result");
    return std::get<0>(std::move(v_));
  }
  const E& error() const& {
    KOVRA_INVARIANT(!ok(), "error() of a successful Result");
    return std::get<1>(v_);
  }
  E&& error() && {
    KOVRA_INVARIANT(!ok(), "error() of a successful Result");
    return std::get<1>(std::move(v_));
  }

  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

 private:
  std::variant<T, E> v_;
};

// Result<void, E>: success carries nothing.
template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  using value_type = void;
  using error_type = E;

  Result() = default;
  template <class F, class = std::enable_if_t<std::is_convertible_v<F, E>>>
  Result(ErrorValue<F> e) : failed_(true), e_(std::move(e.error)) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const E& error() const& {
    KOVRA_INVARIANT(failed_, "error() of a successful Result");
    return e_;
  }
  E&& error() && {
    KOVRA_INVARIANT(failed_, "error() of a successful Result");
    return std::move(e_);
  }

 private:
  bool failed_ = false;
  E e_{};
};

template <class E>
using Status = Result<void, E>;

}  // namespace kovra::base

#define KOVRA_CONCAT_INNER(a, b) a##b
#define KOVRA_CONCAT(a, b) KOVRA_CONCAT_INNER(a, b)

#define KOVRA_TRY(expr)                                       \
  do {                                                        \
    auto&& kovra_try_result_ = (expr);                        \
    if (!kovra_try_result_.ok())                              \
      return ::kovra::base::Err(std::move(kovra_try_result_).error()); \
  } while (0)

#define KOVRA_ASSIGN_OR_RETURN_IMPL(tmp, decl, expr) \
  auto tmp = (expr);                                 \
  if (!tmp.ok()) return ::kovra::base::Err(std::move(tmp).error()); \
  decl = std::move(tmp).value()

#define KOVRA_ASSIGN_OR_RETURN(decl, expr) \
  KOVRA_ASSIGN_OR_RETURN_IMPL(KOVRA_CONCAT(kovra_result_, __LINE__), decl, expr)
