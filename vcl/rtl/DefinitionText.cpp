#include "vcl/rtl/DefinitionText.h"

#include <charconv>
#include <limits>
#include <utility>
#include "vcl/rtl/Format.h"
#include "vcl/rtl/TextConv.h"

EDefinitionError::EDefinitionError(int line, int column, const AnsiString& text)
    : EReadError(Format("Line %d, column %d: %s", {line, column, text})), line_(line), column_(column) {}

const char* DefValueKindName(TDefValueKind kind) {
  switch (kind) {
    case TDefValueKind::Integer: return "integer";
    case TDefValueKind::Float: return "float";
    case TDefValueKind::String: return "string";
    case TDefValueKind::Identifier: return "identifier";
    case TDefValueKind::Set: return "set";
    case TDefValueKind::Binary: return "binary";
    case TDefValueKind::StringList: return "string list";
    case TDefValueKind::Collection: return "collection";
  }
  return "value";
}

AnsiString DescribeDefValueKind(TDefValueKind kind) {
  AnsiString name = DefValueKindName(kind);
  bool vowel = name[0] == 'a' || name[0] == 'e' || name[0] == 'i' || name[0] == 'o' || name[0] == 'u';
  return (vowel ? "an " : "a ") + name;
}

bool SameDefName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

namespace {

// Deeper nesting than this (objects within objects, collections within collections) is refused, so that
// a damaged definition cannot exhaust the stack.
constexpr int kMaxDepth = 64;

enum class TokKind { End, Ident, Integer, Float, String, Binary, Symbol };

struct Token {
  TokKind kind = TokKind::End;
  TDefPosition pos;
  std::string text;  // Ident: the (dotted) name; String: UTF-8 before conversion; Symbol: the character
  Int64 integer = 0;
  double real = 0;
  std::vector<Byte> bytes;
};

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Describe(const Token& t) {
  switch (t.kind) {
    case TokKind::End: return "end of text";
    case TokKind::Ident: return "'" + t.text + "'";
    case TokKind::Integer: return "integer";
    case TokKind::Float: return "float";
    case TokKind::String: return "string";
    case TokKind::Binary: return "binary value";
    case TokKind::Symbol: return "'" + t.text + "'";
  }
  return "token";
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
  }

