// OpenSSL in the Windows programs, which run as LocalSystem: no program carries a folder
// below the root of the current drive (which any user may create), and an OpenSSL
// configuration planted where OpenSSL looks for one, naming a provider DLL, changes
// nothing in an update over HTTPS, with the worker's current directory on C: or Z:.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "executable_texts.h"
#include "support/current_directory.h"
#include "support/update_source.h"
#include "wine_e2e_fixture.h"

namespace {

// Where OpenSSL's folders are built in (and where its configuration is then looked for).
constexpr char built_in_folder[] = "C:/Program Files/Common Files/Kestrane/ferrowick/ssl";
constexpr char marker_library[] = "ferrowick-test-marker.dll";

// The file names compilers put into messages (__FILE__): never opened at run time.
bool is_source_file_name(const std::string& text) {
  for (const char* extension : {".c", ".cc", ".cpp", ".h", ".hpp", ".inc", ".ipp"}) {
    if (text.ends_with(extension)) return true;
  }
  return false;
}

// OpenSSL's built-in places as its library carries them: its folder followed by the
// certificates file, the certificates or private keys folder, and its modules and engines
// folders.
bool is_openssl_place(const std::string& text) {
  for (const char* name : {"/cert.pem", "/certs", "/private", "/modules", "/ossl-modules", "/engines", "/engines-3"}) {
    if (text.ends_with(name)) return true;
  }
  return false;
}

std::vector<std::filesystem::path> programs_of_the_build() {
  std::vector<std::filesystem::path> programs;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(std::filesystem::path(FERROWICK_WINDOWS_BUILD_DIR) / "src")) {
    if (entry.is_regular_file() && entry.path().extension() == ".exe") programs.push_back(entry.path());
  }
  return programs;
}

// A Unix path such as the dependency cache's (OpenSSL's default before) or /usr/local/ssl
// is one Windows takes below the root of the current drive.
TEST(openssl_folders_under_wine, every_program_names_only_the_folder_below_program_files) {
  const std::vector<std::filesystem::path> programs = programs_of_the_build();
  ASSERT_GE(programs.size(), 6u);
  for (const auto& program : programs) {
    SCOPED_TRACE(program.filename().string());
    size_t places = 0;
    for (const std::string& text : wine_e2e::data_texts(program)) {
      if (is_openssl_place(text)) {
        ++places;
        EXPECT_TRUE(text.starts_with(std::string(built_in_folder) + "/")) << text;
      }
      // The libraries were built in the cache; only their source names may hold its path.
      if (!is_source_file_name(text)) {
        EXPECT_EQ(text.find(FERROWICK_WINDOWS_DEPS_DIR), std::string::npos) << text;
      }
    }
    // Every program links OpenSSL's configuration code, which names them.
    EXPECT_GE(places, 4u);
  }
}

// What OpenSSL does by default: the lines of "openssl_defaults.exe" of the Windows build,
// a program that links OpenSSL alone and so keeps its default of reading a configuration.
std::string openssl_defaults() {
  const wine_e2e::wine_programs& programs = wine_e2e::wine_programs::get();
  const test_support::child_result result =
      programs.run(programs.program("tests/openssl_defaults.exe"), {}, {{"OPENSSL_CONF", std::nullopt}});
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  std::string text = result.stdout_text;
  std::erase(text, '\r');
  return text;
}

// The Unix path wine gives a Windows path.
std::filesystem::path unix_path(const std::string& windows_path) {
  const test_support::child_result result = wine_e2e::wine_programs::get().run("winepath", {"-u", windows_path});
  if (result.exit_code != 0) {
    throw std::runtime_error("winepath cannot map " + windows_path + ":\n" + result.stderr_text);
  }
  std::string path = result.stdout_text;
  while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
  return path;
}

// A file written at a path, and the folders it needed, removed again at the end of the scope.
class planted_file {
 public:
  planted_file(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::path missing = path.parent_path();
    while (!std::filesystem::exists(missing.parent_path())) missing = missing.parent_path();
    if (!std::filesystem::exists(missing)) made_ = missing;
    std::filesystem::create_directories(path.parent_path());
    test_support::write_text(path, content);
    file_ = path;
  }
  ~planted_file() {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
    if (!made_.empty()) std::filesystem::remove_all(made_, ignored);
  }
  planted_file(const planted_file&) = delete;
  planted_file& operator=(const planted_file&) = delete;

