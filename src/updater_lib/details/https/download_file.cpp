#include "updater_lib/details/https/download_file.h"

#include <Poco/Exception.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/NetException.h>
#include <Poco/URI.h>

#include <memory>

#include "common/fs_utils.h"
#include "common/on_exit.h"
#include "common/path_helpers.h"
#include "common/text.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/https/body_transfer.h"
#include "updater_lib/details/https/cancellation_watcher.h"
#include "updater_lib/details/https/http_exchange.h"
#include "updater_lib/details/https/https_session.h"
#include "updater_lib/details/https/internal_downloader_exception.h"
#include "updater_lib/details/https/proxy_selection.h"
#include "updater_lib/details/https/reachability.h"
#include "updater_lib/details/https/update_server_url.h"

namespace updater {

namespace {

const char* set_text(const std::u16string& value) { return value.empty() ? "not set" : "set"; }

std::u16string decimal(uint64_t value) { return common::ascii_to_utf16(std::to_string(value)); }

// What one variant's attempts share and carry from one attempt to the next.
struct download_state {
  uint16_t attempt = 0;
  bool finished = false;
  bool restart = true;
  bool accept_ranges = false;
  uint64_t downloaded_total = 0;
  std::string last_modified;
  std::shared_ptr<Poco::Net::HTTPSClientSession> session;
  common::handle_holder file;
};

// A blocking call that failed because the watcher aborted it reports why it was stopped.
void raise_if_stopped(const cancellation_token& token, const details::download_deadline& deadline) {
  if (token.canceled()) FW_THROW(common::application_exception(common::error_operation_canceled));
  if (deadline.expired()) FW_THROW(common::application_exception(common::error_file_download_timeout));
}

// Raises 5652, 5653 or 5654 when the way to the server does not work.
void check_reachability(const std::u16string& root_url, const https_parameters& parameters,
                        const proxy_parameters& proxy, const Poco::Net::NameValueCollection& cookies,
                        const cancellation_token& token, const details::download_deadline& deadline,
                        details::error_list& errors, details::https_session_slot& session_slot) {
  const bool through_proxy = proxy.proxy_mode == proxy_mode::custom_proxy;
  if (through_proxy && !is_proxy_server_reachable(proxy, parameters, session_slot)) {
    raise_if_stopped(token, deadline);
    FW_THROW(details::internal_downloader_exception(common::error_proxy_unreachable, proxy.proxy_address,
                                                    decimal(proxy.proxy_port)));
  }
  details::error_list probe_errors;
  if (is_remote_server_reachable(root_url, parameters, proxy, cookies, probe_errors, session_slot)) return;
  // A probe the watcher aborted failed with what the abort left: the list says why instead.
  raise_if_stopped(token, deadline);
  errors.insert(errors.end(), probe_errors.begin(), probe_errors.end());
  const Poco::URI root(common::utf16_to_utf8(root_url));
  const std::u16string host = common::utf8_to_utf16(root.getHost());
  const std::u16string port = decimal(root.getPort());
  if (through_proxy) {
    FW_THROW(details::internal_downloader_exception(common::error_server_unreachable_through_proxy, host, port,
                                                    proxy.proxy_address, decimal(proxy.proxy_port)));
  }
  FW_THROW(details::internal_downloader_exception(common::error_server_unreachable_direct, host, port));
}

// Starts the file again from byte 0 on a new session.
void start_from_beginning(download_state& state, const std::u16string& local_path, const std::u16string& file_url,
                          const https_parameters& parameters, const proxy_parameters& proxy) {
  FW_LOG(cpplogger::level_trace) << "Starting download...";
  if (fs_utils::file_exists(local_path)) {
    state.file.close();
    FW_LOG(cpplogger::level_trace) << "Removing file " << local_path;
    fs_utils::delete_file(local_path);
  }
  state.downloaded_total = 0;
  state.file = details::create_file_handle(local_path);
  state.session = details::setup_https_session(file_url, parameters.block_size, proxy);
}

// One request on the current session and the copy of its body.
void run_exchange(download_state& state, const std::u16string& file_url, const Poco::Net::NameValueCollection& cookies,
                  const https_parameters& parameters, const cancellation_token& token,
                  const details::download_deadline& deadline, details::https_session_slot& session_slot) {
  if (!session_slot.publish(state.session)) raise_if_stopped(token, deadline);
  const auto request = details::create_http_request(file_url, cookies, state.downloaded_total);
  Poco::Net::HTTPResponse response;
  std::istream& body = details::send_request(*state.session, *request, response);
  details::check_https_session(*state.session);
  details::check_http_response(response, file_url);
  const uint64_t content_length =
      details::update_session_properties(response, state.accept_ranges, state.last_modified);
  if (response.getStatus() == Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT &&
      !details::range_starts_at(response, state.downloaded_total)) {
    // Splicing another part of the file in at this offset would corrupt it.
    FW_LOG(cpplogger::level_trace) << "Restarting download from the beginning";
    state.restart = true;
    throw Poco::Net::MessageException("The server sent another range than the one asked for",
                                      response.get("Content-Range", ""));
  }
  if (state.downloaded_total != 0 && response.getStatus() == Poco::Net::HTTPResponse::HTTP_OK) {
    // The server ignored the range and sends the whole file: appending it would corrupt
    // the file, so it is written from byte 0 instead.
    FW_LOG(cpplogger::level_trace) << "The server sent the whole file instead of the range; writing it anew";
    state.downloaded_total = 0;
  }
  // A write that failed part-way left bytes the total does not count: the file continues
  // exactly after the counted ones.
  fs_utils::set_file_length(state.file.get(), state.downloaded_total);
  state.restart = !(state.accept_ranges && content_length > 0);
  state.finished = details::save_stream_to_file(body, state.file.get(), token, deadline, parameters.block_size,
                                                content_length, state.downloaded_total);
}

}  // namespace

void log_downloader_parameters(const https_parameters& parameters) {
  FW_LOG_SCOPE();
  const proxy_parameters& proxy = parameters.proxy;
  FW_LOG(cpplogger::level_trace) << "Address: " << parameters.host_domain_name[main_files];
  FW_LOG(cpplogger::level_trace) << "Service port: " << parameters.service_port;
  FW_LOG(cpplogger::level_trace) << "VIRO user name: " << parameters.viro_user_name;
  FW_LOG(cpplogger::level_trace) << "Block size: " << parameters.block_size;
  FW_LOG(cpplogger::level_trace) << "File download timeout: " << parameters.file_download_timeout_sec;
  FW_LOG(cpplogger::level_trace) << "Time between retries: " << parameters.time_between_retries_sec;
  FW_LOG(cpplogger::level_trace) << "Max retry count: " << parameters.max_retry_count;
  FW_LOG(cpplogger::level_trace) << "Proxy parameters: ";
  FW_LOG(cpplogger::level_trace) << "Proxy mode: " << proxy_mode_text(proxy.proxy_mode);
  if (proxy.proxy_mode == proxy_mode::direct_connection) return;
  FW_LOG(cpplogger::level_trace) << "Proxy address: " << proxy.proxy_address;
  FW_LOG(cpplogger::level_trace) << "Proxy port: " << proxy.proxy_port;
  FW_LOG(cpplogger::level_trace) << "Authorization required: " << (proxy.auth_required ? "true" : "false");
  if (!proxy.auth_required) return;
  FW_LOG(cpplogger::level_trace) << "Proxy user name is " << set_text(proxy.proxy_user_name);
  FW_LOG(cpplogger::level_trace) << "Proxy password is " << set_text(proxy.proxy_password);
}

fs_utils::temp_file_with_handle download_file_helper(const std::u16string& root_url, const std::u16string& folder_url,
                                                     const std::u16string& remote_name,
                                                     const std::u16string& local_name,
                                                     const https_parameters& parameters,
                                                     const std::u16string& directory, cancellation_token& token,
                                                     std::chrono::seconds timeout, const proxy_parameters& proxy,
                                                     details::error_list& caller_errors) {
  FW_LOG_SCOPE();
  const Poco::Net::NameValueCollection cookies = details::get_cookies_for_request(parameters);
  const std::u16string local_path = path_helpers::join_path(directory, local_name);
  const std::u16string file_url = concatenate_url_paths(folder_url, remote_name);
  const details::download_deadline deadline(timeout);
  download_state state;
  details::error_list errors;
  details::https_session_slot session_slot;

  common::on_exit delete_partial_file([&] {
    state.file.close();
    try {
      if (fs_utils::file_exists(local_path)) fs_utils::delete_file(local_path);
    } catch (const std::exception& e) {
      const std::u16string text = common::utf8_to_utf16_lenient(e.what());
      FW_LOG(cpplogger::level_debug) << "Can't delete file: " << local_path << ". Error: " << text;
      caller_errors.push_back(text);
    }
  });
  details::cancellation_watcher_thread watcher(details::make_session_abort_watcher(deadline, session_slot, token));
  common::on_exit move_errors([&] {
    caller_errors.insert(caller_errors.end(), errors.begin(), errors.end());
    errors.clear();
  });

  const auto check_deadline = [&deadline] {
    if (deadline.expired()) FW_THROW(common::application_exception(common::error_file_download_timeout));
  };
  while (!state.finished) {
    const bool canceled = token.canceled();
    if (canceled || state.attempt >= parameters.max_retry_count) {
      FW_THROW(common::application_exception(canceled ? common::error_operation_canceled
                                                      : common::error_max_retry_count_reached));
    }
    FW_LOG(cpplogger::level_trace) << "Downloading file from " << file_url << " to " << local_path;
    ++state.attempt;
    FW_LOG(cpplogger::level_trace) << "Download attempt # " << state.attempt;
    try {
      check_reachability(root_url, parameters, proxy, cookies, token, deadline, errors, session_slot);
      if (state.restart) start_from_beginning(state, local_path, file_url, parameters, proxy);
      run_exchange(state, file_url, cookies, parameters, token, deadline, session_slot);
    } catch (const Poco::Exception& e) {
      FW_LOG(cpplogger::level_debug) << "Failed to download file. Error: " << e.displayText();
      // A connection aborted at the deadline fails with whatever the abort left behind;
      // the list says why it ended.
      if (deadline.expired()) {
        errors.push_back(common::application_exception(common::error_file_download_timeout).wide_what());
      } else {
        details::append_exception_chain(errors, e);
      }
    } catch (const details::internal_downloader_exception&) {
      throw;
    } catch (const common::application_exception& e) {
      FW_LOG(cpplogger::level_debug) << "Failed to download file. Error: " << e.wide_what();
      errors.push_back(e.wide_what());
      if (e.code() == common::make_application_error(common::error_file_modification_date_changed) ||
          e.code() == common::make_application_error(common::error_unexpected_http_status)) {
        FW_LOG(cpplogger::level_trace) << "Restarting download from the beginning";
        state.restart = true;
      }
    } catch (const std::exception& e) {
      FW_LOG(cpplogger::level_debug) << "Failed to download file. Error: " << e.what();
      errors.push_back(common::utf8_to_utf16_lenient(e.what()));
    }
    check_deadline();
    if (state.finished) break;
    token.wait(std::chrono::seconds(parameters.time_between_retries_sec));
    // No attempt starts after the deadline: it would only delete what the last one kept.
    check_deadline();
  }

  watcher.stop();
  delete_partial_file.dismiss();
  FW_LOG(cpplogger::level_trace) << "File " << remote_name << " was successfully downloaded";
  FW_LOG(cpplogger::level_trace) << "Downloaded file path: " << local_path;
  return {local_path, std::move(state.file)};
}

fs_utils::temp_file_with_handle download_file(const std::u16string& root_url, const std::u16string& folder_url,
                                              const std::u16string& remote_name, const std::u16string& local_name,
                                              const https_parameters& parameters, const std::u16string& directory,
                                              cancellation_token& token, std::chrono::seconds timeout) {
  FW_LOG_SCOPE();
  log_downloader_parameters(parameters);
  details::error_list errors;
  const std::vector<proxy_parameters> variants = get_variants_of_proxy_servers(parameters);
  if (variants.empty()) FW_THROW(common::application_exception(common::error_system_proxy_not_detected));

  for (size_t index = 0; index < variants.size(); ++index) {
    if (index > 0) FW_LOG(cpplogger::level_debug) << "Trying next proxy... ";
    try {
      return download_file_helper(root_url, folder_url, remote_name, local_name, parameters, directory, token, timeout,
                                  variants[index], errors);
    } catch (const details::internal_downloader_exception& e) {
      if (e.is_final() || index + 1 == variants.size()) {
        if (errors.empty()) throw;
        FW_THROW(e, details::join_error_list(errors));
      }
      errors.push_back(e.wide_what());
      FW_LOG(cpplogger::level_debug) << "Can't download file. Error: " << e.wide_what();
    } catch (const common::application_exception& e) {
      if (e.code() == common::make_application_error(common::error_operation_canceled)) throw;
      errors.push_back(e.wide_what());
      FW_LOG(cpplogger::level_debug) << "Can't download file. Error: " << e.wide_what();
    } catch (const std::exception& e) {
      errors.push_back(common::utf8_to_utf16_lenient(e.what()));
      FW_LOG(cpplogger::level_debug) << "Can't download file. Error: " << e.what();
    }
  }
  FW_THROW(common::application_exception(common::error_file_download, {details::join_error_list(errors)}));
}

}  // namespace updater
