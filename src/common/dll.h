#pragma once
// Loading a library module and resolving its exported functions into callables that
// keep the module loaded for as long as they exist.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

namespace common::dll {

using module_handle = void*;

// Frees the module; a null module is only logged. Raises the Windows error of
// "FreeLibrary" on failure.
void free_library(module_handle module);

// Owner of one loaded module; the last owner frees it.
class module {
 public:
  explicit module(module_handle handle) : handle_(handle) {}
  // A failure to free is logged, never thrown out of the destructor.
  ~module();
  module(const module&) = delete;
  module& operator=(const module&) = delete;

  module_handle get() const { return handle_; }

 private:
  module_handle handle_;
};

using module_holder = std::shared_ptr<module>;

// Raises std::invalid_argument for an empty path and the Windows error of
// "LoadLibrary" when the module cannot be loaded.
module_holder load_library(const std::u16string& path);

class function_resolving_exception : public std::runtime_error {
 public:
  explicit function_resolving_exception(const std::string& function_name)
      : std::runtime_error("Can't retrieve the address of exported function " + function_name) {}
};

namespace details {

// Address of the export, or null. Raises std::invalid_argument naming caller for an
// empty name and function_resolving_exception for an empty holder.
void* find_export(const module_holder& module, const std::string& function_name, const char* caller);

template <typename Function>
class function_proxy;

template <typename Result, typename... Args>
class function_proxy<Result(Args...)> {
 public:
  using pointer = Result (*)(Args...);

  function_proxy(pointer address, module_holder module) : address_(address), module_(std::move(module)) {}

  Result operator()(Args... args) const { return address_(std::forward<Args>(args)...); }

 private:
  pointer address_;
  module_holder module_;
};

template <typename Signature>
std::function<Signature> make_function(void* address, const module_holder& module) {
  if (address == nullptr) return {};
  using proxy = function_proxy<Signature>;
  return proxy(reinterpret_cast<typename proxy::pointer>(address), module);
}

}  // namespace details

// The exported function as a callable, or an empty function when it is not exported.
template <typename Signature>
std::function<Signature> try_resolve(const module_holder& module, const std::string& function_name) {
  return details::make_function<Signature>(details::find_export(module, function_name, "try_resolve"), module);
}

// As try_resolve, but a missing export raises function_resolving_exception.
template <typename Signature>
std::function<Signature> resolve(const module_holder& module, const std::string& function_name) {
  auto function = details::make_function<Signature>(details::find_export(module, function_name, "resolve"), module);
  if (!function) throw function_resolving_exception(function_name);
  return function;
}

}  // namespace common::dll
