// Worker threads of an extraction run. Ahead of the caller's thread they read
// entries' compressed data through archive handles of their own, decrypt it,
// inflate it whole (libdeflate) and compute its CRC-32, into buffers bounded
// by a byte budget. They do nothing that has an order or a side effect: the
// caller's thread takes each entry's result when it writes that entry, in
// entry order, and raises every event and makes every decision itself.
//
// Only stored and deflated entries whose data and output together fit the
// per-entry cap are given to workers; the caller decodes the rest itself, as
// it does an entry whose result did not come out whole (wrong size, wrong
// CRC, damaged data, wrong password), so that what a caller sees of such an
// entry is exactly what the single-threaded path shows.
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

 private:
  friend class EntryWorkers;
  std::unique_ptr<uint8_t[]> storage_;
  size_t capacity_ = 0;  // of storage_
  size_t reserved_ = 0;
  // Gives the budget share back and the storage to the workers' spares.
  std::function<void(std::unique_ptr<uint8_t[]>, size_t capacity, size_t reserved)> release_;
};

class EntryWorkers {
 public:
  struct Limits {
    size_t budget;     // bytes held by all results and work in progress
    size_t entry_cap;  // compressed + uncompressed size of one entry
  };
  static constexpr Limits kDefaultLimits = {20u << 20, 12u << 20};

  // Whether an entry of these sizes and method may go to the workers.
  static bool Suits(const WorkerEntry& entry, const Limits& limits);

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

  void Work();
  std::unique_ptr<DecodedEntry> Decode(const WorkerEntry& entry, class WorkerContext& context);
  void Release(std::unique_ptr<uint8_t[]> storage, size_t capacity, size_t reserved);
  // Buffers are kept for reuse rather than freed: a fresh one costs a page
  // fault per 4 KB as it is first written. Spares and reservations together
  // stay within the budget. Called with mutex_ held.
  std::unique_ptr<uint8_t[]> AcquireLocked(size_t size, size_t* capacity);
  void KeepLocked(std::unique_ptr<uint8_t[]> buffer, size_t capacity);
  void TrimSparesLocked();
  std::unique_ptr<uint8_t[]> Acquire(size_t size, size_t* capacity) {
    std::lock_guard<std::mutex> lock(mutex_);
    return AcquireLocked(size, capacity);
  }
  bool Fits(size_t bytes) const { return reserved_ == 0 || reserved_ + bytes <= limits_.budget; }

  const std::string archive_path_;
  const std::vector<WorkerEntry> entries_;
  const std::string password_;
  const Limits limits_;

  std::mutex mutex_;
  std::condition_variable space_;  // workers wait here for budget and entries
  std::condition_variable ready_;  // the caller waits here for a result
  std::vector<State> states_;
  std::vector<std::unique_ptr<DecodedEntry>> results_;
  std::map<int, size_t> position_;  // entry index -> position in entries_
  size_t next_ = 0;                 // next position a worker takes
  size_t reserved_ = 0;
  std::multimap<size_t, std::unique_ptr<uint8_t[]>> spares_;  // by capacity
  size_t spare_bytes_ = 0;
  int drop_below_ = -1;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

// The thread count a component starts with: the machine's processors.
int DefaultThreadCount();

}  // namespace archive
