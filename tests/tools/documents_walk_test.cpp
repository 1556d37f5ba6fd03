// The documents' own commands, as a reader runs them: the blocks marked "walk" in
// docs/publishing.md and then docs/running.md, in order, in one folder, with the built
// tools on PATH. Fresh keys, a package published and served by nginx over HTTPS, a
// machine updated from it, and the same task again finding it up to date.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/free_port.h"
#include "support/marked_blocks.h"
#include "support/pid_file_daemon.h"
#include "support/temp_directory.h"
#include "support/update_source.h"

namespace {

using test_support::read_text;

const std::filesystem::path source_dir = FERROWICK_SOURCE_DIR;
const std::filesystem::path binary_dir = FERROWICK_BINARY_DIR;

// One run of a marked block and what the documents tell the reader to expect of it.
struct walk_step {
  std::string block;  // a text only that block holds
  int exit_code;
  std::vector<std::string> texts;  // in the output the reader sees
  std::vector<std::string> files;  // relative to the walk folder
};

std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of("\r\n") + 1);
  return text;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class documents_walk : public ::testing::Test {
 protected:
  documents_walk() : port_(std::to_string(test_support::free_loopback_port())) {
    // Started by root, nginx serves as nobody, who must pass through this folder as
    // through /srv.
    std::filesystem::permissions(walk(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                             std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                             std::filesystem::perms::others_exec);
    // The reader works beside the repository's demo/ folder and has files to publish.
    std::filesystem::create_directory_symlink(source_dir / "demo", walk() / "demo");
    std::filesystem::create_directory(walk() / "bases");
    test_support::write_text(walk() / "bases/main.dat", "antivirus bases of the walk\n");
    test_support::write_text(walk() / "bases/extra.dat", "more bases\n");
  }

  const std::filesystem::path& walk() const { return root_.path(); }

  // The block as a reader on this machine would change it: the port and the system
  // folders moved into the walk folder.
  std::string localized(const std::string& block) const {
    std::string text = replaced(block, "43443", port_);
    for (const char* folder : {"/srv/ferrowick", "/etc/ferrowick", "/var/lib/"}) {
      text = replaced(text, folder, walk().string() + folder);
    }
    return text;
  }

  // The block in a shell that stops at the first failing command, on a terminal as a
  // reader's is (standard output and error arrive together).
  test_support::child_result run_block(const std::string& block, size_t number) const {
    const std::filesystem::path script = walk() / ("step-" + std::to_string(number) + ".sh");
    test_support::write_text(script, "cd '" + walk().string() + "'\n" + localized(block));
    test_support::child_options options;
    options.arguments = {"-qec", "bash -e '" + script.string() + "'", "/dev/null"};
    options.environment = {
        {"PATH", (binary_dir / "src/tools").string() + ":" + (binary_dir / "src/ferrowick").string() +
                     ":/usr/local/sbin:/usr/sbin:/sbin:/usr/local/bin:/usr/bin:/bin"},
        {"XDG_STATE_HOME", (walk() / "state").string()},
        {"FERROWICK_REGISTRY_ROOT", (walk() / "registry").string()},
    };
    options.timeout = std::chrono::seconds(120);
    return test_support::run_child("/usr/bin/script", options);
  }

  test_support::temp_directory root_;
  std::string port_;
};

TEST_F(documents_walk, takes_a_reader_from_fresh_keys_to_up_to_date_over_https) {
  std::vector<std::string> blocks = test_support::marked_blocks(source_dir / "docs/publishing.md", "walk");
  for (std::string& block : test_support::marked_blocks(source_dir / "docs/running.md", "walk")) {
    blocks.push_back(std::move(block));
  }
  const std::string demo_built_in_key = trimmed(read_text(source_dir / "demo/keys/built_in.public.b64"));
  const std::string https_task = "ferrowick-run --source https";
  const std::vector<walk_step> steps = {
      {"keygen parameter",
       0,
       {"public key in Base64 (public_key_txt): parameter.pub.b64"},
       {"parameter.key", "parameter.pub", "parameter.pub.b64", "built_in.key"}},
      // The tests' build is a demo build: it carries the demo key.
      {"ferrowick-pack built-in-key", 0, {demo_built_in_key}, {}},
      {"base64 -d demo/keys/built_in", 0, {}, {"built_in.key", "built_in.pub", "built_in.pub.b64"}},
      {"ferrowick-pack create", 0, {}, {"base_17_full.upd"}},
      {"ferrowick-pack verify", 0, {"verified", "main.dat", "extra.dat"}, {}},
      {"ferrowick-pack publish", 0, {"wrote ", "release date "}, {"srv/ferrowick/update/0/info2.txt"}},
      {"openssl req", 0, {"KOVA update server"}, {"update-server.crt.pem", "update-server.key.pem"}},
      {"demo/nginx/update-server.conf", 0, {}, {"etc/ferrowick/update-server.conf"}},
      {"nginx -t", 0, {"syntax is ok", "test is successful"}, {"var/lib/ferrowick/nginx/nginx.pid"}},
      {https_task, 0, {}, {"var/lib/bases.state"}},
      {https_task, 254, {"ferrowick-run: up to date"}, {}},
  };

  // Every marked block is walked, in document order; a block run again follows itself.
  std::vector<size_t> walked;
  for (const walk_step& step : steps) {
    size_t index = 0;
    while (index < blocks.size() && blocks[index].find(step.block) == std::string::npos) ++index;
    ASSERT_LT(index, blocks.size()) << "no marked block holds " << step.block;
    if (walked.empty() || walked.back() != index) walked.push_back(index);
  }
  ASSERT_EQ(walked.size(), blocks.size()) << "a marked block is not walked";
  for (size_t i = 0; i < walked.size(); ++i) ASSERT_EQ(walked[i], i) << "the steps leave the documents' order";

  // Whatever the walk leaves running is stopped, also after a failed step.
  const test_support::pid_file_daemon nginx(walk() / "var/lib/ferrowick/nginx/nginx.pid");
  std::vector<std::string> outputs;
  size_t block = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    const walk_step& step = steps[i];
    if (blocks[block].find(step.block) == std::string::npos) ++block;
    const test_support::child_result result = run_block(blocks[block], i);
    const std::string context = "step " + std::to_string(i) + ":\n" + localized(blocks[block]) + "output:\n" +
                                result.stdout_text + result.stderr_text;
    ASSERT_EQ(result.exit_code, step.exit_code) << context;
    for (const std::string& text : step.texts) {
      EXPECT_NE(result.stdout_text.find(text), std::string::npos) << text << "\n" << context;
    }
    for (const std::string& file : step.files) {
      EXPECT_TRUE(std::filesystem::is_regular_file(walk() / file)) << file << "\n" << context;
    }
    outputs.push_back(result.stdout_text);
  }

  // The description publish wrote, and the update placed from it as running.md says.
  const std::filesystem::path published = walk() / "srv/ferrowick/update/0";
  std::smatch description;
  const std::string info2 = read_text(published / "info2.txt");
  ASSERT_TRUE(std::regex_match(info2, description,
                               std::regex("antivirus\r\n(20\\d\\d-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ)\r\n"
                                          "(base_\\d{14}_full\\.upd)\r\n")))
      << info2;
  const std::string release = description[1], package = description[2];
  const auto output_of = [&](const std::string& text) {
    const auto step = std::find_if(steps.begin(), steps.end(), [&](const walk_step& s) { return s.block == text; });
    return outputs[static_cast<size_t>(step - steps.begin())];
  };
  const std::string publish_output = output_of("ferrowick-pack publish");
  EXPECT_NE(publish_output.find("release date " + release), std::string::npos) << publish_output;
  // Four result lines, the release date first; a terminal ends each with CR LF.
  const std::string first_run = output_of(https_task);
  EXPECT_EQ(std::count(first_run.begin(), first_run.end(), '\n'), 4) << first_run;
  EXPECT_EQ(first_run.substr(0, first_run.find('\r')), release) << first_run;
  EXPECT_NE(first_run.find((walk() / "var/lib/bases" / package).string()), std::string::npos) << first_run;
  EXPECT_EQ(test_support::list_names(walk() / "var/lib/bases"), std::vector<std::string>{package});
  EXPECT_EQ(read_text(walk() / "var/lib/bases" / package), read_text(published / package));
  EXPECT_EQ(trimmed(read_text(walk() / "var/lib/bases.state")), release);
  // The shipped logger settings turn the developer log on, in the runner's own folder.
  EXPECT_TRUE(std::filesystem::is_regular_file(walk() / "state/ferrowick-run/logs/ferrowick.log"));
}

}  // namespace
