// The publisher tool end to end: the built binary makes keys and packages that the
// worker's package reader accepts, and refuses what it must.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "common/base64.h"
#include "support/child_process.h"
#include "support/temp_directory.h"
#include "updater_lib/details/package/built_in_key.h"
#include "updater_lib/details/package/package.h"
#include "updater_lib/details/update_information/update_information.h"
#include "updater_lib/details/update_information/update_information_release_date.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes read_all(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_all(const std::filesystem::path& path, const bytes& content) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
}

// Every entry below directory with its content ("<dir>" for folders, "-> target" for links).
std::map<std::string, std::string> snapshot(const std::filesystem::path& directory) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
    const std::string name = std::filesystem::relative(entry.path(), directory).string();
    if (entry.is_symlink()) {
      entries[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      entries[name] = "<dir>";
    } else {
      const bytes content = read_all(entry.path());
      entries[name] = std::string(content.begin(), content.end());
    }
  }
  return entries;
}

class ferrowick_pack : public ::testing::Test {
 protected:
  test_support::child_result pack(const std::vector<std::string>& arguments) const {
    test_support::child_options options;
    options.arguments = arguments;
    // Signature mismatches leave their diagnostic files in the test's own directory.
    options.environment["TMPDIR"] = directory_.path().string();
    return test_support::run_child(tool_, options);
  }
  std::string at(const std::string& name) const { return (directory_.path() / name).string(); }

  // Two key pairs "a" and "b" and a package "out.pkg" of two files.
  void make_keys_and_package() {
    ASSERT_EQ(pack({"keygen", at("a")}).exit_code, 0);
    ASSERT_EQ(pack({"keygen", at("b")}).exit_code, 0);
    std::filesystem::create_directory(directory_.path() / "in");
    first_ = bytes(200000);
    for (size_t i = 0; i < first_.size(); ++i) first_[i] = static_cast<uint8_t>(i % 251);
    write_all(directory_.path() / "in" / "bases.dat", first_);
    write_all(directory_.path() / "in" / "notes.txt", {'o', 'k'});
    const auto created = pack(
        {"create", at("out.pkg"), "--key", at("a.key"), "--key", at("b.key"), at("in/bases.dat"), at("in/notes.txt")});
    ASSERT_EQ(created.exit_code, 0) << created.stderr_text;
  }

  const std::filesystem::path tool_ = std::filesystem::path(FERROWICK_BINARY_DIR) / "src/tools/ferrowick-pack";
  test_support::temp_directory directory_;
  bytes first_;
};

TEST_F(ferrowick_pack, keygen_writes_the_key_pair_and_prints_the_public_key_in_base64) {
  const auto result = pack({"keygen", at("signer")});
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
  const bytes public_key = read_all(at("signer.pub"));
  ASSERT_EQ(public_key.size(), 33u);
  EXPECT_TRUE(public_key[0] == 0x02 || public_key[0] == 0x03);
  const std::string text = result.stdout_text.substr(0, result.stdout_text.find('\n'));
  EXPECT_EQ(text.size(), 44u);
  EXPECT_EQ(base64::base64_decode(text), public_key);
  const bytes text_file = read_all(at("signer.pub.b64"));
  EXPECT_EQ(std::string(text_file.begin(), text_file.end()), text + "\n");
  EXPECT_EQ(result.stdout_text, text + "\nprivate key: " + at("signer.key") + "\npublic key: " + at("signer.pub") +
                                    "\npublic key in Base64 (public_key_txt): " + at("signer.pub.b64") + "\n");

  // MPI: 4-byte big-endian length, then the magnitude with a clear top bit.
  const bytes private_key = read_all(at("signer.key"));
  ASSERT_GE(private_key.size(), 5u);
  const uint32_t length = (private_key[0] << 24) | (private_key[1] << 16) | (private_key[2] << 8) | private_key[3];
  EXPECT_EQ(private_key.size(), 4 + length);
  EXPECT_TRUE(length == 32 || length == 33) << length;
  EXPECT_EQ(private_key[4] & 0x80, 0);
}

