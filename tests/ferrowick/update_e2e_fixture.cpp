#include "update_e2e_fixture.h"

#include <cstdlib>

#include "common/u16_stream.h"
#include "common/winapi/process/process_info.h"
#include "common/winapi/sync/events.h"

namespace {

std::u16string unique_event_name() {
  static int counter = 0;
  return common::concat(u"ferrowick-e2e-stop-", winapi::current_process_id(), u"-", ++counter);
}

int shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

}  // namespace

update_e2e_fixture::update_e2e_fixture()
    : keys_(test_support::load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys")), stop_event_name_(unique_event_name()) {
  stop_event_ = common::handle_holder(winapi::create_named_event(stop_event_name_, false));
}

update_e2e_fixture::~update_e2e_fixture() {
  winapi::delete_named_event(stop_event_name_);
  if (!mounted_.empty()) shell("umount '" + mounted_.string() + "'");
}

test_support::parameter_pairs update_e2e_fixture::update_parameters(bool server_mode) const {
  test_support::parameter_pairs pairs = server_mode ? server() : client();
  test_support::set_value(pairs, u"public_key_txt", common::utf8_to_utf16(keys_.parameter_public_base64));
  test_support::set_value(pairs, u"version_of_update_compatibility", u"0");
  test_support::set_value(pairs, u"previous_updates_release_date", u"2016-01-01T00:00:00Z");
  test_support::set_value(pairs, u"stop_event_name", stop_event_name_);
  return pairs;
}

void update_e2e_fixture::write_info2(const std::string& product, const std::string& package,
                                     const std::string& utility) const {
  std::string text = product + "\r\n" + release + "\r\n" + package + "\r\n";
  if (!utility.empty()) text += utility + "\r\n";
  test_support::write_text(paths_.source / "info2.txt", text);
}

void update_e2e_fixture::write_source_package(const std::string& name, const std::string& content) const {
  test_support::write_package(paths_.source / name, {{u"bases.dat", content}}, keys_);
}

void update_e2e_fixture::set_stop_event() const { ASSERT_TRUE(winapi::set_event(stop_event_.get())); }

bool update_e2e_fixture::mount_tmpfs(const std::filesystem::path& directory, const std::string& options) {
  if (shell("mount -t tmpfs -o " + options + " tmpfs '" + directory.string() + "'") != 0) return false;
  mounted_ = directory;
  return true;
}

bool update_e2e_fixture::remount(const std::string& options) const {
  return shell("mount -o remount," + options + " '" + mounted_.string() + "'") == 0;
}
