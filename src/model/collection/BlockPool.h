#pragma once
// Fixed-size blocks for the objects a sheet holds by the million (cells, their
// extras, rows): no allocator header per object, freed blocks are reused.
// Under the address sanitizer they come from the ordinary heap, so that use
// after free is still caught. Objects are made and freed on one thread.
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace quadrell {

#if defined(__SANITIZE_ADDRESS__)
#define QUADRELL_PLAIN_BLOCK_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUADRELL_PLAIN_BLOCK_HEAP 1
#endif
#endif

template <typename Object>
class BlockPool {
 public:
  static BlockPool& Instance() {
    static BlockPool* pool = new BlockPool();  // never destroyed: objects of static sheets may outlive it
    return *pool;
  }
  void* Allocate() {
    if (free_) {
      void* p = free_;
      free_ = *static_cast<void**>(p);
      return p;
    }
    if (next_ == end_) {
      // Left uninitialised: the pages of a chunk cost memory only once used.
      chunks_.push_back(std::make_unique_for_overwrite<Block[]>(kBlocksPerChunk));
      next_ = chunks_.back().get();
      end_ = next_ + kBlocksPerChunk;
    }
    return next_++;
  }
  void Release(void* p) {
    *static_cast<void**>(p) = free_;
    free_ = p;
  }
  size_t Bytes() const { return chunks_.size() * kBlocksPerChunk * sizeof(Block); }

 private:
  struct alignas(alignof(Object)) Block {
    unsigned char bytes[sizeof(Object)];
  };
  static constexpr size_t kBlocksPerChunk = 32768;
  std::vector<std::unique_ptr<Block[]>> chunks_;
  Block* next_ = nullptr;
  Block* end_ = nullptr;
  void* free_ = nullptr;
};

// For a class's operator new and delete.
template <typename Object>
void* PooledNew(size_t size) {
#ifdef QUADRELL_PLAIN_BLOCK_HEAP
  return ::operator new(size);
#else
  (void)size;
  return BlockPool<Object>::Instance().Allocate();
#endif
}

template <typename Object>
void PooledDelete(void* pointer) {
  if (!pointer) return;
#ifdef QUADRELL_PLAIN_BLOCK_HEAP
  ::operator delete(pointer);
#else
  BlockPool<Object>::Instance().Release(pointer);
#endif
}

}  // namespace quadrell
