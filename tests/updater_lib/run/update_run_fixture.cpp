#include "updater_lib/run/update_run_fixture.h"

#include "common/u16_stream.h"
#include "common/winapi/process/process_info.h"
#include "common/winapi/sync/events.h"
#include "updater_lib/details/package/built_in_key.h"

namespace test_support {

namespace {

std::u16string unique_event_name() {
  static int counter = 0;
  return common::concat(u"ferrowick-update-run-test-", winapi::current_process_id(), u"-", ++counter);
}

}  // namespace

update_run_fixture::update_run_fixture()
    : keys_(load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys")), stop_event_name_(unique_event_name()) {
  for (const auto& directory : {source(), utils_source(), destination(), utils_destination()}) {
    std::filesystem::create_directories(directory);
  }
  stop_event_ = common::handle_holder(winapi::create_named_event(stop_event_name_, false));
  parameters_.source.update_source = updater::update_source::directory;
  parameters_.source.source_directory[updater::main_files] = source().u16string();
  parameters_.source.https.file_download_timeout_sec = 60;
  parameters_.destination_directory = destination().u16string();
  parameters_.stop_event_name = stop_event_name_;
  parameters_.previous_updates_release_date = u"2016-01-01T00:00:00Z";
  parameters_.public_key = keys_.parameter_public;
}

update_run_fixture::~update_run_fixture() { winapi::delete_named_event(stop_event_name_); }

void update_run_fixture::write_info2(const std::string& product, const std::string& date, const std::string& package,
                                     const std::string& utility) {
  std::string text = product + "\r\n" + date + "\r\n" + package + "\r\n";
  if (!utility.empty()) text += utility + "\r\n";
  write_text(source() / "info2.txt", text);
}

void update_run_fixture::write_source_package(const std::string& name, const std::string& content) {
  write_package(source() / name, {{u"bases.dat", content}}, keys_);
}

void update_run_fixture::switch_to_server_mode() {
  parameters_.update_mode = updater::update_mode::update_mode_server;
  parameters_.source.source_directory[updater::utility_files] = utils_source().u16string();
  parameters_.destination_directory_for_utils = utils_destination().u16string();
}

void update_run_fixture::set_stop_event() { ASSERT_TRUE(winapi::set_event(stop_event_.get())); }

updater::update_result update_run_fixture::run() const {
  return updater::run_update(parameters_, [] { return updater::get_binary_public_key(); });
}

}  // namespace test_support
