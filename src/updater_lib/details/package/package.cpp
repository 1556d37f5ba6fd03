#include "updater_lib/details/package/package.h"

#include <exception>

#include "common/fs_utils.h"
#include "common/text.h"
#include "cpplogger/levels.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/package/package_file_io.h"
#include "updater_lib/details/package/package_format.h"
#include "updater_lib/details/package/package_verification.h"
#include "updater_lib/details/package/package_writer.h"
#include "updater_lib/details/update_information/update_information_versions.h"

namespace updater {

class package::impl {
 public:
  impl(const std::u16string& path, mode open_mode, key_list public_keys, key_list private_keys)
      : created_(open_mode == mode::create_new),
        path_(path),
        public_keys_(std::move(public_keys)),
        private_keys_(std::move(private_keys)),
        uncaught_at_creation_(std::uncaught_exceptions()) {
    if (created_) {
      create_new_file();
    } else {
      open_existing_file();
    }
  }

  impl(winapi::handle_t open_file, const std::u16string& name, key_list public_keys)
      : file_(open_file, [](winapi::handle_t) {}),
        created_(false),
        path_(name),
        public_keys_(std::move(public_keys)),
        uncaught_at_creation_(std::uncaught_exceptions()) {
    fs_utils::set_file_pointer(file_.get(), 0);
    verify_open_file();
  }

  ~impl() {
    if (!created_ || !file_) return;
    if (broken_ || std::uncaught_exceptions() > uncaught_at_creation_) {
      FW_LOG(cpplogger::level_warn) << "Package left unsigned: " << path_;
      return;
    }
    try {
      update_file_info_and_sign_file();
    } catch (const std::exception& error) {
      FW_LOG(cpplogger::level_error) << "Failed to complete package " << path_ << ": " << error.what();
    }
  }

  const package_info& info() const { return info_; }
  const std::vector<package_file_info>& files() const { return files_; }

  void add_file(const std::u16string& name, const std::u16string& source_path) {
    require_open_creation();
    run_creation_step([&] {
      files_.push_back(write_file_section(file_.get(), signed_length_, name, source_path, private_keys_));
      signed_length_ = fs_utils::get_file_pointer(file_.get());
    });
  }

  void complete() {
    require_open_creation();
    run_creation_step([&] { update_file_info_and_sign_file(); });
  }

 private:
  void open_existing_file() {
    FW_LOG_SCOPE();
    file_ = create_file_handle_for_reading(path_);
    verify_open_file();
  }

  void verify_open_file() {
    signed_length_ = check_section_tag_and_read_and_size(file_.get(), package_format::magic_tag);
    const uint64_t after_magic = fs_utils::get_file_pointer(file_.get());
    fs_utils::set_file_pointer(file_.get(), static_cast<int64_t>(signed_length_));
    const known_range_digests known = check_digital_signature_of_file_in_package(file_.get(), public_keys_);

    fs_utils::set_file_pointer(file_.get(), static_cast<int64_t>(after_magic));
    header_content_offset_ = after_magic + package_format::section_head_size;
    info_ = read_package_info_section(file_.get());
    for (uint32_t i = 0; i < info_.file_count; ++i) {
      files_.push_back(check_file_and_read_file_info(file_.get(), public_keys_, known));
    }
  }

  void create_new_file() {
    FW_LOG_SCOPE();
    file_ = create_file_handle_for_writing(path_);
    info_.version_of_update_compatibility = get_current_version_of_update_compatibility();
    info_.creation_time = get_current_local_date_time();
    info_.file_count = 0;
    write_package_start(file_.get(), info_);
    header_content_offset_ = package_format::header_content_offset;
    signed_length_ = fs_utils::get_file_pointer(file_.get());
  }

  void update_file_info_and_sign_file() {
    FW_LOG_SCOPE();
    write_package_end(file_.get(), info_, header_content_offset_, files_.size(), signed_length_, private_keys_);
    info_.file_count = static_cast<uint32_t>(files_.size());
    file_.close();
  }

  void require_open_creation() const {
    if (!created_ || !file_ || broken_) {
      FW_THROW(common::application_exception(common::error_value_out_of_range),
               "The package is not being created: ", path_);
    }
  }

  // A failed step leaves the file in an unknown state; it is then never signed.
  template <typename Step>
  void run_creation_step(const Step& step) {
    try {
      step();
    } catch (...) {
      broken_ = true;
      throw;
    }
  }

  common::handle_holder file_;
  bool created_;
  package_info info_;
  std::u16string path_;
  uint64_t header_content_offset_ = 0;
  uint64_t signed_length_ = 0;
  key_list public_keys_;
  key_list private_keys_;
  std::vector<package_file_info> files_;
  bool broken_ = false;
  int uncaught_at_creation_;
};

package::package(const std::u16string& path, mode open_mode, key_list public_keys, key_list private_keys) {
  FW_LOG_SCOPE();
  impl_ = std::make_unique<impl>(path, open_mode, std::move(public_keys), std::move(private_keys));
}

package::~package() {
  FW_LOG_SCOPE();
  impl_.reset();
}

package_info package::get_package_info() const { return impl_->info(); }

const std::vector<package_file_info>& package::get_files() const { return impl_->files(); }

package::package(winapi::handle_t open_file, const std::u16string& name, key_list public_keys) {
  FW_LOG_SCOPE();
  impl_ = std::make_unique<impl>(open_file, name, std::move(public_keys));
}

void package::add_file(const std::u16string& name, const std::u16string& source_path) {
  FW_LOG_SCOPE();
  impl_->add_file(name, source_path);
}

void package::complete() {
  FW_LOG_SCOPE();
  impl_->complete();
}

}  // namespace updater
