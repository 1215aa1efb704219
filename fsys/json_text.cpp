#include "fsys/json_text.h"

#include <utf8proc.h>

#include <charconv>
#include <cstdint>
#include <cstdio>

#include "fsys/entry_identity.h"

namespace quillmere {
namespace {

void appendEscape(std::string& out, unsigned value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", value);
  out += buffer;
}

constexpr int kMaxDepth = 64;

class Reader {
public:
  explicit Reader(std::string_view text) : s_(text) {}

  bool value(JsonValue& out, int depth) {
    if (depth > kMaxDepth) return false;
    space();
    if (at_ >= s_.size()) return false;
    const char c = s_[at_];
    if (c == '{') return object(out, depth);
    if (c == '[') return array(out, depth);
    if (c == '"') {
      out.kind = JsonValue::Kind::String;
      return string(out.text);
    }
    if (word("true")) {
      out.kind = JsonValue::Kind::Bool;
      out.boolean = true;
      return true;
    }
    if (word("false")) {
      out.kind = JsonValue::Kind::Bool;
      return true;
    }
    if (word("null")) return true;
    return number(out);
  }

  bool atEnd() {
    space();
    return at_ == s_.size();
  }

private:
  void space() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) ++at_;
  }
  bool take(char c) {
    space();
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool word(std::string_view w) {
    if (s_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }
  bool number(JsonValue& out) {
    const std::size_t from = at_;
    if (at_ < s_.size() && s_[at_] == '-') ++at_;
    const std::size_t digits = at_;
    while (at_ < s_.size() && std::string_view("0123456789.eE+-").find(s_[at_]) != std::string_view::npos) ++at_;
    if (at_ == digits) return false;
    out.kind = JsonValue::Kind::Number;
    out.text = std::string(s_.substr(from, at_ - from));
    return true;
  }
  bool hex4(std::uint32_t& value) {
    if (at_ + 4 > s_.size()) return false;
    const char* from = s_.data() + at_;
    at_ += 4;
    return std::from_chars(from, from + 4, value, 16).ptr == from + 4;
  }
  bool string(std::string& out) {
    ++at_;  // the opening quote
    while (at_ < s_.size()) {
      const char c = s_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= s_.size()) return false;
      const char e = s_[at_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          std::uint32_t cp;
          if (!hex4(cp)) return false;
          if (cp >= 0xd800 && cp < 0xdc00) {  // a pair's first half
            std::uint32_t low;
            if (!word("\\u") || !hex4(low) || low < 0xdc00 || low >= 0xe000) return false;
            cp = 0x10000 + ((cp - 0xd800) << 10) + (low - 0xdc00);
          } else if (cp >= 0xdc80 && cp <= 0xdcff) {
            out += char(cp - 0xdc00);  // a byte that was not UTF-8
            break;
          } else if (cp >= 0xdc00 && cp < 0xe000) {
            return false;
          }
          utf8proc_uint8_t encoded[4];
          const auto length = utf8proc_encode_char(utf8proc_int32_t(cp), encoded);
          out.append(reinterpret_cast<const char*>(encoded), std::size_t(length));
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  bool array(JsonValue& out, int depth) {
    ++at_;
    out.kind = JsonValue::Kind::Array;
    if (take(']')) return true;
    do {
      if (!value(out.items.emplace_back(), depth + 1)) return false;
    } while (take(','));
    return take(']');
  }
  bool object(JsonValue& out, int depth) {
    ++at_;
    out.kind = JsonValue::Kind::Object;
    if (take('}')) return true;
    do {
      space();
      if (at_ >= s_.size() || s_[at_] != '"') return false;
      if (!string(out.memberNames.emplace_back()) || !take(':') ||
          !value(out.memberValues.emplace_back(), depth + 1))
        return false;
    } while (take(','));
    return take('}');
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

}  // namespace

std::string jsonString(const std::string& bytes) {
  std::string out = "\"";
  out.reserve(bytes.size() + 2);
  const auto* data = reinterpret_cast<const utf8proc_uint8_t*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = data[i];
    if (c >= 0x80) {
      // utf8proc_iterate refuses overlong forms, surrogates and values past
      // U+10FFFF; only the one bad byte is escaped, the rest is read again.
      utf8proc_int32_t codepoint;
      const auto length = utf8proc_iterate(data + i, bytes.size() - i, &codepoint);
      if (length > 0) {
        out.append(bytes, i, length);
        i += length;
      } else {
        appendEscape(out, 0xdc00 + c);
        ++i;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20)
          appendEscape(out, c);
        else
          out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

const JsonValue* JsonValue::find(std::string_view key) const {
  for (std::size_t i = 0; i < memberNames.size() && i < memberValues.size(); ++i)
    if (memberNames[i] == key) return &memberValues[i];
  return nullptr;
}

std::optional<std::string> JsonValue::stringAt(std::string_view key) const {
  const JsonValue* value = find(key);
  if (!value || value->kind != Kind::String) return std::nullopt;
  return value->text;
}

std::optional<std::uint64_t> JsonValue::unsignedAt(std::string_view key) const {
  const JsonValue* value = find(key);
  if (!value || value->kind != Kind::Number) return std::nullopt;
  return parseDecimal(value->text);
}

std::optional<JsonValue> parseJson(std::string_view text) {
  Reader reader(text);
  JsonValue value;
  if (!reader.value(value, 0) || !reader.atEnd()) return std::nullopt;
  return value;
}

}  // namespace quillmere
