// Time per MiB of reading a parameter text (splitting it into tokens, taking the
// logging keys and filling the record) for texts from 1 MiB up to the 100 MiB the
// worker accepts. A flat time per MiB shows that the cost grows linearly with size.
// Two shapes: one huge quoted value full of blanks and escaped quotes (the splitter's
// slowest path), and a huge Base64 key (the decoder's path).
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/process_management.h"
#include "updater_lib/details/parameters/parameters_deserialization.h"

namespace {

constexpr size_t mib = 1024 * 1024;

std::u16string pairs_text(const std::u16string& alias, const std::u16string& key) {
  return u"configs_path /c main_config_name l.xml logs_path /l update_mode update_mode_client update_source "
         u"directory host_domain_name h service_port 443 viro_user_name u block_size 65536 "
         u"file_download_timeout_sec 60 time_between_retries_sec 1 max_retry_count 3 proxy_mode direct_connection "
         u"proxy_address \"\" proxy_port 0 auth_required 0 proxy_user_name \"\" proxy_password p source_directory /s "
         u"destination_directory /d version_of_update_compatibility 7 previous_updates_release_date "
         u"\"2024-01-01 00:00:00\" stop_event_name e update_task_alias " +
         alias + u" copy_info_txt 1 public_key_txt " + key;
}

// Pads the text to exactly target_bytes of UTF-16 by growing one of the two values.
std::u16string sized_text(size_t target_bytes, bool grow_alias) {
  const size_t base_units = pairs_text(u"\"\"", u"AQID").size();
  const size_t extra = target_bytes / 2 - base_units;
  if (grow_alias) {
    // Blanks and \" escapes inside quotes, in a 16-unit pattern.
    std::u16string alias = u"\"";
    const std::u16string pattern = u"a b\\\"c d\\\\e f g";
    while (alias.size() + pattern.size() <= extra) alias += pattern;
    alias.append(extra - alias.size(), u'x');
    alias.back() = u'"';
    return pairs_text(alias, u"AQID");
  }
  std::u16string key = u"AQID";
  key.append(extra - (extra % 4), u'A');
  key.append(extra % 4, u'=');
  return pairs_text(u"\"\"", key);
}

std::vector<uint8_t> as_pipe_bytes(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2 + 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

double read_parameters_ms(const std::vector<uint8_t>& bytes, size_t& checksum) {
  const auto start = std::chrono::steady_clock::now();
  updater::token_list tokens = updater::split_parameter_text(bytes);
  const updater::logging_parameters logging = updater::take_logging_parameters(tokens);
  const updater::updater_parameters parameters = updater::deserialize_parameters(tokens, logging);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  checksum += parameters.update_task_alias.size() + parameters.public_key.size();
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

void run_series(const char* name, bool grow_alias) {
  std::printf("%s\n%10s %12s %12s\n", name, "MiB", "ms", "ms per MiB");
  size_t checksum = 0;
  for (const size_t size_mib : {1, 2, 4, 8, 16, 32, 64, 100}) {
    const size_t size = std::min<size_t>(size_mib * mib, process_management::max_redirected_input_size);
    const std::vector<uint8_t> bytes = as_pipe_bytes(sized_text(size, grow_alias));
    double best = 0;
    for (int round = 0; round < 2; ++round) {
      const double ms = read_parameters_ms(bytes, checksum);
      best = round == 0 ? ms : std::min(best, ms);
    }
    std::printf("%10zu %12.1f %12.2f\n", size_mib, best, best / static_cast<double>(size_mib));
  }
  std::printf("(checksum %zu)\n\n", checksum);
}

}  // namespace

int main() {
  run_series("one quoted value with blanks and escaped quotes", true);
  run_series("one Base64 key", false);
  return 0;
}
