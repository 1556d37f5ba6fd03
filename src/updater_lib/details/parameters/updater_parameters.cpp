#include "updater_lib/details/parameters/updater_parameters.h"

#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"

namespace updater {

std::u16string update_mode_text(update_mode mode) {
  switch (mode) {
    case update_mode::update_mode_client: return u"update_mode_client";
    case update_mode::update_mode_server: return u"update_mode_server";
  }
  FW_THROW(common::application_exception(common::error_invalid_update_source),
           "update_mode = ", static_cast<uint32_t>(mode));
}

std::u16string proxy_mode_text(proxy_mode mode) {
  switch (mode) {
    case proxy_mode::direct_connection: return u"direct_connection";
    case proxy_mode::custom_proxy: return u"custom_proxy";
    case proxy_mode::system_proxy: return u"system_proxy";
  }
  FW_THROW(common::application_exception(common::error_invalid_proxy_mode),
           "proxy_mode = ", static_cast<uint32_t>(mode));
}

}  // namespace updater
