#include "wine_programs.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "common/text.h"
#include "support/update_source.h"

namespace wine_e2e {

namespace {

const std::filesystem::path wine = "/usr/lib/wine/wine64";
const std::filesystem::path wineserver = "/usr/lib/wine/wineserver64";

// A quoted argument of a batch line: cmd would take '%' as a variable and '"' would end it.
std::string batch_argument(const std::string& argument) {
  if (argument.find_first_of("\"%") != std::string::npos) {
    throw std::invalid_argument("not passed through cmd: " + argument);
  }
  return "\"" + argument + "\"";
}

// The DefaultConnectionSettings value as Windows writes it for "use a proxy server":
// a header (version 0x46, a change counter, the flags direct | proxy), then the proxy,
// the bypass list and the configuration script URL, each a length and its bytes.
std::string connection_settings_hex(const std::string& proxy) {
  std::vector<uint8_t> bytes;
  const auto add = [&](uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
  };
  add(0x46);
  add(0);
  add(3);
  add(static_cast<uint32_t>(proxy.size()));
  bytes.insert(bytes.end(), proxy.begin(), proxy.end());
  add(0);
  add(0);
  bytes.resize(bytes.size() + 32);
  std::string hex;
  for (const uint8_t byte : bytes) hex += common::to_hex(byte, 2);
  return hex;
}

}  // namespace

std::string windows_path(const std::filesystem::path& path) {
  std::string text = "Z:" + std::filesystem::absolute(path).lexically_normal().string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

wine_programs::wine_programs() : build_(FERROWICK_WINDOWS_BUILD_DIR), prefix_(build_ / "wine-e2e-prefix") {
  if (std::filesystem::exists(prefix_ / "system.reg")) return;
  const test_support::child_result booted = test_support::run_child(wine, options({"wineboot", "--init"}, {}));
  if (booted.exit_code != 0 || !std::filesystem::exists(prefix_ / "system.reg")) {
    throw std::runtime_error("wineboot cannot make the prefix " + prefix_.string() + ":\n" + booted.stderr_text);
  }
}

const wine_programs& wine_programs::get() {
  static const wine_programs programs;
  return programs;
}

std::filesystem::path wine_programs::program(const std::string& relative_path) const {
  const std::filesystem::path path = build_ / relative_path;
  if (!std::filesystem::exists(path)) throw std::runtime_error("the Windows build has no " + path.string());
  return path;
}

test_support::child_options wine_programs::options(std::vector<std::string> arguments,
                                                   const environment& variables) const {
  test_support::child_options options;
  options.arguments = std::move(arguments);
  // wineboot takes about 20 s, an update a few; a worker writing a crash dump takes wine minutes.
  options.timeout = std::chrono::seconds(300);
  options.environment = {{"WINEPREFIX", prefix_.string()},
                         // The system proxy is the prefix's registry setting only.
                         {"http_proxy", std::nullopt},
                         {"https_proxy", std::nullopt},
                         {"HTTP_PROXY", std::nullopt},
                         {"HTTPS_PROXY", std::nullopt}};
  // wine's own messages only when asked for (WINEDEBUG=+seh shows where a program faults).
  if (std::getenv("WINEDEBUG") == nullptr) options.environment.emplace("WINEDEBUG", "-all");
  for (const auto& [name, value] : variables) options.environment[name] = value;
  return options;
}

test_support::child_result wine_programs::run(const std::filesystem::path& program,
                                              const std::vector<std::string>& arguments,
                                              const environment& variables) const {
  std::vector<std::string> line = {program.string()};
  line.insert(line.end(), arguments.begin(), arguments.end());
  const test_support::child_result result = test_support::run_child(wine, options(std::move(line), variables));
  // Ending wine64 at the time-out leaves the Windows processes it started; they end
  // with the prefix's server.
  if (result.signal != 0) test_support::run_child(wineserver, options({"-k"}, {}));
  return result;
}

int wine_programs::run_into_files(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                  const std::filesystem::path& output_file,
                                  const std::filesystem::path& error_file) const {
  std::vector<std::string> line = {"-c", R"(exec "$0" "$@" >"$OUTPUT_FILE" 2>"$ERROR_FILE")", wine.string(),
                                   program.string()};
  line.insert(line.end(), arguments.begin(), arguments.end());
  return test_support::run_child("/bin/sh", options(std::move(line), {{"OUTPUT_FILE", output_file.string()},
                                                                      {"ERROR_FILE", error_file.string()}}))
      .exit_code;
}

windows_result wine_programs::run_for_exit_code(const std::filesystem::path& program,
                                                const std::vector<std::string>& arguments,
                                                const std::filesystem::path& work_folder,
                                                const environment& variables) const {
  const std::filesystem::path batch = work_folder / "run.cmd";
  const std::filesystem::path code_file = work_folder / "exit-code.txt";
  std::filesystem::remove(code_file);
  std::string line = "@" + batch_argument(windows_path(program));
  for (const std::string& argument : arguments) line += " " + batch_argument(argument);
  // The redirection goes first: "echo -2>file" would redirect handle 2.
  test_support::write_text(batch, line + "\r\n@>" + batch_argument(windows_path(code_file)) + " echo %ERRORLEVEL%\r\n");
  const test_support::child_result result = run("cmd", {"/c", windows_path(batch)}, variables);
  if (!std::filesystem::exists(code_file)) {
    throw std::runtime_error("cmd wrote no exit code (status " + std::to_string(result.exit_code) + "):\n" +
                             result.stderr_text);
  }
  return {static_cast<int32_t>(std::stol(test_support::read_text(code_file))), result.stdout_text, result.stderr_text};
}

void wine_programs::set_user_proxy(const std::optional<std::string>& proxy) const {
  std::vector<std::string> arguments = {
      proxy ? "add" : "delete", R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections)", "/v",
      "DefaultConnectionSettings", "/f"};
  if (proxy) arguments.insert(arguments.end(), {"/t", "REG_BINARY", "/d", connection_settings_hex(*proxy)});
  const test_support::child_result result = run("reg", arguments);
  // Deleting what is not there is no failure.
  if (proxy && result.exit_code != 0) throw std::runtime_error("reg.exe cannot set the proxy:\n" + result.stderr_text);
}

}  // namespace wine_e2e
