#include "updater_lib/details/https/internal_downloader_exception.h"

namespace updater::details {

internal_downloader_exception::internal_downloader_exception(int code) : application_exception(code), is_final_(true) {}

internal_downloader_exception::internal_downloader_exception(int code, const std::u16string& url)
    : application_exception(code, {url}), is_final_(true) {}

internal_downloader_exception::internal_downloader_exception(int code, const std::u16string& address,
                                                             const std::u16string& port)
    : application_exception(code, {address, port}), is_final_(false) {}

internal_downloader_exception::internal_downloader_exception(int code, const std::u16string& server_address,
                                                             const std::u16string& server_port,
                                                             const std::u16string& proxy_address,
                                                             const std::u16string& proxy_port)
    : application_exception(code, {server_address, server_port, proxy_address, proxy_port}), is_final_(false) {}

}  // namespace updater::details
