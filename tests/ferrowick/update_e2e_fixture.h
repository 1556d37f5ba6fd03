#pragma once
// The worker end to end on a directory source: signed demo packages, a stop event the
// test owns, and mounts for file systems that fill up or refuse writes.
#include <filesystem>
#include <string>

#include "common/handle_holder.h"
#include "support/update_source.h"
#include "worker_fixture.h"

class update_e2e_fixture : public worker_fixture {
 protected:
  update_e2e_fixture();
  ~update_e2e_fixture() override;

  // Client parameters for this source, with the demo parameter key, compatibility 0 and
  // an older installed release.
  test_support::parameter_pairs update_parameters(bool server_mode = false) const;

  void write_info2(const std::string& product, const std::string& package, const std::string& utility = {}) const;
  void write_source_package(const std::string& name, const std::string& content = "bases v2") const;
  void set_stop_event() const;

  // Mounts a small tmpfs over directory; false when this system does not allow it.
  bool mount_tmpfs(const std::filesystem::path& directory, const std::string& options);
  bool remount(const std::string& options) const;

  static constexpr char release[] = "2016-05-17T09:30:00Z";
  const test_support::demo_keys keys_;

 private:
  std::u16string stop_event_name_;
  common::handle_holder stop_event_;
  std::filesystem::path mounted_;
};
