#pragma once
// Security attributes for an object this process makes new (a folder, an event, a pipe):
// a protected DACL that lets in the trustees named and nobody else, with nothing inherited
// from where the object is made. Included only by the Windows implementations.
#include <windows.h>

#include <memory>
#include <optional>
#include <string_view>

namespace winapi::details {

class restricted_access {
 public:
  // aces: SDDL ACE strings, in which "{user}" stands for the SID of this process's token
  // user (S-1-5-18 for LocalSystem). Nothing, with the last error set, when the token
  // cannot be read or the text is no security descriptor.
  static std::optional<restricted_access> make(std::wstring_view aces);

  // Not inheritable by child processes.
  SECURITY_ATTRIBUTES attributes() const { return {sizeof(SECURITY_ATTRIBUTES), descriptor_.get(), FALSE}; }

 private:
  struct local_free {
    void operator()(void* memory) const { ::LocalFree(memory); }
  };
  explicit restricted_access(PSECURITY_DESCRIPTOR descriptor) : descriptor_(descriptor) {}

  std::unique_ptr<void, local_free> descriptor_;
};

}  // namespace winapi::details
