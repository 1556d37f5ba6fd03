#pragma once
// The update server's URLs: the root that the reachability probe asks for and the
// update folder under which the description files and packages lie. Pure text work.
#include <cstdint>
#include <string>
#include <utility>

namespace updater {

// A dotted host name of 4 to 253 characters with a 2-63 letter top-level label, or a
// dotted-quad IPv4 address; anything else raises 5352.
void check_full_qualified_domain_name(const std::u16string& host);

// left and right with exactly one '/' between them.
std::u16string concatenate_url_paths(const std::u16string& left, const std::u16string& right);

// (https://host:port/, root + "update/" + version, with "/utils" when utilities is 1).
std::pair<std::u16string, std::u16string> get_update_server_url(const std::u16string& host, uint16_t service_port,
                                                                uint32_t version_of_update_compatibility,
                                                                int32_t utilities);

}  // namespace updater
