#pragma once

namespace quadrell {

// Base of the objects the application context hands out ids for.
class RegisteredObject {
 public:
  virtual ~RegisteredObject() = default;
};

}  // namespace quadrell
