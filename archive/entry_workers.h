// Worker threads of an extraction run. Ahead of the caller's thread they read
// entries' compressed data through archive handles of their own, decrypt it,
// inflate it whole (libdeflate) and compute its CRC-32, into buffers bounded
// by a byte budget. They do nothing that has an order or a side effect: the
// caller's thread takes each entry's result when it writes that entry, in
// entry order, and raises every event and makes every decision itself.
//
// Stored and deflated entries whose data and output together fit the
// per-entry cap are decoded whole; the caller decodes an entry whose whole
// result did not come out right (wrong size, wrong CRC, damaged data, wrong
// password) again itself, so that what a caller sees of such an entry is
// exactly what the single-threaded path shows. Whole entries are decrypted
// several at a time, their key chains interleaved. Larger stored and
// deflated entries are streamed: a worker reads and decrypts their
// compressed data and hands it over through a bounded queue, and the caller
// decodes it as it comes, with the decoder it uses for an entry read from
// the archive.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/buffer_arena.h"
#include "platform/streams.h"

namespace archive {

// What a worker needs to know of an entry (from the central directory).
struct WorkerEntry {
  int index = 0;  // in the sorted view
  uint32_t local_header_offset = 0;
  uint32_t compressed_size = 0;  // with the encryption header
  uint32_t uncompressed_size = 0;
  uint32_t crc32 = 0;
  uint32_t date_time = 0;
  uint16_t method = 0;
  uint16_t flags = 0;
};

// A streamed entry's compressed data, decrypted, in chunks: the worker reads
// and decrypts, the caller's thread inflates, so that an entry too large to
// be held whole still has its work split between two threads.
class EntryStream {
 public:
  enum class End {
    Running,
    Completed,   // every compressed byte was handed over
    InputEnded,  // the archive ended before the entry's compressed size
    Failed,      // anything else (read error, password, memory)
  };
  static constexpr size_t kChunkSize = 1u << 20;
  static constexpr size_t kQueuedLimit = 4;  // chunks waiting for the caller

  // Chunks come from the arena (from the heap without one).
  explicit EntryStream(std::shared_ptr<BufferArena> arena = nullptr) : arena_(std::move(arena)) {}

  // Caller: the next chunk into *data/*size, waiting for it (while_waiting
  // runs about every interval); false once the stream has ended and every
  // chunk was taken. The chunk stays valid until the next call.
  bool Next(const uint8_t** data, size_t* size, const std::function<void()>& while_waiting);
  End end() const;

  // Worker side.
  void Put(ArenaBuffer chunk, size_t size);  // waits while the queue is full
  ArenaBuffer TakeFreeChunk();
  void Finish(End end);
  // Either side: the other side has gone; Put then raises Abandoned.
  void Abandon();
  struct Abandoned {};

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  const std::shared_ptr<BufferArena> arena_;
  std::vector<std::pair<ArenaBuffer, size_t>> queue_;  // front first
  size_t queue_front_ = 0;
  ArenaBuffer current_;  // the chunk the caller reads
  std::vector<ArenaBuffer> free_;
  End end_ = End::Running;
  bool abandoned_ = false;
};

// A streamed entry's data as the stream the caller's decoder reads: a read
// past what the worker handed over comes back short, as a read past the end
// of the archive does.
class StreamedData : public platform::TStream {
 public:
  StreamedData(EntryStream& stream, std::function<void()> while_waiting)
      : stream_(stream), while_waiting_(std::move(while_waiting)) {}
  // Waits for the first chunk: false when the worker could not start the
  // entry (nothing was handed over and the stream failed).
  bool Started();
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t, int) override { return -1; }

 private:
  bool Refill();
  EntryStream& stream_;
  std::function<void()> while_waiting_;
  const uint8_t* chunk_ = nullptr;
  size_t size_ = 0;
  size_t at_ = 0;
};

// One entry's decoded bytes. Holds its share of the budget until destroyed.
class DecodedEntry {
 public:
  DecodedEntry() = default;
  ~DecodedEntry();
  DecodedEntry(const DecodedEntry&) = delete;
  DecodedEntry& operator=(const DecodedEntry&) = delete;

  // True when the output has the entry's uncompressed size and its stored
  // CRC-32; data/size/crc are meaningful only then.
  bool whole = false;
  std::string password;  // the password it was decrypted with
  const uint8_t* data = nullptr;
  size_t size = 0;
  uint32_t crc = 0;  // the entry's CRC-32 (final value)
  // Set for a streamed entry (whole and data then unused). Destroying the
  // entry abandons the stream.
  std::shared_ptr<EntryStream> stream;

 private:
  friend class EntryWorkers;
  ArenaBuffer storage_;
  size_t capacity_ = 0;  // of storage_
  size_t reserved_ = 0;
  // Gives the budget share back (the storage goes back to its arena).
  std::function<void(size_t reserved)> release_;
};

