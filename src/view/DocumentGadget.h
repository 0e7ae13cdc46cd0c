#pragma once
// The view of a text-document window: the document's pages stacked on a
// canvas, each framed and shadowed, the blinking caret, the selection and a
// scroll thumb at the right edge. Keys, typed characters, the mouse and the
// wheel become edits and caret moves on the document.
#include <cstdint>
#include <functional>
#include <memory>

#include "document/Document.h"
#include "platform/Controls.h"

namespace quadrell {

class DocumentGadget final : private CanvasEvents {
 public:
  static constexpr int32_t kPageGap = 10;

  DocumentGadget(ControlParent& parent, const Rect& bounds);
  ~DocumentGadget() override;
  DocumentGadget(const DocumentGadget&) = delete;
  DocumentGadget& operator=(const DocumentGadget&) = delete;

  CanvasControl& GetCanvas() const { return *canvas_; }
  void SetBounds(const Rect& bounds);
  // Shows the document (owned by the caller), from its top.
  void SetDocument(Document* document);
  Document* GetDocument() const { return document_; }
  // Called after every change the view makes to the document or its caret.
  void SetChangeListener(std::function<void()> listener) { onChange_ = std::move(listener); }

  // Lays out what changed when relayout is set, then paints the visible pages.
  void Redraw(bool relayout);
  // The caret blink: only the caret's pixels are painted.
  void ToggleCaret();
  // Scrolls so that the caret is inside the canvas.
  void EnsureCaretVisible();
  // After a change: layout, caret in view and shown at once, paint.
  void Refresh();

  int32_t ScrollOffset() const { return scroll_; }
  void ScrollTo(int32_t offset);
  int32_t TotalHeight() const;
  bool CaretShown() const { return caretShown_; }
  // The caret's rectangle on the canvas.
  Rect CaretRect() const;
  // The canvas point's page and page pixels.
  void PagePoint(int x, int y, int32_t& page, int32_t& pageX, int32_t& pageY) const;

 private:
  void OnCharacter(char16_t c) override;
  void OnKeyDown(int key) override;
  void OnWheel(int notches) override;
  void OnLeftDown(int x, int y) override;
  void OnLeftUp(int x, int y) override;
  void OnLeftDoubleClick(int x, int y) override;
  void OnMouseMove(int x, int y) override;

  int ScrollbarWidth() const;
  int32_t PageLeft() const;
  void Paint(const Rect& area);
  void DrawScrollbar();
  void Changed();

  std::unique_ptr<CanvasControl> canvas_;
  Document* document_ = nullptr;
  std::function<void()> onChange_;
  bool caretShown_ = false;
  int32_t scroll_ = 0;
  int32_t dragAnchorY_ = 0;
  bool draggingThumb_ = false;
  bool selecting_ = false;
};

}  // namespace quadrell
