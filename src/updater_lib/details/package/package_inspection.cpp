#include "updater_lib/details/package/package_inspection.h"

#include "common/fs_utils.h"
#include "cpplogger/log_scope.h"
#include "updater_lib/details/package/package_file_io.h"
#include "updater_lib/details/package/package_format.h"
#include "updater_lib/details/package/package_verification.h"

namespace updater {

package_layout read_package_layout_without_verification(const std::u16string& path) {
  FW_LOG_SCOPE();
  const common::handle_holder file = create_file_handle_for_reading(path);
  package_layout layout;
  layout.signed_length = check_section_tag_and_read_and_size(file.get(), package_format::magic_tag);
  const uint64_t after_magic = fs_utils::get_file_pointer(file.get());
  fs_utils::set_file_pointer(file.get(), static_cast<int64_t>(layout.signed_length));
  layout.package_signatures = read_package_signatures_section(file.get());
  fs_utils::set_file_pointer(file.get(), static_cast<int64_t>(after_magic));
  layout.info = read_package_info_section(file.get());
  for (uint32_t i = 0; i < layout.info.file_count; ++i) layout.files.push_back(read_file_section(file.get()));
  return layout;
}

}  // namespace updater