class EntryWorkers {
 public:
  struct Limits {
    size_t budget;     // bytes held by all results and work in progress
    size_t entry_cap;  // compressed + uncompressed size of one entry decoded whole
    size_t spares;     // bytes of the buffer block beyond the budget (room for
                       // rounding and for ranges split by held buffers)
  };
  static constexpr Limits kDefaultLimits = {12u << 20, 12u << 20, 2u << 20};

  // Whether an entry may go to the workers: stored or deflated, and with
  // room for its encryption header.
  static bool Suits(const WorkerEntry& entry);
  // Whether it is decoded whole (else streamed).
  static bool Whole(const WorkerEntry& entry, const Limits& limits);
  // What a streamed entry holds of the budget.
  static constexpr size_t kStreamReserve = (EntryStream::kQueuedLimit + 2) * EntryStream::kChunkSize;

  // entries: those the run will visit, in the order it visits them (rising
  // index), every one of which Suits. Starts threads workers at once.
  EntryWorkers(const std::string& archive_path, std::vector<WorkerEntry> entries, const std::string& password,
               int threads, Limits limits = kDefaultLimits);
  // Stops the workers at their next block and waits for them.
  ~EntryWorkers();
  EntryWorkers(const EntryWorkers&) = delete;
  EntryWorkers& operator=(const EntryWorkers&) = delete;

  // The result for entry index, waiting for it when it is still being made;
  // while waiting, while_waiting runs about every interval (it may raise,
  // which ends the wait). Null when index is not the workers' or its result
  // was taken or dropped before.
  std::unique_ptr<DecodedEntry> Take(int index, const std::function<void()>& while_waiting);

  // Drops the results of entries before index: the run has passed them.
  void DropBefore(int index);

  static constexpr int kWaitIntervalMs = 15;

 private:
  enum class State { Waiting, Working, Ready, Gone };

  // A position a worker has taken, with what it reserved of the budget.
  struct Taken {
    size_t position;
    size_t reserve;
  };
  // A buffer and its capacity; it goes back to the arena unless moved out.
  struct HeldBuffer {
    ArenaBuffer buffer;
    size_t capacity = 0;
  };
  struct PendingEntry;  // read and checked, being decrypted

  void Work();
  // The taken whole entry at position, and the whole entries after it that
  // fit the budget now, up to kMaxDecryptedTogether.
  std::vector<Taken> TakeGroup(size_t position, size_t reserve);
  // Reads the group's entries, decrypts them side by side, and finishes and
  // publishes each one as soon as it is decrypted.
  void DecodeGroup(const std::vector<Taken>& group, std::unique_ptr<class WorkerContext>& context);
  // Places the worker's archive handle at the entry's data (after its local
  // header); false when the archive cannot be read there.
  bool SeekToData(const WorkerEntry& entry, WorkerContext& context);
  bool Read(const WorkerEntry& entry, WorkerContext& context, PendingEntry& pending);
  std::unique_ptr<DecodedEntry> Finish(const WorkerEntry& entry, WorkerContext& context, PendingEntry& pending);
  void Publish(size_t position, size_t reserve, std::unique_ptr<DecodedEntry> result);
  void Stream(const WorkerEntry& entry, class WorkerContext& context, EntryStream& stream);
  // The arena's block: the budget and the spares, or what the entries need
  // when that is less.
  static size_t BlockSize(const std::vector<WorkerEntry>& entries, const Limits& limits);
  // What an entry holds of the budget while it is decoded.
  static size_t ReserveFor(const WorkerEntry& entry, const Limits& limits) {
    return Whole(entry, limits) ? static_cast<size_t>(entry.compressed_size) + entry.uncompressed_size
                                : kStreamReserve;
  }
  size_t ReserveFor(const WorkerEntry& entry) const { return ReserveFor(entry, limits_); }
  void Release(size_t reserved);
  HeldBuffer Acquire(size_t size) {
    HeldBuffer held;
    held.buffer = arena_->Take(size, &held.capacity);
    return held;
  }
  bool Fits(size_t bytes) const { return reserved_ == 0 || reserved_ + bytes <= limits_.budget; }

  const std::string archive_path_;
  const std::vector<WorkerEntry> entries_;
  const std::string password_;
  const Limits limits_;
  const int thread_count_;

  std::mutex mutex_;
  std::condition_variable space_;  // workers wait here for budget and entries
  std::condition_variable ready_;  // the caller waits here for a result
  std::vector<State> states_;
  std::vector<std::unique_ptr<DecodedEntry>> results_;
  std::map<int, size_t> position_;  // entry index -> position in entries_
  size_t next_ = 0;                 // next position a worker takes
  size_t reserved_ = 0;
  // Every whole entry's buffers: the block is the budget and the spares.
  const std::shared_ptr<BufferArena> arena_;
  int drop_below_ = -1;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

// The thread count a component starts with: the machine's processors.
int DefaultThreadCount();

}  // namespace archive