TEST_F(ferrowick_pack, keygen_never_replaces_a_key) {
  ASSERT_EQ(pack({"keygen", at("signer")}).exit_code, 0);
  const bytes original = read_all(at("signer.key"));
  const auto again = pack({"keygen", at("signer")});
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_NE(again.stderr_text.find("error 80 (win32)"), std::string::npos) << again.stderr_text;
  EXPECT_EQ(read_all(at("signer.key")), original);
}

TEST_F(ferrowick_pack, a_created_package_opens_as_the_worker_opens_it) {
  make_keys_and_package();
  const updater::package opened(std::filesystem::path(at("out.pkg")).u16string(), updater::package::mode::open_existing,
                                {read_all(at("a.pub")), read_all(at("b.pub"))}, {});
  const auto& files = opened.get_files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].name, u"bases.dat");
  EXPECT_EQ(files[1].name, u"notes.txt");
  const bytes content = read_all(at("out.pkg"));
  EXPECT_TRUE(
      std::equal(first_.begin(), first_.end(), content.begin() + static_cast<std::ptrdiff_t>(files[0].data_offset)));
}

TEST_F(ferrowick_pack, verify_accepts_only_the_right_keys_in_order) {
  make_keys_and_package();
  const auto good = pack({"verify", at("out.pkg"), "--pub", at("a.pub"), "--pub", at("b.pub")});
  EXPECT_EQ(good.exit_code, 0) << good.stderr_text;
  EXPECT_NE(good.stdout_text.find("verified\n"), std::string::npos);
  EXPECT_NE(good.stdout_text.find("files: 2\n"), std::string::npos);

  const auto swapped = pack({"verify", at("out.pkg"), "--pub", at("b.pub"), "--pub", at("a.pub")});
  EXPECT_EQ(swapped.exit_code, 1);
  EXPECT_NE(swapped.stderr_text.find("error 5362 (application): File section verification error."), std::string::npos)
      << swapped.stderr_text;

  const auto one_key = pack({"verify", at("out.pkg"), "--pub", at("a.pub")});
  EXPECT_EQ(one_key.exit_code, 2);

  const auto text_form = pack({"verify", at("out.pkg"), "--pub", at("a.pub.b64"), "--pub", at("b.pub")});
  EXPECT_EQ(text_form.exit_code, 0) << text_form.stderr_text;

  for (const std::string& wrong : {at("a.key"), at("absent.pub")}) {
    const auto not_a_key = pack({"verify", at("out.pkg"), "--pub", wrong, "--pub", at("b.pub")});
    EXPECT_EQ(not_a_key.exit_code, 2);
    EXPECT_TRUE(not_a_key.stderr_text.starts_with("ferrowick-pack: --pub " + wrong + ": ")) << not_a_key.stderr_text;
  }

  bytes changed = read_all(at("out.pkg"));
  changed[100] ^= 1;
  write_all(at("changed.pkg"), changed);
  const auto tampered = pack({"verify", at("changed.pkg"), "--pub", at("a.pub"), "--pub", at("b.pub")});
  EXPECT_EQ(tampered.exit_code, 1);
  EXPECT_NE(tampered.stderr_text.find("error 5362"), std::string::npos);
}

TEST_F(ferrowick_pack, list_prints_the_header_and_the_files) {
  make_keys_and_package();
  const auto listed = pack({"list", at("out.pkg")});
  ASSERT_EQ(listed.exit_code, 0) << listed.stderr_text;
  EXPECT_NE(listed.stdout_text.find("version of update compatibility: 0\n"), std::string::npos);
  EXPECT_NE(listed.stdout_text.find("files: 2\n"), std::string::npos);
  EXPECT_NE(listed.stdout_text.find("bases.dat\t200000\t"), std::string::npos) << listed.stdout_text;
  EXPECT_NE(listed.stdout_text.find("notes.txt\t2\t"), std::string::npos);
  EXPECT_NE(listed.stdout_text.find("created: 20"), std::string::npos);

  const auto broken = pack({"list", at("a.pub")});
  EXPECT_EQ(broken.exit_code, 1);
  EXPECT_NE(broken.stderr_text.find("error 5362"), std::string::npos) << broken.stderr_text;
}

