#include "view/FormulaGadget.h"

#include <algorithm>

#include "formula/FunctionRegistry.h"
#include "formula/TextCase.h"
#include "model/Font.h"
#include "platform/FontBackend.h"
#include "shell/Application.h"

namespace quadrell {

namespace {

constexpr Colour kHighlight = 0xDDDDDD;

}  // namespace

std::vector<const FunctionEntry*> MatchFunctions(std::u16string_view prefix, std::u16string_view language) {
  std::vector<const FunctionEntry*> matches;
  if (prefix.empty()) return matches;
  std::u16string wanted = UpperCase(prefix);
  const std::vector<FunctionEntry>& entries = FunctionRegistry::Get().Entries();
  std::vector<bool> taken(entries.size(), false);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].Name(language).starts_with(wanted)) {
      matches.push_back(&entries[i]);
      taken[i] = true;
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::u16string& name = entries[i].Name(language);
    if (!taken[i] && name.size() > 1 && name.find(wanted, 1) != std::u16string::npos) matches.push_back(&entries[i]);
  }
  return matches;
}

FormulaGadget::~FormulaGadget() {
  canvas_.reset();
  popup_.reset();
}

void FormulaGadget::ShowSuggestions(std::u16string_view prefix, int screenX, int screenY, Application& application) {
  if (prefix.empty()) {
    CloseSuggestions();
    return;
  }
  std::u16string language = application.GetLanguage();
  std::vector<const FunctionEntry*> matches = MatchFunctions(prefix, language);
  if (matches.empty()) {
    CloseSuggestions();
    return;
  }
  // A list open beside another window's editor moves to this one.
  if (IsSuggesting() && application_ != &application) CloseSuggestions();
  if (!IsSuggesting()) {
    canvas_.reset();
    popup_ = CreatePopupWindow(application.GetWindow(), Rect{screenX, screenY, kWidth, kHeight}, *this, false);
    canvas_ = CreateCanvasControl(*popup_, Rect{0, 0, kWidth, kHeight}, *this);
    popup_->Show();
  }
  application_ = &application;
  highlighted_ = -1;
  matches_ = std::move(matches);
  Paint();
}

bool FormulaGadget::IsSuggesting() const { return popup_ && popup_->IsOpen(); }

void FormulaGadget::CloseSuggestions() {
  canvas_.reset();
  if (popup_) popup_->Close();
  popup_.reset();
  application_ = nullptr;
  highlighted_ = -1;
  matches_.clear();
}

void FormulaGadget::Highlight(int row) {
  // Kept within the list here, where it is chosen, not only where it is painted.
  highlighted_ = std::clamp(row, -1, static_cast<int>(matches_.size()) - 1);
  Paint();
}

void FormulaGadget::SelectNextSuggestion() {
  if (IsSuggesting()) Highlight(highlighted_ + 1);
}

void FormulaGadget::SelectPreviousSuggestion() {
  if (IsSuggesting()) Highlight(highlighted_ - 1);
}

std::u16string FormulaGadget::ChosenSuggestion() {
  if (!IsSuggesting() || !application_) return u"";
  int row = std::clamp(highlighted_, -1, static_cast<int>(matches_.size()) - 1);
  if (row < 0) return u"";
  std::u16string name = matches_[static_cast<size_t>(row)]->Name(application_->GetLanguage());
  CloseSuggestions();
  return name;
}

std::u16string FormulaGadget::RowText(size_t index) const {
  if (index >= matches_.size() || !application_) return u"";
  const FunctionEntry& entry = *matches_[index];
  return entry.Name(application_->GetLanguage()) + FunctionRegistry::ArgumentHint(entry);
}

Rect FormulaGadget::ScreenRect() const { return popup_ ? popup_->ScreenRect() : Rect{}; }

void FormulaGadget::Paint() {
  if (!canvas_) return;
  Canvas& c = canvas_->Surface();
  c.ClearClip();
  c.FillBox(0, 0, kWidth, kHeight, kWhite);
  if (highlighted_ >= 0) c.FillBox(0, highlighted_ * kRowHeight, kWidth, kRowHeight, kHighlight);
  c.FrameBox(0, 0, kWidth, kHeight, kHighlight);
  c.SetFont(*GetFont(u"Courier New", 12, kFontFlagHighQuality)->platformFont);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(kBlack);
  // Rows below the popup's height are cut off.
  c.SetClip(1, 1, kWidth - 2, kHeight - 2);
  for (size_t i = 0; i < matches_.size() && static_cast<int>(i) * kRowHeight < kHeight; ++i) {
    c.DrawText(5, static_cast<int>(i) * kRowHeight, RowText(i));
  }
  c.ClearClip();
}

}  // namespace quadrell
