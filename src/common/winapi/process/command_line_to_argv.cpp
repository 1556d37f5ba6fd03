#include "common/winapi/process/command_line_to_argv.h"

#include "common/security.h"

namespace winapi {

namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

class line_reader {
 public:
  explicit line_reader(std::u16string_view line) : line_(line) {}

  bool at_end() const { return position_ >= line_.size(); }
  char16_t peek(size_t ahead = 0) const { return position_ + ahead < line_.size() ? line_[position_ + ahead] : u'\0'; }
  char16_t take() { return line_[position_++]; }
  void skip_blanks() {
    while (!at_end() && is_blank(peek())) ++position_;
  }

 private:
  std::u16string_view line_;
  size_t position_ = 0;
};

std::u16string read_program_name(line_reader& reader) {
  std::u16string token;
  if (reader.peek() == u'"') {
    reader.take();
    while (!reader.at_end()) {
      const char16_t c = reader.take();
      if (c == u'"') break;
      token.push_back(c);
    }
  } else {
    while (!reader.at_end() && !is_blank(reader.peek())) token.push_back(reader.take());
  }
  return token;
}

std::u16string read_argument(line_reader& reader) {
  std::u16string token;
  // 0 outside a quoted part, 1 inside; a run of quotes counts on from there.
  int quotes = 0;
  while (!reader.at_end() && (quotes != 0 || !is_blank(reader.peek()))) {
    size_t backslashes = 0;
    while (reader.peek() == u'\\') {
      reader.take();
      ++backslashes;
    }
    if (reader.peek() != u'"') {
      token.append(backslashes, u'\\');
      if (backslashes == 0) token.push_back(reader.take());
      continue;
    }
    reader.take();
    token.append(backslashes / 2, u'\\');
    if (backslashes % 2 == 1) {
      token.push_back(u'"');
    } else {
      ++quotes;
    }
    // In a run of further quotes every third one, counted with the quote state, is a
    // literal quote that also ends the quoted part.
    while (reader.peek() == u'"') {
      reader.take();
      if (++quotes == 3) {
        token.push_back(u'"');
        quotes = 0;
      }
    }
    if (quotes == 2) quotes = 0;
  }
  return token;
}

}  // namespace

std::vector<std::u16string> command_line_to_argv(std::u16string_view command_line) {
  command_line = command_line.substr(0, command_line.find(u'\0'));
  if (command_line.empty()) return {security::get_module_file_name()};

  line_reader reader(command_line);
  std::vector<std::u16string> arguments{read_program_name(reader)};
  reader.skip_blanks();
  while (!reader.at_end()) {
    arguments.push_back(read_argument(reader));
    reader.skip_blanks();
  }
  return arguments;
}

}  // namespace winapi
