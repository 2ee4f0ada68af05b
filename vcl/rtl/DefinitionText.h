// The text form of component definitions (forms, data modules) and its parser. A definition is one
// object block holding property assignments and nested object blocks; the parser turns the text into a
// tree of typed values with their positions, and the reader (Reader.h) binds that tree to components.
//
//   object frmMain: TfrmMain            // "object" [Name ":"] ClassName ... "end"
//     Caption = 'Quillnote'               // strings: '...' ('' is a quote), #nnn / #$hh code points,
//     Font.Height = -11                   //   adjacent parts join, "+" joins across lines
//     Color = clWhite                     // identifiers: enums, Booleans, colours, references, methods
//     Options = [dgTabs, dgRowSelect]     // sets
//     Version = 8.5                       // floats (a dot or an exponent); integers decimal or $hex
//     Data = { 43567A66 0100 }            // binary as hex digits, whitespace ignored
//     Lines = ( 'first' 'second' )        // string lists
//     Columns = < item Width = 100 end >  // collections of items holding properties
//     DataSource = frmMain.DS2            // dotted identifiers reach into other forms
//     object DS1: TDataSource ... end     // nested objects
//   end
//
// The file is UTF-8 (an initial byte-order mark is skipped); string values are converted to the
// system's Windows-1250 text, and a character that code page cannot hold is an error, not a '?'.
// Keywords (object, end, item) are matched without regard to case; "//" starts a comment.
#pragma once
#include <memory>
#include <string_view>
#include <vector>
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/SysTypes.h"

// A malformed definition, or one that does not fit its classes. The message starts with
// "Line N: " (1-based), so that the author can find the place.
class EDefinitionError : public EReadError {
 public:
  EDefinitionError(int line, int column, const AnsiString& text);
  int Line() const noexcept { return line_; }
  int Column() const noexcept { return column_; }

 private:
  int line_;
  int column_;
};

struct TDefPosition {
  int line = 0;    // 1-based
  int column = 0;  // 1-based, in characters
};

enum class TDefValueKind {
  Integer = 0,
  Float = 1,
  String = 2,
  Identifier = 3,
  Set = 4,
  Binary = 5,
  StringList = 6,
  Collection = 7,
};

const char* DefValueKindName(TDefValueKind kind);  // "integer", "string", ... for messages
AnsiString DescribeDefValueKind(TDefValueKind kind);  // "an integer", "a string", ...

struct TDefProperty;

// One item of a collection value: its property assignments in the order written.
struct TDefItem {
  TDefPosition pos;
  std::vector<TDefProperty> properties;
};

struct TDefValue {
  TDefValueKind kind = TDefValueKind::Integer;
  TDefPosition pos;
  Int64 integer = 0;
  double real = 0;
  AnsiString text;                // String: Windows-1250 text; Identifier: the name as written (may be dotted)
  std::vector<AnsiString> list;   // Set: member identifiers; StringList: lines (Windows-1250)
  std::vector<Byte> bytes;        // Binary
  std::vector<TDefItem> items;    // Collection
};

struct TDefProperty {
  AnsiString name;  // as written, possibly dotted ("Font.Height")
  TDefPosition pos;
  TDefValue value;
};

struct TDefObject {
  AnsiString name;       // empty for an unnamed object
  AnsiString className;
  TDefPosition pos;
  std::vector<TDefProperty> properties;             // in the order written
  std::vector<std::unique_ptr<TDefObject>> children;  // in the order written
};

// Parses a whole definition (exactly one root object). Raises EDefinitionError on malformed text.
std::unique_ptr<TDefObject> ParseDefinition(std::string_view utf8Text);

// ASCII case-insensitive equality, the rule for every name in a definition.
bool SameDefName(std::string_view a, std::string_view b);
