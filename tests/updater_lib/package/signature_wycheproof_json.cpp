#include "updater_lib/package/signature_wycheproof_json.h"

#include <stdexcept>

namespace signature_test {

namespace {

class parser {
 public:
  explicit parser(std::string_view text) : text_(text) {}

  json_value document() {
    json_value value = next_value();
    skip_space();
    if (position_ != text_.size()) fail("text after the document");
    return value;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::invalid_argument("JSON: " + what + " at offset " + std::to_string(position_));
  }

  void skip_space() {
    while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\n' ||
                                        text_[position_] == '\r' || text_[position_] == '\t'))
      ++position_;
  }

  char peek() {
    skip_space();
    if (position_ >= text_.size()) fail("unexpected end");
    return text_[position_];
  }

  void expect(char c) {
    if (peek() != c) fail(std::string("expected '") + c + "'");
    ++position_;
  }

  json_value next_value() {
    const char c = peek();
    if (c == '{') return object();
    if (c == '[') return array();
    if (c == '"') return json_value{json_value::kind::string, string(), {}, {}};
    if (c == '-' || (c >= '0' && c <= '9')) return number();
    for (const auto& [spelling, type] :
         {std::pair{"true", json_value::kind::boolean}, std::pair{"false", json_value::kind::boolean},
          std::pair{"null", json_value::kind::null}}) {
      if (text_.substr(position_).starts_with(spelling)) {
        position_ += std::string_view(spelling).size();
        return json_value{type, spelling, {}, {}};
      }
    }
    fail("unexpected character");
  }

  json_value object() {
    expect('{');
    json_value value{json_value::kind::object, {}, {}, {}};
    if (peek() == '}') {
      ++position_;
      return value;
    }
    do {
      if (peek() != '"') fail("expected a member name");
      std::string name = string();
      expect(':');
      value.members.emplace_back(std::move(name), next_value());
    } while (comma_or('}'));
    return value;
  }

  json_value array() {
    expect('[');
    json_value value{json_value::kind::array, {}, {}, {}};
    if (peek() == ']') {
      ++position_;
      return value;
    }
    do value.items.push_back(next_value());
    while (comma_or(']'));
    return value;
  }

  // True after a comma, false after the closing character.
  bool comma_or(char closing) {
    const char c = peek();
    ++position_;
    if (c == ',') return true;
    if (c != closing) fail(std::string("expected ',' or '") + closing + "'");
    return false;
  }

  json_value number() {
    const size_t start = position_;
    while (position_ < text_.size() &&
           std::string_view("+-0123456789.eE").find(text_[position_]) != std::string_view::npos)
      ++position_;
    return json_value{json_value::kind::number, std::string(text_.substr(start, position_ - start)), {}, {}};
  }

  std::string string() {
    expect('"');
    std::string value;
    while (true) {
      if (position_ >= text_.size()) fail("unterminated string");
      const char c = text_[position_++];
      if (c == '"') return value;
      if (c != '\\') {
        value.push_back(c);
        continue;
      }
      if (position_ >= text_.size()) fail("unterminated escape");
      const char escaped = text_[position_++];
      switch (escaped) {
        case 'b': value.push_back('\b'); break;
        case 'f': value.push_back('\f'); break;
        case 'n': value.push_back('\n'); break;
        case 'r': value.push_back('\r'); break;
        case 't': value.push_back('\t'); break;
        case 'u': append_utf8(value, code_unit()); break;
        default: value.push_back(escaped);
      }
    }
  }

  unsigned code_unit() {
    if (position_ + 4 > text_.size()) fail("short \\u escape");
    const unsigned unit = static_cast<unsigned>(std::stoul(std::string(text_.substr(position_, 4)), nullptr, 16));
    position_ += 4;
    return unit;
  }

  // Each UTF-16 code unit on its own; the vector files carry ASCII in the fields read.
  static void append_utf8(std::string& out, unsigned unit) {
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xc0 | unit >> 6));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3f)));
    } else {
      out.push_back(static_cast<char>(0xe0 | unit >> 12));
      out.push_back(static_cast<char>(0x80 | (unit >> 6 & 0x3f)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3f)));
    }
  }

  std::string_view text_;
  size_t position_ = 0;
};

}  // namespace

const json_value& json_value::operator[](std::string_view key) const {
  for (const auto& [name, value] : members)
    if (name == key) return value;
  throw std::out_of_range("JSON member missing: " + std::string(key));
}

json_value parse_json(std::string_view text) { return parser(text).document(); }

}  // namespace signature_test
