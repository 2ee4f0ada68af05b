// Start-up cost of the form definitions: parsing a main-window-sized definition (60 components, a
// 25 KB stored skin as hex, a help text) and reading it into components.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include "vcl/rtl/DefinitionText.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Reader.h"
#include "vcl/rtl/Strings.h"

namespace {

class TBenchControl : public TComponent {
 public:
  using TComponent::TComponent;
  void SetWidth(Integer v) { width = v; }
  void SetCaption(const AnsiString& v) { caption = v; }
  void SetData(const std::vector<Byte>& v) { data = v; }
  void SetBuddy(TBenchControl* v) { buddy = v; }
  TStrings& Lines() { return lines_; }
  Integer width = 0;
  AnsiString caption;
  std::vector<Byte> data;
  TBenchControl* buddy = nullptr;

 private:
  TStringList lines_;
};

class TBenchForm : public TBenchControl {
 public:
  using TBenchControl::TBenchControl;
};

void RegisterBenchClasses() {
  RegisterStreamedClass<TBenchControl>("TBenchControl", [](TPropertyTableOf<TBenchControl>& p) {
    p.IntegerProp("Width", &TBenchControl::SetWidth);
    p.StringProp("Caption", &TBenchControl::SetCaption);
    p.BinaryProp("Data", &TBenchControl::SetData);
    p.ComponentProp("Buddy", &TBenchControl::SetBuddy);
    p.StringsProp("Lines", &TBenchControl::Lines);
  });
  RegisterStreamedClass<TBenchForm, TBenchControl>("TBenchForm");
}

std::string MainSizedDefinition() {
  std::string text = "object frmBench: TBenchForm\n  Caption = 'Napló'\n  Width = 632\n";
  for (int i = 0; i < 60; ++i) {
    std::string n = std::to_string(i);
    text += "  object C" + n + ": TBenchControl\n    Width = " + n + "\n    Caption = 'Összes ''" + n +
            "'' #337'\n    Buddy = C" + std::to_string((i + 1) % 60) + "\n  end\n";
  }
  text += "  object Help: TBenchControl\n    Lines = (\n";
  for (int i = 0; i < 40; ++i) text += "      'Segítség a program használatához, bekezdés " + std::to_string(i) + "'\n";
  text += "    )\n  end\n  object Skin: TBenchControl\n    Data = {\n";
  for (int line = 0; line < 25156 / 32; ++line) text += "      " + std::string(64, 'A') + "\n";
  text += "    }\n  end\nend\n";
  return text;
}

void BM_ParseMainSizedDefinition(benchmark::State& state) {
  const std::string text = MainSizedDefinition();
  for (auto _ : state) benchmark::DoNotOptimize(ParseDefinition(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseMainSizedDefinition);

void BM_ReadMainSizedDefinition(benchmark::State& state) {
  RegisterBenchClasses();
  const std::string text = MainSizedDefinition();
  for (auto _ : state) {
    std::unique_ptr<TComponent> form(New<TBenchForm>(nullptr));
    ReadComponentFromText(*form, text);
    benchmark::DoNotOptimize(form.get());
  }
}
BENCHMARK(BM_ReadMainSizedDefinition);

}  // namespace

BENCHMARK_MAIN();
