// Objects that can be copied from one another (Assign/AssignTo) and that take part in form-definition
// streaming: TPersistent, and TFiler, the interface through which an object defines stored data of its
// own (binary blobs, lists) beside its ordinary properties. The reader and writer implement TFiler.
#pragma once
#include <functional>
#include "vcl/rtl/Object.h"

class TFiler;
class TReader;     // the form-definition reader, a TFiler
class TWriter;     // the form-definition writer, a TFiler
class TStream;
class TComponent;

class TPersistent : public TObject {
 public:
  // Copies `source` into this object. The default asks the source (AssignTo); when neither side knows
  // the other, raises EConvertError "Cannot assign a <source class> to a <this class>" ("nil" for a
  // missing source).
  virtual void Assign(const TPersistent* source);

  // The object this one belongs to for naming and streaming (a collection's owner, an item's collection,
  // a component's owner); nil by default.
  virtual TPersistent* GetOwner() const { return nullptr; }

  // Streaming hook: define the object's own stored data through the filer (see TFiler). Nothing by default.
  virtual void DefineProperties(TFiler& filer);

 protected:
  // Copies this object into `dest`; the default raises the assign error for dest.
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

// A reader or writer of form definitions, as DefineProperties sees it. A definition names each piece of
// data; on reading, the filer calls readData when the definition holds data of that name; on writing, it
// calls writeData when hasData is true. Either procedure may be empty (a read-only or write-only item).
class TFiler : public TObject {
 public:
  using TReaderProc = std::function<void(TReader& reader)>;
  using TWriterProc = std::function<void(TWriter& writer)>;
  using TStreamProc = std::function<void(TStream& stream)>;

  // Data written with the filer's own values (integers, strings, lists, collections).
  virtual void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData,
                              bool hasData) = 0;
  // Data as a block of bytes; the procedures read or write the stream from its start.
  virtual void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                                    bool hasData) = 0;

  // The component whose definition is being read or written (the form), and, when writing an inherited
  // form, the object of the ancestor that the current one is compared with (nil otherwise).
  TComponent* Root() const { return root_; }
  virtual void SetRoot(TComponent* root) { root_ = root; }
  TPersistent* Ancestor() const { return ancestor_; }
  void SetAncestor(TPersistent* ancestor) { ancestor_ = ancestor; }

 private:
  TComponent* root_ = nullptr;
  TPersistent* ancestor_ = nullptr;
};
