// The session base: a connection's database names and flags, its session id, and the named objects it
// keeps (such as the last value each sequence gave this session). The local session connects it to a
// database of the process-wide list.
#pragma once
#include <memory>
#include <vector>
#include "vcl/rtl/SysTypes.h"

class TSQLMemSessionNamedObject {
 public:
  explicit TSQLMemSessionNamedObject(const AnsiString& name) : Name(name) {}
  virtual ~TSQLMemSessionNamedObject() = default;
  AnsiString Name;
};

class TSQLMemSessionNamedObjectSequenceValue : public TSQLMemSessionNamedObject {
 public:
  TSQLMemSessionNamedObjectSequenceValue(const AnsiString& name, Int64 value)
      : TSQLMemSessionNamedObject(name), Value(value) {}
  Int64 Value;
};

// Created and used by the dataset components; the engine gives it no behaviour.
class TSQLMemSessionComponentManager {};

class TSQLMemBaseSession {
 public:
  TSQLMemBaseSession() = default;
  // Frees the named objects. A session that is still connected is disconnected by its own kind's
  // destructor (a base destructor cannot reach the kind's SetConnected).
  virtual ~TSQLMemBaseSession() = default;
  TSQLMemBaseSession(const TSQLMemBaseSession&) = delete;
  TSQLMemBaseSession& operator=(const TSQLMemBaseSession&) = delete;

  virtual bool GetConnected() = 0;
  virtual void SetConnected(bool connected) = 0;
  // Database kinds that this engine does not carry: each raises "Error - operation is not supported".
  virtual void CreateDatabase();  // 10888
  virtual void SessionHook1();    // 10889
  virtual void SessionHook2();    // 10890

  // The first named object with exactly this name (case matters), or nullptr.
  TSQLMemSessionNamedObject* FindNamedObject(const AnsiString& name) const;
  // Gives the named object its value, appending a sequence-value object when there is none.
  void SetSequenceValue(const AnsiString& name, Int64 value);
  Integer NamedObjectCount() const { return static_cast<Integer>(namedObjects_.size()); }

  AnsiString DatabaseName;
  AnsiString DatabaseFileName;
  WideString DatabaseFileNameUnicode;
  Integer SessionId = -1;  // set when a database registers the session
  Byte Option1 = 0, Option2 = 0;  // set by the database component before connecting, read after
  Byte Temporary = 0;
  Byte InMemory = 0;

 private:
  std::vector<std::unique_ptr<TSQLMemSessionNamedObject>> namedObjects_;
};
