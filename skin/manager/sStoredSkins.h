// Skins stored inside the skin manager, so that a program carries its own skin in its form definition:
// each item holds a skin's name, a few descriptive values and the packed skin itself (a "CVzf"
// container), which the definition keeps as the binary property "Data" and the manager reads when the
// item's skin is chosen.
#pragma once
#include <memory>
#include <vector>
#include "vcl/rtl/Collection.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/SysTypes.h"

class TBitmap;
class TWriter;
class TsSkinManager;

class TsStoredSkin : public TCollectionItem {
 public:
  explicit TsStoredSkin(TCollection* collection);
  ~TsStoredSkin() override;

  AnsiString Name;
  double Version = 0;
  AnsiString Description;
  AnsiString Author;
  Integer Shadow1Offset = 0;
  Integer Shadow1Color = 0;
  Integer Shadow1Blur = -1;
  Integer Shadow1Transparency = 0;
  Integer BorderColor = 0xFF00FF;
  TBitmap& MasterBitmap() { return *masterBitmap_; }
  // The packed skin, read and written whole as "Data".
  TMemoryStream& PackedData() { return *packedData_; }
  void SetPackedData(const void* data, size_t size);
  std::vector<Byte> PackedBytes() const;

  // A nil source behaves as the base class does; another stored skin is copied whole (a separate copy
  // of its packed data).
  void Assign(const TPersistent* source) override;
  // "Data" is always written, even when empty.
  void DefineProperties(TFiler& filer) override;
  AnsiString DisplayName() const override { return Name; }
  // The item's values that differ from their defaults, then its data.
  void WriteProperties(TWriter& writer);

 private:
  std::unique_ptr<TBitmap> masterBitmap_;
  std::unique_ptr<TMemoryStream> packedData_;
};

// The manager's InternalSkins. Every change fires the manager's OnSkinListChanged. Assigning another
// collection to it does nothing: stored skins are only ever read from the definition or added in code.
class TsStoredSkins : public TOwnedCollection {
 public:
  explicit TsStoredSkins(TsSkinManager* owner);

  TsStoredSkin* Items(int index) const { return static_cast<TsStoredSkin*>(TCollection::Items(index)); }
  TsStoredSkin* Add() { return static_cast<TsStoredSkin*>(TCollection::Add()); }
  // A new item with that name and packed data.
  TsStoredSkin* Add(const AnsiString& name, const std::vector<Byte>& data);
  // The first item whose Name equals name exactly; -1 when none.
  int IndexOf(const AnsiString& name) const;
  void Assign(const TPersistent* source) override;
  // "name = < item ... end >" with every item's properties.
  void WriteCollection(TWriter& writer, const AnsiString& name) const;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TsSkinManager* manager_;
};

void RegisterStoredSkinClasses();
