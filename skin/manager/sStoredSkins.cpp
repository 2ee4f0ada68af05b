#include "skin/manager/sStoredSkins.h"

#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Writer.h"

TsStoredSkin::TsStoredSkin(TCollection* collection)
    : TCollectionItem(collection),
      masterBitmap_(std::make_unique<TBitmap>()),
      packedData_(std::make_unique<TMemoryStream>()) {}

TsStoredSkin::~TsStoredSkin() = default;

void TsStoredSkin::SetPackedData(const void* data, size_t size) {
  packedData_->Clear();
  packedData_->WriteBuffer64(data, static_cast<Int64>(size));
  packedData_->SetPosition(0);
}

std::vector<Byte> TsStoredSkin::PackedBytes() const {
  const auto* begin = static_cast<const Byte*>(packedData_->Memory());
  return begin == nullptr ? std::vector<Byte>{} : std::vector<Byte>(begin, begin + packedData_->GetSize());
}

void TsStoredSkin::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TsStoredSkin*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  const std::vector<Byte> bytes = other->PackedBytes();
  SetPackedData(bytes.data(), bytes.size());
  Name = other->Name;
  masterBitmap_->Assign(other->masterBitmap_.get());
  Shadow1Offset = other->Shadow1Offset;
  Shadow1Color = other->Shadow1Color;
  Shadow1Blur = other->Shadow1Blur;
  Shadow1Transparency = other->Shadow1Transparency;
  BorderColor = other->BorderColor;
  Version = other->Version;
  Author = other->Author;
  Description = other->Description;
}

void TsStoredSkin::DefineProperties(TFiler& filer) {
  TCollectionItem::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Data", [this](TStream& stream) {
        packedData_->Clear();
        packedData_->CopyFrom(stream, 0);
        packedData_->SetPosition(0);
      },
      [this](TStream& stream) { packedData_->SaveToStream(stream); }, true);
}

void TsStoredSkin::WriteProperties(TWriter& writer) {
  if (!Name.empty()) writer.WriteString("Name", Name);
  if (Version != 0) writer.WriteFloat("Version", Version);
  if (!Description.empty()) writer.WriteString("Description", Description);
  if (!Author.empty()) writer.WriteString("Author", Author);
  writer.WriteInteger("Shadow1Offset", Shadow1Offset);
  if (Shadow1Color == clBlack)
    writer.WriteIdent("Shadow1Color", "clBlack");
  else
    writer.WriteInteger("Shadow1Color", Shadow1Color);
  if (Shadow1Blur != -1) writer.WriteInteger("Shadow1Blur", Shadow1Blur);
  writer.WriteInteger("Shadow1Transparency", Shadow1Transparency);
  if (BorderColor != 0xFF00FF) writer.WriteInteger("BorderColor", BorderColor);
  writer.WriteDefinedProperties(*this);
}

// ---- the collection ----

TsStoredSkins::TsStoredSkins(TsSkinManager* owner)
    : TOwnedCollection(owner, TCollectionItemClass::Of<TsStoredSkin>()), manager_(owner) {}

TsStoredSkin* TsStoredSkins::Add(const AnsiString& name, const std::vector<Byte>& data) {
  BeginUpdate();
  TsStoredSkin* item = nullptr;
  try {
    item = Add();
    item->Name = name;
    item->SetPackedData(data.data(), data.size());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return item;
}

int TsStoredSkins::IndexOf(const AnsiString& name) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Name == name) return i;
  return -1;
}

void TsStoredSkins::Assign(const TPersistent*) {}

void TsStoredSkins::WriteCollection(TWriter& writer, const AnsiString& name) const {
  writer.BeginCollection(name);
  for (int i = 0; i < Count(); ++i) {
    writer.BeginItem();
    Items(i)->WriteProperties(writer);
    writer.EndItem();
  }
  writer.EndCollection();
}

void TsStoredSkins::Update(TCollectionItem*) {
  if (manager_ != nullptr && manager_->OnSkinListChanged) manager_->OnSkinListChanged(manager_);
}

void RegisterStoredSkinClasses() {
  RegisterStreamedClass<TsStoredSkin>("TsStoredSkin", [](TPropertyTableOf<TsStoredSkin>& p) {
    p.StringProp("Name", &TsStoredSkin::Name);
    p.FloatProp("Version", &TsStoredSkin::Version);
    p.StringProp("Description", &TsStoredSkin::Description);
    p.StringProp("Author", &TsStoredSkin::Author);
    p.IntegerProp("Shadow1Offset", &TsStoredSkin::Shadow1Offset);
    p.IntegerProp("Shadow1Color", &TsStoredSkin::Shadow1Color, ColorIdents());
    p.IntegerProp("Shadow1Blur", &TsStoredSkin::Shadow1Blur);
    p.IntegerProp("Shadow1Transparency", &TsStoredSkin::Shadow1Transparency);
    p.IntegerProp("BorderColor", &TsStoredSkin::BorderColor, ColorIdents());
  });
}
