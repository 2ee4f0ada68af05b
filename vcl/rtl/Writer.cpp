#include "vcl/rtl/Writer.h"

#include <cmath>
#include <cstdio>
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr size_t kBytesPerLine = 32;

std::string Indent(int level) { return std::string(static_cast<size_t>(std::max(level, 0)) * 2, ' '); }

}  // namespace

std::string DefinitionStringLiteral(const AnsiString& text) {
  std::string out;
  bool quoted = false;
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32) {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + std::to_string(code);
      continue;
    }
    if (!quoted) out += '\'';
    quoted = true;
    if (c == '\'') out += '\'';
    out += Cp1250ToUtf8(std::string_view(&c, 1));
  }
  if (quoted) out += '\'';
  return out.empty() ? "''" : out;
}

std::string DefinitionBinaryLiteral(const void* data, size_t size, int indent) {
  static const char kHex[] = "0123456789ABCDEF";
  const auto* bytes = static_cast<const Byte*>(data);
  std::string out = "{";
  for (size_t i = 0; i < size; ++i) {
    if (i % kBytesPerLine == 0) out += '\n' + Indent(indent);
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 0x0F];
  }
  return out + '}';
}

void TWriter::Line(const std::string& content) { text_ += Indent(level_) + content + '\n'; }

void TWriter::Assignment(const AnsiString& name, const std::string& value) { Line(name + " = " + value); }

void TWriter::BeginObject(const AnsiString& name, const AnsiString& className) {
  Line("object " + (name.empty() ? className : name + ": " + className));
  ++level_;
}

void TWriter::EndObject() {
  --level_;
  Line("end");
}

void TWriter::WriteString(const AnsiString& name, const AnsiString& value) {
  Assignment(name, DefinitionStringLiteral(value));
}

void TWriter::WriteInteger(const AnsiString& name, Int64 value) { Assignment(name, std::to_string(value)); }

void TWriter::WriteFloat(const AnsiString& name, double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  std::string text = buffer;
  // The parser takes a number as a float only with a dot or an exponent.
  if (std::isfinite(value) && text.find_first_of(".e") == std::string::npos) text += ".0";
  Assignment(name, text);
}

void TWriter::WriteIdent(const AnsiString& name, const AnsiString& ident) { Assignment(name, ident); }

void TWriter::WriteBinary(const AnsiString& name, const void* data, size_t size) {
  Assignment(name, DefinitionBinaryLiteral(data, size, level_ + 1));
}

void TWriter::BeginCollection(const AnsiString& name) {
  Line(name + " = <");
  ++level_;
}

void TWriter::BeginItem() {
  Line("item");
  ++level_;
}

void TWriter::EndItem() {
  --level_;
  Line("end");
}

void TWriter::EndCollection() {
  --level_;
  Line(">");
}

void TWriter::DefineProperty(const AnsiString& name, TReaderProc, TWriterProc writeData, bool hasData) {
  if (!hasData || !writeData) return;
  definedName_ = name;
  writeData(*this);
  definedName_.clear();
}

void TWriter::DefineBinaryProperty(const AnsiString& name, TStreamProc, TStreamProc writeData, bool hasData) {
  if (!hasData || !writeData) return;
  TMemoryStream stream;
  writeData(stream);
  WriteBinary(name, stream.Memory(), static_cast<size_t>(stream.GetSize()));
}
