// The shrink decoder keeps, per code, only its prefix code and its last byte,
// and spells a code out by walking the prefix links each time it is used.
// That makes partial clearing cheap and keeps codes whose prefix was freed
// (and later reused) correct without special cases: their string simply
// follows whatever occupies the prefix slot when they are used.
#include "archive/decoders/unshrink.h"

#include <memory>


namespace archive {
namespace {

constexpr int kInitialCodeWidth = 9;
constexpr int kMaxCodeWidth = 13;
constexpr int kControlCode = 256;
constexpr int kFirstAssignable = 257;
constexpr int kCodeCount = 8192;
constexpr int kWidenCode = 1;
constexpr int kPartialClearCode = 2;
// Marks a slot of 257-8191 that holds no entry (slot 256 is never an entry).
constexpr uint16_t kFreeSlot = 0xFFFF;
// The longest string: every assignable slot chained, plus the leaf byte.
constexpr int kMaxStringLength = kCodeCount - kFirstAssignable + 1;

struct CodeTable {
  uint16_t prefix[kCodeCount];
  uint8_t last_byte[kCodeCount];
  uint8_t is_prefix[kCodeCount];   // scratch of the partial clear
  uint8_t spelled[kCodeCount];     // a code's string, last byte first
};

class ShrinkDecoder {
 public:
  explicit ShrinkDecoder(DecoderIO& io) : io_(io), table_(std::make_unique<CodeTable>()) {
    for (int code = 0; code < kCodeCount; ++code) table_->prefix[code] = kFreeSlot;
  }

  DecodeStatus Run() {
    const int64_t size = io_.uncompressed_size();
    int64_t produced = 0;
    while (produced < size) {
      int code = ReadCode();
      if (code < 0) return DecodeStatus::Corrupt;
      if (code == kControlCode) {
        if (!Control()) return DecodeStatus::Corrupt;
        continue;
      }
      int length = 0;
      if (previous_ < 0) {
        // The first code has no predecessor to extend; it must be a byte.
        if (code > 255) return DecodeStatus::Corrupt;
        table_->spelled[0] = static_cast<uint8_t>(code);
        length = 1;
      } else {
        // The entry for previous string + (first byte of this one) goes into
        // the lowest free slot before this code is spelled, so a code that
        // refers to that very slot (directly or through a dangling entry)
        // resolves. Its last byte is provisional: it can only be the first
        // byte of the previous string, which is what it is later set to.
        int added = -1;
        if (next_free_ < kCodeCount) {
          added = next_free_;
          table_->prefix[added] = static_cast<uint16_t>(previous_);
          table_->last_byte[added] = previous_first_;
        }
        length = Spell(code);
        if (length == 0) return DecodeStatus::Corrupt;
        if (added >= 0) {
          table_->last_byte[added] = table_->spelled[length - 1];
          AdvanceNextFree();
        }
      }
      if (length > size - produced) return DecodeStatus::Corrupt;
      for (int i = length - 1; i >= 0; --i) io_.PutByte(table_->spelled[i]);
      produced += length;
      previous_ = code;
      previous_first_ = table_->spelled[length - 1];
    }
    io_.FlushOutput();
    return DecodeStatus::Completed;
  }

 private:
  // The next code at the current width, or -1 when the input has ended.
  int ReadCode() {
    int code = static_cast<int>(io_.GetBits(width_));
    return io_.end_of_input() ? -1 : code;
  }

  // Handles the value after a control code; false when it is not defined.
  bool Control() {
    int what = ReadCode();
    if (what == kWidenCode && width_ < kMaxCodeWidth) {
      ++width_;
      return true;
    }
    if (what == kPartialClearCode) {
      PartialClear();
      return true;
    }
    return false;
  }

  // Frees every assignable slot that is not the prefix of an occupied slot.
  void PartialClear() {
    CodeTable& t = *table_;
    for (int code = kFirstAssignable; code < kCodeCount; ++code) t.is_prefix[code] = 0;
    for (int code = kFirstAssignable; code < kCodeCount; ++code) {
      if (t.prefix[code] != kFreeSlot && t.prefix[code] >= kFirstAssignable) t.is_prefix[t.prefix[code]] = 1;
    }
    for (int code = kFirstAssignable; code < kCodeCount; ++code) {
      if (!t.is_prefix[code]) t.prefix[code] = kFreeSlot;
    }
    next_free_ = kFirstAssignable;
    if (t.prefix[next_free_] != kFreeSlot) AdvanceNextFree();
  }

  // Moves next_free_ up to the next free slot (kCodeCount when none is left).
  // Scanning upward suffices: only a partial clear frees slots, and it
  // restarts the scan at the bottom.
  void AdvanceNextFree() {
    do {
      ++next_free_;
    } while (next_free_ < kCodeCount && table_->prefix[next_free_] != kFreeSlot);
  }

  // Writes code's string into spelled[], last byte first, and returns its
  // length; 0 when the chain reaches a free slot or is longer than any real
  // string can be (a cycle).
  int Spell(int code) {
    CodeTable& t = *table_;
    int length = 0;
    while (code > 255) {
      if (t.prefix[code] == kFreeSlot || length == kMaxStringLength - 1) return 0;
      t.spelled[length++] = t.last_byte[code];
      code = t.prefix[code];
    }
    t.spelled[length++] = static_cast<uint8_t>(code);
    return length;
  }

  DecoderIO& io_;
  std::unique_ptr<CodeTable> table_;
  int width_ = kInitialCodeWidth;
  int previous_ = -1;  // the previous code, -1 before the first one
  uint8_t previous_first_ = 0;
  int next_free_ = kFirstAssignable;
};

}  // namespace

DecodeStatus Unshrink(DecoderIO& io) {
  if (io.uncompressed_size() <= 0) {
    io.FlushOutput();
    return DecodeStatus::Completed;
  }
  ShrinkDecoder decoder(io);
  return decoder.Run();
}

}  // namespace archive
