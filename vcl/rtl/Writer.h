// The form-definition writer: produces the text form that DefinitionText.h parses, one property per line,
// for objects that write themselves (their plain values through the Write* calls, their own stored data
// through DefineProperties). Text values are Windows-1250 and come out as UTF-8; binary values come out
// as hex digits, 32 bytes a line. A writer builds one text; Text() gives what has been written so far.
#pragma once
#include <string>
#include <vector>
#include "vcl/rtl/Persistent.h"
#include "vcl/rtl/SysTypes.h"

class TWriter : public TFiler {
 public:
  // `indent` is the nesting level of the first property (two blanks a level).
  explicit TWriter(int indent = 0) : level_(indent) {}

  void BeginObject(const AnsiString& name, const AnsiString& className);  // "object name: class"
  void EndObject();
  void WriteString(const AnsiString& name, const AnsiString& value);
  void WriteInteger(const AnsiString& name, Int64 value);
  void WriteFloat(const AnsiString& name, double value);
  void WriteIdent(const AnsiString& name, const AnsiString& ident);  // enumerations, Booleans, nil
  void WriteBoolean(const AnsiString& name, bool value) { WriteIdent(name, value ? "True" : "False"); }
  void WriteBinary(const AnsiString& name, const void* data, size_t size);
  // "name = <", then one BeginItem/EndItem pair per item holding its properties, then ">".
  void BeginCollection(const AnsiString& name);
  void BeginItem();
  void EndItem();
  void EndCollection();
  // The object's own stored data: its DefineProperties calls are written where they have data.
  void WriteDefinedProperties(TPersistent& instance) { instance.DefineProperties(*this); }

  // TFiler. A DefineProperty procedure writes its value itself through the Write* calls, under the
  // name it was defined with (DefinedName()).
  void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData,
                      bool hasData) override;
  void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                            bool hasData) override;
  const AnsiString& DefinedName() const { return definedName_; }

  const std::string& Text() const { return text_; }

 private:
  void Line(const std::string& content);
  void Assignment(const AnsiString& name, const std::string& value);

  std::string text_;
  int level_;
  AnsiString definedName_;
};

// A Windows-1250 text as a definition's string value: quoted, quotes doubled, control characters as #n.
std::string DefinitionStringLiteral(const AnsiString& text);
// The hex lines of a binary value ("{" and "}" included), each line indented by `indent` levels.
std::string DefinitionBinaryLiteral(const void* data, size_t size, int indent);
