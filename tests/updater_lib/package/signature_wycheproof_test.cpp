// ECDSA secp256k1 / SHA-256 verification vectors of Project Wycheproof (Apache-2.0),
// read from the shared test data beside the repository; never copied into it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "error_lib/application_exception.h"
#include "support/temp_directory.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/package/signature_test_helpers.h"
#include "updater_lib/package/signature_wycheproof_json.h"

namespace {

using signature_test::from_hex;
using signature_test::json_value;

const std::filesystem::path vectors_path = std::filesystem::path(FERROWICK_SOURCE_DIR) / ".." / "shared" / "testdata" /
                                           "wycheproof" / "ecdsa_secp256k1_sha256_test.json";

struct verdict {
  bool decodable = false;
  bool canonical_der = false;  // the bytes are exactly the DER of the (r, s) they decode to
  std::vector<uint8_t> der;    // that DER
  bool accepted = false;
  bool library_error = false;  // refused with 5336 instead of a false result
};

verdict run_verification(const std::vector<uint8_t>& key, const std::vector<uint8_t>& signature,
                         const std::vector<uint8_t>& message) {
  verdict result;
  try {
    result.der = openssl::serialize_signature(*openssl::deserialize_signature(signature));
  } catch (const common::application_exception& error) {
    EXPECT_EQ(error.code().value(), 5331);
    // The verification layer must refuse it the same way.
    EXPECT_THROW(updater::verify_signatures(1, {signature}, {key}, message), common::application_exception);
    return result;
  }
  result.decodable = true;
  result.canonical_der = result.der == signature;
  try {
    result.accepted = updater::verify_signatures(1, {signature}, {key}, message);
  } catch (const common::application_exception& error) {
    EXPECT_EQ(error.code().value(), 5336);
    result.library_error = true;
  }
  return result;
}

std::string flags_of(const json_value& test) {
  std::string flags;
  for (const auto& flag : test["flags"].items) flags += flag.text + " ";
  return flags;
}

// Every vector is run through deserialize_signature and verify_signatures, as the
// package reader runs its signatures. Refused means: decoding fails (5331), the
// verification returns false, or the library reports an error (5336, which it does
// when u1 * G + u2 * Q is the point at infinity: the PointDuplication and
// ArithmeticError vectors 390, 428, 429, 443, 444, all invalid).
//
// Every vector whose bytes are canonical DER, or do not decode at all, must get exactly
// Wycheproof's verdict.
//
// Excluded from that exact comparison: signatures that decode although their bytes are
// not the DER of their (r, s). The decoding takes the first DER object and ignores what
// follows it, and it accepts the long length forms 0x81 and 0x82 (also with a leading
// zero) where the short form would do. Wycheproof calls these invalid (flag
// BerEncodedSignature for the length forms, InvalidEncoding for zeros appended after
// the sequence), because a strict verifier must refuse them; here the outcome
// depends on that leniency only. For them the test demands instead that the verdict
// equals the verdict on the canonical DER of the same (r, s): the lenient decoding
// never changes which r and s are checked, so it cannot make a forgery verify.
class wycheproof_ecdsa_secp256k1_sha256 : public ::testing::Test {
 protected:
  // Every mismatch writes a diagnostic file; keep them out of the real temporary folder.
  test_support::temp_directory temp_;
  signature_test::temp_dir_override temp_override_{temp_.path()};
};

TEST_F(wycheproof_ecdsa_secp256k1_sha256, verification_agrees_with_every_vector) {
  if (!std::filesystem::exists(vectors_path)) GTEST_SKIP() << "Wycheproof vectors not found: " << vectors_path;
  std::ifstream stream(vectors_path);
  std::stringstream text;
  text << stream.rdbuf();
  const json_value document = signature_test::parse_json(text.str());
  ASSERT_EQ(document["algorithm"].text, "ECDSA");

  int total = 0;
  int compared_exactly = 0;
  int library_errors = 0;
  std::map<std::string, int> lenient_by_flags;
  for (const json_value& group : document["testGroups"].items) {
    ASSERT_EQ(group["sha"].text, "SHA-256");
    ASSERT_EQ(group["publicKey"]["curve"].text, "secp256k1");
    const std::vector<uint8_t> key = from_hex(group["publicKey"]["uncompressed"].text);
    for (const json_value& test : group["tests"].items) {
      ++total;
      const std::string expected = test["result"].text;
      ASSERT_TRUE(expected == "valid" || expected == "invalid") << expected;
      const verdict outcome = run_verification(key, from_hex(test["sig"].text), from_hex(test["msg"].text));
      SCOPED_TRACE("tcId " + test["tcId"].text + ": " + test["comment"].text + " [" + flags_of(test) + "]");
      if (outcome.library_error) {
        ++library_errors;
        EXPECT_EQ(expected, "invalid");
      }
      if (!outcome.decodable || outcome.canonical_der) {
        ++compared_exactly;
        EXPECT_EQ(outcome.accepted, expected == "valid");
        continue;
      }
      ++lenient_by_flags[flags_of(test)];
      EXPECT_EQ(outcome.accepted, updater::verify_signatures(1, {outcome.der}, {key}, from_hex(test["msg"].text)));
      EXPECT_NE(expected, "valid");
    }
  }
  EXPECT_EQ(total, std::stoi(document["numberOfTests"].text));
  // The exclusions stay a small, known part of the file.
  int lenient = 0;
  for (const auto& [flags, count] : lenient_by_flags) {
    EXPECT_TRUE(flags == "BerEncodedSignature " || flags == "InvalidEncoding ") << flags;
    lenient += count;
  }
  EXPECT_LE(lenient, 20) << "vectors decoded leniently";
  EXPECT_LE(library_errors, 5) << "vectors refused by a library error";
  EXPECT_EQ(compared_exactly + lenient, total);
  std::cout << "[ wycheproof ] " << compared_exactly << " vectors compared exactly, " << lenient
            << " decoded leniently, " << library_errors << " refused by a library error\n";
}

}  // namespace