  Token Next() {
    SkipBlanks();
    Token t;
    t.pos = {line_, column_};
    if (AtEnd()) return t;
    char c = Peek();
    if (IsIdentStart(c)) {
      ReadIdent(t);
    } else if (IsDigit(c) || c == '$' || (c == '-' && (IsDigit(Peek(1)) || Peek(1) == '$'))) {
      ReadNumber(t);
    } else if (c == '\'' || c == '#') {
      ReadString(t);
    } else if (c == '{') {
      ReadBinary(t);
    } else if (c == '=' || c == ':' || c == '[' || c == ']' || c == '(' || c == ')' || c == '<' || c == '>' ||
               c == ',' || c == '+') {
      t.kind = TokKind::Symbol;
      t.text = std::string(1, c);
      Advance();
    } else {
      unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x20 || u >= 0x7F) Fail(t.pos, Format("unexpected character $%.2X", {static_cast<int>(u)}));
      Fail(t.pos, Format("unexpected character '%s'", {std::string(1, c)}));
    }
    return t;
  }

  [[noreturn]] static void Fail(TDefPosition pos, const AnsiString& text) {
    throw EDefinitionError(pos.line, pos.column, text);
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

  // Moves past one byte, keeping line and column; the column counts characters, not UTF-8 bytes.
  void Advance() {
    char c = text_[pos_++];
    if (c == '\n') {
      ++line_;
      column_ = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++column_;
    }
  }

  void SkipBlanks() {
    while (!AtEnd()) {
      char c = Peek();
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        Advance();
      } else if (c == '/' && Peek(1) == '/') {
        while (!AtEnd() && Peek() != '\n') Advance();
      } else {
        break;
      }
    }
  }

  // A name, or several joined by dots ("Font.Height", "frmMain.DS2"), taken as one token.
  void ReadIdent(Token& t) {
    t.kind = TokKind::Ident;
    for (;;) {
      while (!AtEnd() && IsIdentChar(Peek())) {
        t.text += Peek();
        Advance();
      }
      if (Peek() != '.') break;
      TDefPosition dot{line_, column_};
      t.text += '.';
      Advance();
      if (!IsIdentStart(Peek())) Fail(dot, "a name must follow '.'");
    }
  }

  void ReadNumber(Token& t) {
    bool negative = false;
    if (Peek() == '-') {
      negative = true;
      Advance();
    }
    if (Peek() == '$') {
      Advance();
      UInt64 value = 0;
      int digits = 0;
      while (HexValue(Peek()) >= 0) {
        if (digits == 16) Fail(t.pos, "hexadecimal number out of range");
        value = value * 16 + static_cast<UInt64>(HexValue(Peek()));
        ++digits;
        Advance();
      }
      if (digits == 0) Fail(t.pos, "hexadecimal digits must follow '$'");
      if (IsIdentChar(Peek())) Fail(t.pos, "malformed hexadecimal number");
      if (value > static_cast<UInt64>(std::numeric_limits<Int64>::max())) Fail(t.pos, "hexadecimal number out of range");
      t.kind = TokKind::Integer;
      t.integer = negative ? -static_cast<Int64>(value) : static_cast<Int64>(value);
      return;
    }
    size_t start = pos_ - (negative ? 1 : 0);
    bool isFloat = false;
    while (IsDigit(Peek())) Advance();
    if (Peek() == '.') {
      isFloat = true;
      Advance();
      if (!IsDigit(Peek())) Fail(t.pos, "digits must follow the decimal point");
      while (IsDigit(Peek())) Advance();
    }
    if (Peek() == 'e' || Peek() == 'E') {
      isFloat = true;
      Advance();
      if (Peek() == '+' || Peek() == '-') Advance();
      if (!IsDigit(Peek())) Fail(t.pos, "digits must follow the exponent");
      while (IsDigit(Peek())) Advance();
    }
    if (IsIdentChar(Peek()) || Peek() == '.') Fail(t.pos, "malformed number");
    std::string_view digits = text_.substr(start, pos_ - start);
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();
    if (isFloat) {
      t.kind = TokKind::Float;
      auto [end, ec] = std::from_chars(first, last, t.real);
      if (ec == std::errc::result_out_of_range) Fail(t.pos, "float out of range");
      if (ec != std::errc() || end != last) Fail(t.pos, "malformed number");
    } else {
      t.kind = TokKind::Integer;
      auto [end, ec] = std::from_chars(first, last, t.integer);
      if (ec == std::errc::result_out_of_range) Fail(t.pos, "integer out of range");
      if (ec != std::errc() || end != last) Fail(t.pos, "malformed number");
    }
  }

  // Quoted parts and #nnn code points written next to each other form one string.
  void ReadString(Token& t) {
    t.kind = TokKind::String;
    for (;;) {
      if (Peek() == '\'') {
        TDefPosition open{line_, column_};
        Advance();
        for (;;) {
          if (AtEnd() || Peek() == '\n' || Peek() == '\r') Fail(open, "unterminated string");
          if (Peek() == '\'') {
            Advance();
            if (Peek() != '\'') break;
          }
          t.text += Peek();
          Advance();
        }
      } else if (Peek() == '#') {
        TDefPosition hash{line_, column_};
        Advance();
        UInt64 cp = 0;
        int digits = 0;
        if (Peek() == '$') {
          Advance();
          while (HexValue(Peek()) >= 0 && digits <= 8) {
            cp = cp * 16 + static_cast<UInt64>(HexValue(Peek()));
            ++digits;
            Advance();
          }
        } else {
          while (IsDigit(Peek()) && digits <= 8) {
            cp = cp * 10 + static_cast<UInt64>(Peek() - '0');
            ++digits;
            Advance();
          }
        }
        if (digits == 0) Fail(hash, "a character code must follow '#'");
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || IsIdentChar(Peek()))
          Fail(hash, "invalid character code");
        AppendUtf8(t.text, static_cast<char32_t>(cp));
      } else {
        break;
      }
    }
  }

  void ReadBinary(Token& t) {
    t.kind = TokKind::Binary;
    Advance();  // '{'
    int pending = -1;  // high nibble waiting for its partner
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Fail(t.pos, "unterminated binary value");
      char c = Peek();
      if (c == '}') {
        if (pending >= 0) Fail({line_, column_}, "binary value has an odd number of hex digits");
        Advance();
        return;
      }
      int v = HexValue(c);
      if (v < 0) Fail({line_, column_}, "hex digit expected in binary value");
      if (pending < 0) {
        pending = v;
      } else {
        t.bytes.push_back(static_cast<Byte>(pending * 16 + v));
        pending = -1;
      }
      Advance();
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  int column_ = 1;
};

