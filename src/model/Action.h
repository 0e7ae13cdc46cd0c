#pragma once
// Undo actions: each records one user change by the objects it touched and
// their state before and after, so the host can take the change back and
// make it again. The code that makes a change creates the action around it;
// the model operations themselves stay free of undo logic (merging excepted).

namespace quadrell {

class Action {
 public:
  virtual ~Action() = default;
  // Restores the state before the change.
  virtual void Undo() = 0;
  // Restores the state after the change.
  virtual void Redo() = 0;
  // What the host's status hook is shown; no action has anything to say.
  virtual const void* GetInfo() const { return nullptr; }
};

}  // namespace quadrell
