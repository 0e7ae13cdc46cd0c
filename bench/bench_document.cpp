// Text documents of about 300 pages: opening the DOCX (read and laid out),
// and one typed key (edit, layout from the edited paragraph, drawing of the
// visible page).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <memory>
#include <string>

#include "document/Document.h"
#include "loadsave/LoadSaveDocx.h"
#include "model/Font.h"

namespace quadrell {
namespace {

// Draws nothing: what is measured is the walk over the lines and tokens.
class NullCanvas final : public Canvas {
 public:
  void DrawText(int, int, std::u16string_view) override {}
  int TextWidth(std::u16string_view) override { return 0; }
  int TextHeight(std::u16string_view) override { return 0; }
  void PlotPoint(int, int, Colour) override {}
  void DrawLine(int, int, int, int, Colour) override {}
  int Width() const override { return 1000; }
  int Height() const override { return 1200; }
  Colour LineColour() const override { return 0; }
  void SetLineColour(Colour) override {}
  void SetFont(const PlatformFont&) override {}
  void SetTextColour(Colour) override {}
  void SetDrawMode(DrawMode) override {}
  void FillBox(int, int, int, int, Colour) override {}
  void BlendBox(int, int, int, int, Colour, int) override {}
  void FrameBox(int, int, int, int, Colour) override {}
  void SetClip(int, int, int, int) override {}
  void ClearClip() override {}
  void DrawImage(const Bitmap&, int, int) override {}
  void FillPath(const VectorPath&, Colour, int) override {}
  void StrokePath(const VectorPath&, Colour, int, double) override {}
};

// About 300 pages: paragraphs of 60 words, every tenth word bold.
std::unique_ptr<Document> Generated() {
  auto document = std::make_unique<Document>();
  StyleRecord bold = NewDefaultStyle();
  bold.font = GetFont(u"Arial", 10, kFontFlagBold);
  const StyleRecord* boldStyle = InternStyle(bold);
  for (int p = 0; p < 3720; ++p) {
    Paragraph& paragraph = p == 0 ? document->GetParagraph(0) : document->AddParagraph();
    for (int w = 0; w < 60; ++w) {
      paragraph.Append(w % 10 == 3 ? u"Wortlaut" : u"word", w % 10 == 3 ? boldStyle : nullptr);
      paragraph.Append(u" ", nullptr);
    }
  }
  return document;
}

std::string GeneratedFile() {
  static std::string path = [] {
    std::string file = "/tmp/quadrell-bench-" + std::to_string(::getpid()) + ".docx";
    SaveDocx(*Generated(), file);
    return file;
  }();
  return path;
}

void BM_OpenDocx300Pages(benchmark::State& state) {
  std::string path = GeneratedFile();
  size_t pages = 0;
  for (auto _ : state) {
    std::unique_ptr<Document> document = LoadDocx(path);
    document->Layout();
    pages = document->Pages().size();
  }
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_OpenDocx300Pages)->Unit(benchmark::kMillisecond);

void BM_TypeKeyIn300Pages(benchmark::State& state) {
  std::unique_ptr<Document> document = Generated();
  document->Layout();
  document->SetCaret({1800, 100});
  NullCanvas canvas;
  for (auto _ : state) {
    document->TypeCharacter(u'x');
    document->Layout();
    Document::CaretPlace place = document->PlaceOf(document->Caret());
    document->Pages()[static_cast<size_t>(place.page)].Draw(*document, canvas, 0, 0, Rect{0, 0, 1000, 1200});
  }
  state.counters["pages"] = static_cast<double>(document->Pages().size());
}
BENCHMARK(BM_TypeKeyIn300Pages)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quadrell

BENCHMARK_MAIN();