TEST_F(ferrowick_pack, create_fails_cleanly) {
  ASSERT_EQ(pack({"keygen", at("a")}).exit_code, 0);
  ASSERT_EQ(pack({"keygen", at("b")}).exit_code, 0);
  const auto missing = pack({"create", at("out.pkg"), "--key", at("a.key"), "--key", at("b.key"), at("none")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.stderr_text.find("error 2 (win32)"), std::string::npos) << missing.stderr_text;
  EXPECT_FALSE(std::filesystem::exists(at("out.pkg")));

  write_all(at("x"), {1});
  std::filesystem::create_directory(directory_.path() / "d");
  write_all(directory_.path() / "d" / "x", {2});
  const auto twice = pack({"create", at("out.pkg"), "--key", at("a.key"), "--key", at("b.key"), at("x"), at("d/x")});
  EXPECT_EQ(twice.exit_code, 2);

  const auto one_key = pack({"create", at("out.pkg"), "--key", at("a.key"), at("x")});
  EXPECT_EQ(one_key.exit_code, 2);
  EXPECT_NE(one_key.stderr_text.find("usage:"), std::string::npos);

  // A key in the wrong form fails once the package is begun: an existing output stays as
  // it was and no temporary file is left beside it.
  write_all(at("out.pkg"), {'o', 'l', 'd'});
  const auto before = snapshot(directory_.path());
  const auto public_as_private = pack({"create", at("out.pkg"), "--key", at("a.pub"), "--key", at("b.key"), at("x")});
  EXPECT_EQ(public_as_private.exit_code, 1);
  EXPECT_NE(public_as_private.stderr_text.find("error 5346"), std::string::npos) << public_as_private.stderr_text;
  EXPECT_EQ(snapshot(directory_.path()), before);
}

TEST_F(ferrowick_pack, built_in_key_prints_the_key_built_into_this_build) {
  const auto result = pack({"built-in-key"});
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
  ASSERT_EQ(result.stdout_text.size(), 45u) << result.stdout_text;
  EXPECT_EQ(result.stdout_text.back(), '\n');
  EXPECT_EQ(base64::base64_decode(result.stdout_text.substr(0, 44)), updater::get_binary_public_key());
  EXPECT_EQ(pack({"built-in-key", "extra"}).exit_code, 2);
}

TEST_F(ferrowick_pack, publish_writes_the_folder_the_update_server_serves) {
  make_keys_and_package();
  write_all(at("old.txt"), {'o', 'l', 'd', '\r', '\n'});
  std::filesystem::create_directory(directory_.path() / "www");
  const std::filesystem::path folder = directory_.path() / "www/update/0";
  const auto published =
      pack({"publish", "--out", at("www"), "--release-date", "2026-12-10T06:22:04Z", "--key", at("a.key"), "--key",
            at("b.key"), "--info-txt", at("old.txt"), at("in/bases.dat"), at("in/notes.txt")});
  ASSERT_EQ(published.exit_code, 0) << published.stderr_text;
  const std::string package = "base_20261210062204_full.upd";
  EXPECT_EQ(published.stdout_text, "wrote " + (folder / package).string() + " with 2 files\nwrote " +
                                       (folder / "info.txt").string() + "\nwrote " + (folder / "info2.txt").string() +
                                       "\nrelease date 2026-12-10T06:22:04Z\n");
  const auto written = snapshot(folder);
  EXPECT_EQ(written.size(), 3u);
  EXPECT_TRUE(written.contains(package));
  EXPECT_EQ(written.at("info.txt"), "old\r\n");
  EXPECT_EQ(written.at("info2.txt"), "antivirus\r\n2026-12-10T06:22:04Z\r\n" + package + "\r\n");

  // As the worker reads them.
  const updater::update_information information =
      updater::deserialize_update_information(read_all(folder / "info2.txt"));
  EXPECT_EQ(information.product, u"antivirus");
  EXPECT_EQ(information.release_date, u"2026-12-10T06:22:04Z");
  EXPECT_EQ(information.update_file_name, std::filesystem::path(package).u16string());
  EXPECT_EQ(information.update_file_name_part, u"20261210062204");
  const updater::package opened((folder / package).u16string(), updater::package::mode::open_existing,
                                {read_all(at("a.pub")), read_all(at("b.pub"))}, {});
  ASSERT_EQ(opened.get_files().size(), 2u);
  EXPECT_EQ(opened.get_files()[1].name, u"notes.txt");

  // A second release beside the first, named and for another product; info2.txt is
  // replaced, the earlier package and info.txt stay.
  const auto again = pack({"publish", "--out", at("www"), "--release-date", "now", "--product", "firewall", "--name",
                           "base_18_full.upd", "--key", at("a.key"), "--key", at("b.key"), at("in/notes.txt")});
  ASSERT_EQ(again.exit_code, 0) << again.stderr_text;
  const std::string date_line = again.stdout_text.substr(again.stdout_text.rfind("release date ") + 13);
  ASSERT_EQ(date_line.size(), 21u) << again.stdout_text;
  const std::string date = date_line.substr(0, 20);
  EXPECT_NO_THROW(updater::check_date_time(
      updater::date_time_t_from_updates_release_date(std::u16string(date.begin(), date.end()))));
  EXPECT_EQ(date[10], 'T');
  EXPECT_EQ(date[19], 'Z');
  const std::string info2 = "firewall\r\n" + date + "\r\nbase_18_full.upd\r\n";
  EXPECT_EQ(read_all(folder / "info2.txt"), bytes(info2.begin(), info2.end()));
  EXPECT_EQ(snapshot(folder).size(), 4u);
}

struct refused_publication {
  const char* option;
  std::string value;
  std::string error_text;
};

TEST_F(ferrowick_pack, publish_refuses_what_the_worker_would_not_read_and_writes_nothing) {
  ASSERT_EQ(pack({"keygen", at("a")}).exit_code, 0);
  ASSERT_EQ(pack({"keygen", at("b")}).exit_code, 0);
  write_all(at("in.dat"), {'i', 'n'});
  std::filesystem::create_directory(directory_.path() / "www");
  const std::string date_error = "--release-date takes now or a UTC date and time YYYY-MM-DDThh:mm:ssZ";
  const std::vector<refused_publication> cases = {
      {"--release-date", "2026-12-10 06:22:04", date_error},
      {"--release-date", "2026-12-10T06:22:04", date_error},
      {"--release-date", "2026-02-29T06:22:04Z", date_error},
      {"--release-date", "2026-13-10T06:22:04Z", date_error},
      {"--release-date", "2026-12-10T24:00:00Z", date_error},
      {"--release-date", "2009-12-31T23:59:59Z", date_error},
      {"--product", "anti\nvirus", "--product takes one non-empty line"},
      {"--name", "../base.upd", "--name takes a file name without folder"},
      {"--name", "info2.txt", "--name takes a file name without folder"},
      {"--info-txt", at("missing.txt"), "does not exist"},
      {"--out", at("missing"), "is not a folder"},
  };
  for (const auto& refused : cases) {
    std::map<std::string, std::string> options{{"--out", at("www")}, {"--release-date", "2026-12-10T06:22:04Z"}};
    options[refused.option] = refused.value;
    std::vector<std::string> arguments = {"publish", "--key", at("a.key"), "--key", at("b.key"), at("in.dat")};
    for (const auto& [option, value] : options) arguments.insert(arguments.end(), {option, value});
    const auto result = pack(arguments);
    EXPECT_EQ(result.exit_code, 2) << refused.option << ' ' << refused.value;
    EXPECT_NE(result.stderr_text.find(refused.error_text), std::string::npos) << result.stderr_text;
    EXPECT_TRUE(std::filesystem::is_empty(directory_.path() / "www")) << refused.option << ' ' << refused.value;
  }
}

// Runs the tool as an unprivileged user when the test runs as root, so that file modes
// refuse what they refuse a publisher.
test_support::child_result pack_as_user(const std::filesystem::path& tool, const std::vector<std::string>& arguments) {
  test_support::child_options options;
  if (::geteuid() != 0) {
    options.arguments = arguments;
    return test_support::run_child(tool, options);
  }
  options.arguments = {"--reuid=65534", "--regid=65534", "--clear-groups", tool.string()};
  options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
  return test_support::run_child("/usr/bin/setpriv", options);
}

struct refused_output {
  const char* name;
  // Makes the output in directory and answers its name there.
  std::function<std::string(const std::filesystem::path&)> make_output;
  int exit_code;
  std::string error_text;
};
void PrintTo(const refused_output& c, std::ostream* out) { *out << c.name; }

class ferrowick_pack_refused_output : public ferrowick_pack, public ::testing::WithParamInterface<refused_output> {};

TEST_P(ferrowick_pack_refused_output, leaves_every_file_as_it_was_and_reports_the_cause) {
  ASSERT_EQ(pack({"keygen", at("a")}).exit_code, 0);
  ASSERT_EQ(pack({"keygen", at("b")}).exit_code, 0);
  write_all(at("in.dat"), {'i', 'n'});
  const std::string output = GetParam().make_output(directory_.path());
  namespace fs = std::filesystem;
  fs::permissions(directory_.path(), fs::perms::all);
  for (const char* key : {"a.key", "b.key"}) fs::permissions(at(key), fs::perms::owner_read | fs::perms::others_read);
  const auto before = snapshot(directory_.path());

  const auto result = pack_as_user(
      tool_, {"create", at(output), "--key", at("a.key"), "--key", at("b.key"), at("in.dat"), at("a.pub")});
  EXPECT_EQ(result.exit_code, GetParam().exit_code) << result.stderr_text;
  EXPECT_NE(result.stderr_text.find(GetParam().error_text), std::string::npos) << result.stderr_text;
  EXPECT_EQ(snapshot(directory_.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    all, ferrowick_pack_refused_output,
    ::testing::Values(refused_output{"read_only_file",
                                     [](const std::filesystem::path& directory) {
                                       write_all(directory / "old.upd", {'o', 'l', 'd'});
                                       std::filesystem::permissions(
                                           directory / "old.upd",
                                           std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
                                       return std::string("old.upd");
                                     },
                                     1, "error 5 (win32): The function 'CreateFile' failed"},
                      refused_output{"folder",
                                     [](const std::filesystem::path& directory) {
                                       std::filesystem::create_directory(directory / "out");
                                       write_all(directory / "out" / "kept", {'k'});
                                       return std::string("out");
                                     },
                                     1, "error 5 (win32): The function 'CreateFile' failed"},
                      refused_output{"an_input", [](const std::filesystem::path&) { return std::string("in.dat"); }, 2,
                                     "is also the input"},
                      refused_output{"a_link_to_an_input",
                                     [](const std::filesystem::path& directory) {
                                       std::filesystem::create_symlink(directory / "in.dat", directory / "link.upd");
                                       return std::string("link.upd");
                                     },
                                     2, "is also the input"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ferrowick_pack, unknown_commands_and_options_print_the_usage) {
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{}, {"sign"}, {"list", "--bogus", "x"}, {"verify", "x", "--key", "k"}}) {
    const auto result = pack(arguments);
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_NE(result.stderr_text.find("usage:"), std::string::npos);
  }
}

}  // namespace
