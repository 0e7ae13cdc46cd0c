#pragma once
// A host without views: the converter's and the tests'. It keeps the undo and
// redo lists and applies the host's discipline to them; repaints go nowhere.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/Action.h"
#include "model/Host.h"

namespace quadrell {

class PlainHost : public Host {
 public:
  explicit PlainHost(std::u16string_view language = u"en") : language_(language) {}
  std::u16string_view FormulaLanguage() const override { return language_; }
  void SetFormulaLanguage(std::u16string_view language) { language_ = language; }
  void UpdateCellInViews(int32_t, int32_t) override {}
  void AddAction(std::unique_ptr<Action>&& action) override { history_.AddAction(std::move(action)); }
  void Refresh() override { ++refreshCount_; }

  // The undo and redo commands: take back (or make again) the newest action,
  // then refresh, also when there was none.
  void Undo() {
    history_.Undo();
    Refresh();
  }
  void Redo() {
    history_.Redo();
    Refresh();
  }
  UndoHistory& History() { return history_; }
  int RefreshCount() const { return refreshCount_; }

 private:
  std::u16string language_;
  UndoHistory history_;
  int refreshCount_ = 0;
};

}  // namespace quadrell