 private:
  std::filesystem::path file_;
  std::filesystem::path made_;
};

class openssl_configuration_under_wine : public wine_e2e_fixture {
 protected:
  openssl_configuration_under_wine() {
    std::filesystem::create_directories(marker().parent_path());
    std::filesystem::copy_file(wine_e2e::wine_programs::get().program(std::string("tests/") + marker_library),
                               marker());
  }

  std::filesystem::path marker() const { return root() / "provider" / marker_library; }
  bool marker_loaded() const { return std::filesystem::exists(marker().string() + ".loaded"); }

  // Asks for TLS 1.3 and for signatures the server's P-256 certificate cannot give, so a
  // program reading it could not connect to the TLS 1.2 server (POCO sets a minimum
  // protocol of its own, which would hide the first), and names the marker library as a
  // provider.
  std::string configuration() const {
    return "openssl_conf = openssl_init\n"
           "[openssl_init]\n"
           "ssl_conf = ssl_section\n"
           "providers = provider_section\n"
           "[ssl_section]\n"
           "system_default = system_default_section\n"
           "[system_default_section]\n"
           "MinProtocol = TLSv1.3\n"
           "SignatureAlgorithms = ed448\n"
           "[provider_section]\n"
           "default = default_provider\n"
           "marker = marker_provider\n"
           "[default_provider]\n"
           "activate = 1\n"
           "[marker_provider]\n"
           "module = " +
           wine_e2e::windows_path(marker()) +
           "\n"
           "activate = 1\n";
  }
};

TEST_F(openssl_configuration_under_wine, a_planted_configuration_changes_no_update_from_either_drive) {
  const std::string built_in_configuration = std::string(built_in_folder) + "/openssl.cnf";
  const planted_file at_the_built_in_folder(unix_path(built_in_configuration), configuration());

  // OpenSSL's defaults name that file, and a program that keeps them reads it.
  const std::string folder = built_in_folder;
  EXPECT_EQ(openssl_defaults(),
            "OPENSSLDIR: \"" + folder + "\"\nENGINESDIR: \"" + folder + "/engines\"\nMODULESDIR: \"" + folder +
                "/modules\"\ncertificates file: " + folder + "/cert.pem\ncertificates folder: " + folder +
                "/certs\nconfiguration file: " + built_in_configuration + "\nminimum protocol: 772\n");
  // No OpenSSL of the build loads a module: there is none to load it with.
  EXPECT_FALSE(marker_loaded());

  // Before, the folder was the dependency cache's Unix path, taken on the current drive.
  const std::string cache_configuration = std::string(FERROWICK_WINDOWS_DEPS_DIR) + "/ssl/openssl.cnf";
  ASSERT_TRUE(cache_configuration.starts_with("/")) << cache_configuration;
  const struct {
    const char* drive;
    std::filesystem::path current_directory;
    wine_e2e::wine_programs::environment variables;
  } cases[] = {{"C:", unix_path("C:\\"), {}},
               {"Z:", root(), {}},
               {"Z:", root(), {{"OPENSSL_CONF", wine_e2e::windows_path(root() / "openssl.cnf")}}}};
  const planted_file named_by_the_environment(root() / "openssl.cnf", configuration());
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.drive) + (row.variables.empty() ? "" : ", OPENSSL_CONF"));
    std::string windows_cache_configuration = row.drive + cache_configuration;
    std::replace(windows_cache_configuration.begin(), windows_cache_configuration.end(), '/', '\\');
    const planted_file in_the_cache_folder(unix_path(windows_cache_configuration), configuration());
    std::filesystem::remove_all(destination());
    std::filesystem::create_directories(destination());
    const test_support::current_directory on_the_drive(row.current_directory);
    expect_placed(run_task(https_task(wine_e2e::update_server_port()), row.variables));
    EXPECT_FALSE(marker_loaded());
  }
}

}  // namespace