class Parser {
 public:
  explicit Parser(std::string_view text) : lexer_(text) { Shift(); }

  std::unique_ptr<TDefObject> ParseRoot() {
    if (!IsKeyword("object")) Fail(Describe(tok_) + " found where 'object' was expected");
    auto root = ParseObject(0);
    if (tok_.kind != TokKind::End) Fail(Describe(tok_) + " found after the end of the definition");
    return root;
  }

 private:
  void Shift() { tok_ = lexer_.Next(); }
  [[noreturn]] void Fail(const AnsiString& text) const { Lexer::Fail(tok_.pos, text); }
  bool IsKeyword(std::string_view word) const { return tok_.kind == TokKind::Ident && SameDefName(tok_.text, word); }
  bool IsSymbol(char c) const { return tok_.kind == TokKind::Symbol && tok_.text[0] == c; }
  void Expect(char c) {
    if (!IsSymbol(c)) Fail(Describe(tok_) + " found where '" + std::string(1, c) + "' was expected");
    Shift();
  }
  bool IsReserved() const { return IsKeyword("object") || IsKeyword("end") || IsKeyword("item"); }
  AnsiString SimpleName(const char* what) {
    if (tok_.kind != TokKind::Ident || IsReserved()) Fail(Describe(tok_) + " found where " + what + " was expected");
    if (tok_.text.find('.') != std::string::npos) Fail(AnsiString(what) + " must not contain '.'");
    AnsiString name = tok_.text;
    Shift();
    return name;
  }

  std::unique_ptr<TDefObject> ParseObject(int depth) {
    if (depth >= kMaxDepth) Fail("objects nested too deeply");
    auto obj = std::make_unique<TDefObject>();
    obj->pos = tok_.pos;
    Shift();  // "object"
    AnsiString first = SimpleName("a name or class name");
    if (IsSymbol(':')) {
      Shift();
      obj->name = std::move(first);
      obj->className = SimpleName("a class name");
    } else {
      obj->className = std::move(first);
    }
    for (;;) {
      if (IsKeyword("end")) {
        Shift();
        return obj;
      }
      if (IsKeyword("object")) {
        obj->children.push_back(ParseObject(depth + 1));
      } else if (tok_.kind == TokKind::End) {
        Lexer::Fail(obj->pos, "object '" + (obj->name.empty() ? obj->className : obj->name) + "' has no 'end'");
      } else {
        ParseProperty(obj->properties, depth);
      }
    }
  }

  void ParseProperty(std::vector<TDefProperty>& into, int depth) {
    if (tok_.kind != TokKind::Ident || IsReserved()) Fail(Describe(tok_) + " found where a property name was expected");
    TDefProperty prop;
    prop.name = tok_.text;
    prop.pos = tok_.pos;
    for (const TDefProperty& p : into) {
      if (SameDefName(p.name, prop.name)) Fail("property '" + prop.name + "' is assigned twice");
    }
    Shift();
    Expect('=');
    prop.value = ParseValue(depth);
    into.push_back(std::move(prop));
  }

