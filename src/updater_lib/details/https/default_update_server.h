#pragma once
// The suite's own update server: its host name is accepted in server certificates, and
// its URL is what system proxy detection is asked about.
namespace updater {

inline constexpr char16_t default_update_server_host[] = u"update.marvenholt.example";
inline constexpr char16_t default_update_server_url[] = u"https://update.marvenholt.example:43443";

}  // namespace updater
