// Who may read a file, by its DACL.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "common/winapi/files/file_attributes.h"
#include "support/temp_directory.h"
#include "support/wine.h"

namespace {

enum class trustee { owner, local_system, administrators, everyone, users };

struct ace {
  trustee who;
  bool allowed;
  ACCESS_MASK rights;
};

struct dacl_case {
  const char* name;
  std::optional<std::vector<ace>> entries;  // nothing: a NULL DACL
  bool readable_by_others;
  bool readable_under_wine;
};
void PrintTo(const dacl_case& c, std::ostream* out) { *out << c.name; }

std::vector<BYTE> owner_sid(const std::wstring& path) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
    ADD_FAILURE() << "GetNamedSecurityInfoW failed";
    return {};
  }
  const auto* bytes = static_cast<const BYTE*>(owner);
  std::vector<BYTE> sid(bytes, bytes + ::GetLengthSid(owner));
  ::LocalFree(descriptor);
  return sid;
}

std::vector<BYTE> sid_of(trustee who, const std::vector<BYTE>& owner) {
  WELL_KNOWN_SID_TYPE type = WinWorldSid;
  switch (who) {
    case trustee::owner: return owner;
    case trustee::local_system: type = WinLocalSystemSid; break;
    case trustee::administrators: type = WinBuiltinAdministratorsSid; break;
    case trustee::everyone: type = WinWorldSid; break;
    case trustee::users: type = WinBuiltinUsersSid; break;
  }
  std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
  DWORD size = static_cast<DWORD>(sid.size());
  EXPECT_TRUE(::CreateWellKnownSid(type, nullptr, sid.data(), &size));
  return sid;
}

// Replaces the file's DACL, inherited entries included.
void set_dacl(const std::wstring& path, const std::optional<std::vector<ace>>& entries) {
  std::vector<BYTE> acl(1024);
  PACL dacl = nullptr;
  if (entries) {
    dacl = reinterpret_cast<PACL>(acl.data());
    ASSERT_TRUE(::InitializeAcl(dacl, static_cast<DWORD>(acl.size()), ACL_REVISION));
    const std::vector<BYTE> owner = owner_sid(path);
    for (const ace& entry : *entries) {
      std::vector<BYTE> sid = sid_of(entry.who, owner);
      ASSERT_TRUE(entry.allowed ? ::AddAccessAllowedAce(dacl, ACL_REVISION, entry.rights, sid.data())
                                : ::AddAccessDeniedAce(dacl, ACL_REVISION, entry.rights, sid.data()));
    }
  }
  ASSERT_EQ(::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    dacl, nullptr),
            ERROR_SUCCESS);
}

class readable_by_others_dacl : public ::testing::TestWithParam<dacl_case> {
 protected:
  test_support::temp_directory dir_;
};

TEST_P(readable_by_others_dacl, is_told_by_the_allowed_entries_for_others) {
  const std::filesystem::path file = dir_.path() / "secret";
  std::ofstream(file) << "secret\n";
  set_dacl(file.wstring(), GetParam().entries);
  // Wine keeps no DACL but the Unix mode: setting one left others read and execute (775,
  // 777 with Everyone write) unless it denied Everyone read, and others' bits read back
  // as an Everyone entry.
  const dacl_case& c = GetParam();
  EXPECT_EQ(winapi::readable_by_others(file.u16string()),
            test_support::running_under_wine() ? c.readable_under_wine : c.readable_by_others);
}

const ace owner_full{trustee::owner, true, FILE_ALL_ACCESS};

INSTANTIATE_TEST_SUITE_P(
    all, readable_by_others_dacl,
    ::testing::Values(
        dacl_case{"owner_system_administrators",
                  std::vector<ace>{owner_full,
                                   {trustee::local_system, true, FILE_ALL_ACCESS},
                                   {trustee::administrators, true, GENERIC_ALL}},
                  false, true},
        dacl_case{"everyone_read", std::vector<ace>{owner_full, {trustee::everyone, true, FILE_GENERIC_READ}}, true,
                  true},
        dacl_case{"users_generic_read", std::vector<ace>{owner_full, {trustee::users, true, GENERIC_READ}}, true, true},
        dacl_case{"everyone_generic_all", std::vector<ace>{owner_full, {trustee::everyone, true, GENERIC_ALL}}, true,
                  true},
        dacl_case{"everyone_write_only", std::vector<ace>{owner_full, {trustee::everyone, true, FILE_GENERIC_WRITE}},
                  false, true},
        dacl_case{"everyone_denied_read", std::vector<ace>{{trustee::everyone, false, FILE_GENERIC_READ}, owner_full},
                  false, false},
        dacl_case{"null_dacl", std::nullopt, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The temporary folder is the user's own on Windows, and a new file takes its DACL.
// Wine makes the DACL from the Unix mode instead: a umask of 022 lets Everyone read.
TEST(readable_by_others, a_new_file_in_the_temporary_folder_is_the_owners_alone) {
  const test_support::temp_directory dir;
  const std::filesystem::path file = dir.path() / "secret";
  std::ofstream(file) << "secret\n";
  EXPECT_EQ(winapi::readable_by_others(file.u16string()), test_support::running_under_wine());
}

}  // namespace