  AnsiString ParseString() {
    std::string utf8;
    TDefPosition pos = tok_.pos;
    for (;;) {
      utf8 += tok_.text;
      Shift();
      if (!IsSymbol('+')) break;
      Shift();
      if (tok_.kind != TokKind::String) Fail(Describe(tok_) + " found where a string was expected after '+'");
    }
    return ToCp1250(utf8, pos);
  }

  // Strict conversion: a definition is written by the program's authors, so a character that the
  // system's code page cannot show is a mistake to report, not one to paper over with '?'.
  static AnsiString ToCp1250(const std::string& utf8, TDefPosition pos) {
    WideString wide = Utf8ToUtf16(utf8);
    AnsiString out;
    out.reserve(wide.size());
    for (char16_t ch : wide) {
      if (ch == u'\uFFFD') Lexer::Fail(pos, "string is not valid UTF-8 or holds U+FFFD");
      unsigned char b = Utf16CharToCp1250(ch);
      if (b == 0 && ch != 0) {
        Lexer::Fail(pos, Format("character U+%.4X of the string has no Windows-1250 code", {static_cast<int>(ch)}));
      }
      out += static_cast<char>(b);
    }
    return out;
  }

  TDefValue ParseValue(int depth) {
    TDefValue v;
    v.pos = tok_.pos;
    switch (tok_.kind) {
      case TokKind::Integer:
        v.kind = TDefValueKind::Integer;
        v.integer = tok_.integer;
        Shift();
        return v;
      case TokKind::Float:
        v.kind = TDefValueKind::Float;
        v.real = tok_.real;
        Shift();
        return v;
      case TokKind::String:
        v.kind = TDefValueKind::String;
        v.text = ParseString();
        return v;
      case TokKind::Binary:
        v.kind = TDefValueKind::Binary;
        v.bytes = std::move(tok_.bytes);
        Shift();
        return v;
      case TokKind::Ident:
        if (IsReserved()) break;
        v.kind = TDefValueKind::Identifier;
        v.text = tok_.text;
        Shift();
        return v;
      case TokKind::Symbol:
        if (IsSymbol('[')) return ParseSet(std::move(v));
        if (IsSymbol('(')) return ParseStringList(std::move(v));
        if (IsSymbol('<')) return ParseCollection(std::move(v), depth);
        break;
      case TokKind::End:
        break;
    }
    Fail(Describe(tok_) + " found where a value was expected");
  }

  TDefValue ParseSet(TDefValue v) {
    v.kind = TDefValueKind::Set;
    Shift();
    if (IsSymbol(']')) {
      Shift();
      return v;
    }
    for (;;) {
      v.list.push_back(SimpleName("a set member"));
      if (IsSymbol(']')) {
        Shift();
        return v;
      }
      Expect(',');
    }
  }

  TDefValue ParseStringList(TDefValue v) {
    v.kind = TDefValueKind::StringList;
    Shift();
    while (!IsSymbol(')')) {
      if (tok_.kind != TokKind::String) Fail(Describe(tok_) + " found where a string or ')' was expected");
      v.list.push_back(ParseString());
    }
    Shift();
    return v;
  }

  TDefValue ParseCollection(TDefValue v, int depth) {
    if (depth + 1 >= kMaxDepth) Fail("values nested too deeply");
    v.kind = TDefValueKind::Collection;
    Shift();
    while (!IsSymbol('>')) {
      if (!IsKeyword("item")) Fail(Describe(tok_) + " found where 'item' or '>' was expected");
      TDefItem item;
      item.pos = tok_.pos;
      Shift();
      while (!IsKeyword("end")) {
        if (tok_.kind == TokKind::End) Lexer::Fail(item.pos, "collection item has no 'end'");
        ParseProperty(item.properties, depth + 1);
      }
      Shift();
      v.items.push_back(std::move(item));
    }
    Shift();
    return v;
  }

  Lexer lexer_;
  Token tok_;
};

}  // namespace

std::unique_ptr<TDefObject> ParseDefinition(std::string_view utf8Text) {
  Parser parser(utf8Text);
  return parser.ParseRoot();
}
