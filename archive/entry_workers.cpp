#include "archive/entry_workers.h"

#include <libdeflate.h>

#include <algorithm>

#include "archive/decoders/crc32.h"
#include "archive/decoders/traditional_crypt.h"
#include "archive/errors.h"
#include "archive/zip_records.h"
#include "platform/files.h"

namespace archive {

// What one worker owns: its archive handle and its decompressor.
class WorkerContext {
 public:
  explicit WorkerContext(const std::string& path)
      : file(path, platform::File::Mode::ReadShared), decompressor(libdeflate_alloc_decompressor()) {}
  ~WorkerContext() {
    if (decompressor) libdeflate_free_decompressor(decompressor);
  }
  WorkerContext(const WorkerContext&) = delete;
  WorkerContext& operator=(const WorkerContext&) = delete;

  platform::File file;
  libdeflate_decompressor* decompressor;
};

namespace {

// Compressed data is read in blocks of this size; the stop request is
// answered between blocks.
constexpr size_t kReadBlock = 1u << 20;

}  // namespace

struct EntryWorkers::PendingEntry {
  HeldBuffer input;
  uint8_t* data = nullptr;  // the compressed data after the encryption header
  size_t size = 0;
  size_t decrypted = 0;
  TraditionalKeys keys;
};

DecodedEntry::~DecodedEntry() {
  if (stream) stream->Abandon();
  storage_.reset();
  if (release_) release_(reserved_);
}

bool EntryStream::Next(const uint8_t** data, size_t* size, const std::function<void()>& while_waiting) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (current_) free_.push_back(std::move(current_));
  changed_.notify_all();
  for (;;) {
    if (queue_front_ < queue_.size()) {
      current_ = std::move(queue_[queue_front_].first);
      *data = current_.get();
      *size = queue_[queue_front_].second;
      if (++queue_front_ == queue_.size()) {
        queue_.clear();
        queue_front_ = 0;
      }
      changed_.notify_all();
      return true;
    }
    if (end_ != End::Running) return false;
    if (!changed_.wait_for(lock, std::chrono::milliseconds(EntryWorkers::kWaitIntervalMs), [&] {
          return queue_front_ < queue_.size() || end_ != End::Running;
        })) {
      lock.unlock();
      if (while_waiting) while_waiting();
      lock.lock();
    }
  }
}

EntryStream::End EntryStream::end() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return end_;
}

void EntryStream::Put(ArenaBuffer chunk, size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return abandoned_ || queue_.size() - queue_front_ < kQueuedLimit; });
  if (abandoned_) throw Abandoned();
  queue_.emplace_back(std::move(chunk), size);
  changed_.notify_all();
}

ArenaBuffer EntryStream::TakeFreeChunk() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) throw Abandoned();
    if (!free_.empty()) {
      ArenaBuffer chunk = std::move(free_.back());
      free_.pop_back();
      return chunk;
    }
  }
  if (!arena_) return ArenaBuffer(new uint8_t[kChunkSize], BufferHome{});
  size_t capacity = 0;
  return arena_->Take(kChunkSize, &capacity);
}

void EntryStream::Finish(End end) {
  std::lock_guard<std::mutex> lock(mutex_);
  end_ = end;
  changed_.notify_all();
}

void EntryStream::Abandon() {
  std::lock_guard<std::mutex> lock(mutex_);
  abandoned_ = true;
  changed_.notify_all();
}

bool StreamedData::Started() { return Refill() || stream_.end() != EntryStream::End::Failed; }

bool StreamedData::Refill() {
  at_ = 0;
  size_ = 0;
  return stream_.Next(&chunk_, &size_, while_waiting_);
}

int64_t StreamedData::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    if (at_ == size_ && !Refill()) break;
    const size_t part = std::min(size_ - at_, static_cast<size_t>(count - done));
    std::copy(chunk_ + at_, chunk_ + at_ + part, out + done);
    at_ += part;
    done += static_cast<int64_t>(part);
  }
  return done;
}

bool EntryWorkers::Suits(const WorkerEntry& entry) {
  if (entry.method != kMethodStored && entry.method != kMethodDeflated) return false;
  return !(entry.flags & 1) || entry.compressed_size >= kEncryptionHeaderSize;
}

bool EntryWorkers::Whole(const WorkerEntry& entry, const Limits& limits) {
  return static_cast<uint64_t>(entry.compressed_size) + entry.uncompressed_size <= limits.entry_cap;
}

int DefaultThreadCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(std::min(n, 64u));
}

size_t EntryWorkers::BlockSize(const std::vector<WorkerEntry>& entries, const Limits& limits) {
  // No more than the run can use at once, and no more than all its entries
  // need (a small archive takes a small block).
  const size_t most = limits.budget + limits.spares;
  size_t need = 0;
  for (const WorkerEntry& entry : entries) {
    need += ReserveFor(entry, limits) + 2 * BufferArena::kGrain;  // two buffers, each rounded up
    if (need >= most) return most;
  }
  return need;
}

EntryWorkers::EntryWorkers(const std::string& archive_path, std::vector<WorkerEntry> entries,
                           const std::string& password, int threads, Limits limits)
    : archive_path_(archive_path),
      entries_(std::move(entries)),
      password_(password),
      limits_(limits),
      thread_count_(std::max(threads, 1)),
      states_(entries_.size(), State::Waiting),
      results_(entries_.size()),
      arena_(BufferArena::Create(BlockSize(entries_, limits))) {
  for (size_t i = 0; i < entries_.size(); ++i) position_[entries_[i].index] = i;
  const int count = static_cast<int>(std::min<size_t>(static_cast<size_t>(std::max(threads, 1)), entries_.size()));
  try {
    for (int i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
  } catch (...) {
    // Fewer threads than asked for (the system refused one): those started
    // do the work; with none, every entry is the caller's.
    if (threads_.empty()) {
      std::lock_guard<std::mutex> lock(mutex_);
      std::fill(states_.begin(), states_.end(), State::Gone);
      next_ = entries_.size();
    }
  }
}

EntryWorkers::~EntryWorkers() {
  // A streamed entry published but never taken (the run stopped before it)
  // has a worker that waits for room in its stream: nobody will read it, so
  // the stream is abandoned, or that worker would never end.
  std::vector<std::shared_ptr<EntryStream>> unread;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    for (const auto& result : results_)
      if (result && result->stream) unread.push_back(result->stream);
  }
  for (const auto& stream : unread) stream->Abandon();
  space_.notify_all();
  ready_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  // Results still held give their bytes back to nobody.
  for (auto& result : results_)
    if (result) result->release_ = nullptr;
}

void EntryWorkers::Release(size_t reserved) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    reserved_ -= reserved;
  }
  space_.notify_all();
}

void EntryWorkers::Work() {
  std::unique_ptr<WorkerContext> context;
  for (;;) {
    size_t position;
    size_t reserve;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      space_.wait(lock, [&] {
        // Entries the run has passed meanwhile are not decoded.
        while (next_ < entries_.size() && states_[next_] == State::Gone) ++next_;
        if (stop_ || next_ >= entries_.size()) return true;
        return Fits(ReserveFor(entries_[next_]));
      });
      if (stop_ || next_ >= entries_.size()) return;
      position = next_++;
      reserve = ReserveFor(entries_[position]);
      reserved_ += reserve;
      states_[position] = State::Working;
    }

    if (!Whole(entries_[position], limits_)) {
      // Published at once, so that the caller reads the blocks as they come;
      // the result holds the stream's share of the budget.
      auto result = std::make_unique<DecodedEntry>();
      auto stream = std::make_shared<EntryStream>(arena_);
      result->stream = stream;
      result->password = password_;
      result->reserved_ = reserve;
      result->release_ = [this](size_t reserved) { Release(reserved); };
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_ || entries_[position].index < drop_below_) {
          result->release_ = nullptr;
          reserved_ -= reserve;
          states_[position] = State::Gone;
          space_.notify_one();
          continue;
        }
        results_[position] = std::move(result);
        states_[position] = State::Ready;
      }
      ready_.notify_one();
      try {
        if (!context) context = std::make_unique<WorkerContext>(archive_path_);
        Stream(entries_[position], *context, *stream);
      } catch (...) {
        stream->Finish(EntryStream::End::Failed);
      }
      continue;
    }

    DecodeGroup(TakeGroup(position, reserve), context);
  }
}

std::vector<EntryWorkers::Taken> EntryWorkers::TakeGroup(size_t position, size_t reserve) {
  std::vector<Taken> group{{position, reserve}};
  std::lock_guard<std::mutex> lock(mutex_);
  // Not more than a fair share of what is left: the other workers must not
  // stand idle at the end of an archive.
  const size_t left = entries_.size() - std::min(next_, entries_.size());
  const size_t share = std::max<size_t>(1, (left + 1) / static_cast<size_t>(thread_count_));
  const size_t most = std::min(kMaxDecryptedTogether, share);
  while (group.size() < most && !stop_) {
    while (next_ < entries_.size() && states_[next_] == State::Gone) ++next_;
    if (next_ >= entries_.size() || !Whole(entries_[next_], limits_)) break;
    const size_t more = ReserveFor(entries_[next_]);
    if (!Fits(more)) break;
    reserved_ += more;
    states_[next_] = State::Working;
    group.push_back({next_++, more});
  }
  return group;
}

void EntryWorkers::DecodeGroup(const std::vector<Taken>& group, std::unique_ptr<WorkerContext>& context) {
  std::vector<PendingEntry> pending(group.size());
  std::vector<bool> published(group.size(), false);
  auto publish = [&](size_t member, std::unique_ptr<DecodedEntry> result) {
    published[member] = true;
    // The compressed data is done with: its buffer is no longer counted in
    // the budget, so it goes back now, not when the whole group is done.
    pending[member].input.buffer.reset();
    Publish(group[member].position, group[member].reserve, std::move(result));
  };
  try {
    if (!context) context = std::make_unique<WorkerContext>(archive_path_);
    if (!context->decompressor) throw std::bad_alloc();
    for (size_t member = 0; member < group.size(); ++member) {
      if (!Read(entries_[group[member].position], *context, pending[member]))
        publish(member, std::make_unique<DecodedEntry>());
    }
    // The entries' key chains run side by side, a step of at most one read
    // block at a time (the stop request is answered between steps); each
    // entry is finished and handed over as soon as its last byte is
    // decrypted.
    for (;;) {
      std::vector<size_t> members;
      size_t step = kReadBlock;
      for (size_t member = 0; member < group.size(); ++member) {
        if (published[member]) continue;
        const PendingEntry& entry = pending[member];
        if (entry.decrypted < entry.size) {
          members.push_back(member);
          step = std::min(step, entry.size - entry.decrypted);
        } else {
          publish(member, Finish(entries_[group[member].position], *context, pending[member]));
        }
      }
      if (members.empty()) break;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) break;
      }
      TraditionalKeys* keys[kMaxDecryptedTogether];
      uint8_t* data[kMaxDecryptedTogether];
      for (size_t i = 0; i < members.size(); ++i) {
        PendingEntry& entry = pending[members[i]];
        keys[i] = &entry.keys;
        data[i] = entry.data + entry.decrypted;
        entry.decrypted += step;
      }
      DecryptTogether(keys, data, members.size(), step);
    }
  } catch (...) {
    // An archive that cannot be opened or read, memory refused: the
    // caller's thread decodes the entry and meets the error itself.
  }
  for (size_t member = 0; member < group.size(); ++member)
    if (!published[member]) publish(member, std::make_unique<DecodedEntry>());
}

void EntryWorkers::Publish(size_t position, size_t reserve, std::unique_ptr<DecodedEntry> result) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // The reservation now covers what the result holds.
    reserved_ -= reserve;
    if (stop_ || entries_[position].index < drop_below_) {
      states_[position] = State::Gone;
    } else {
      result->reserved_ = result->capacity_;
      reserved_ += result->reserved_;
      result->release_ = [this](size_t reserved) { Release(reserved); };
      results_[position] = std::move(result);
      states_[position] = State::Ready;
    }
  }
  // The caller may wait for this entry; a worker for the budget it freed.
  ready_.notify_one();
  space_.notify_one();
}

bool EntryWorkers::SeekToData(const WorkerEntry& entry, WorkerContext& context) {
  uint8_t header[kLocalHeaderSize];
  if (context.file.Seek(entry.local_header_offset, 0) < 0) return false;
  if (context.file.Read(header, sizeof header) != sizeof header) return false;
  const int64_t data_start = static_cast<int64_t>(entry.local_header_offset) + kLocalHeaderSize +
                             ReadU16(header + local_header::kNameLength) +
                             ReadU16(header + local_header::kExtraLength);
  return context.file.Seek(data_start, 0) == data_start;
}

bool EntryWorkers::Read(const WorkerEntry& entry, WorkerContext& context, PendingEntry& pending) {
  if (!SeekToData(entry, context)) return false;

  // Every early return gives the buffer back to the arena.
  pending.input = Acquire(entry.compressed_size);
  uint8_t* input = pending.input.buffer.get();
  for (size_t done = 0; done < entry.compressed_size;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) return false;
    }
    const size_t want = std::min<size_t>(kReadBlock, entry.compressed_size - done);
    if (context.file.Read(input + done, want) != want) return false;
    done += want;
  }

  pending.data = input;
  pending.size = entry.compressed_size;
  pending.decrypted = pending.size;
  if (entry.flags & 1) {
    if (!CheckEncryptionHeader(pending.keys, password_, input,
                               ExpectedCheckByte(entry.flags, entry.date_time, entry.crc32)))
      return false;
    pending.data += kEncryptionHeaderSize;
    pending.size -= kEncryptionHeaderSize;
    pending.decrypted = 0;
  }
  return true;
}

std::unique_ptr<DecodedEntry> EntryWorkers::Finish(const WorkerEntry& entry, WorkerContext& context,
                                                   PendingEntry& pending) {
  auto result = std::make_unique<DecodedEntry>();
  result->password = password_;
  const uint8_t* data = pending.data;
  size_t size = pending.size;
  HeldBuffer output;
  if (entry.method == kMethodStored) {
    if (size != entry.uncompressed_size) return result;
    output = std::move(pending.input);
  } else {
    output = Acquire(entry.uncompressed_size);
    size_t used = 0, produced = 0;
    // Bytes after the end of the deflate stream are allowed, as the
    // streaming inflate allows them.
    if (libdeflate_deflate_decompress_ex(context.decompressor, data, size, output.buffer.get(),
                                         entry.uncompressed_size, &used, &produced) != LIBDEFLATE_SUCCESS ||
        produced != entry.uncompressed_size)
      return result;
    data = output.buffer.get();
    size = produced;
  }
  const uint32_t crc = UpdateRunningCrc(kCrcStart, data, size) ^ kCrcStart;
  if (crc != entry.crc32) return result;
  result->whole = true;
  result->crc = crc;
  result->data = data;
  result->size = size;
  result->capacity_ = output.capacity;
  result->storage_ = std::move(output.buffer);
  return result;
}

void EntryWorkers::Stream(const WorkerEntry& entry, WorkerContext& context, EntryStream& stream) {
  using End = EntryStream::End;
  if (!SeekToData(entry, context)) return stream.Finish(End::Failed);
  size_t left = entry.compressed_size;
  TraditionalKeys keys;
  const bool encrypted = entry.flags & 1;
  if (encrypted) {
    uint8_t check[kEncryptionHeaderSize];
    if (context.file.Read(check, sizeof check) != sizeof check ||
        !CheckEncryptionHeader(keys, password_, check, ExpectedCheckByte(entry.flags, entry.date_time, entry.crc32)))
      return stream.Finish(End::Failed);
    left -= kEncryptionHeaderSize;
  }
  try {
    while (left > 0) {
      ArenaBuffer chunk = stream.TakeFreeChunk();
      const size_t want = std::min(EntryStream::kChunkSize, left);
      const size_t got = context.file.Read(chunk.get(), want);
      if (encrypted) keys.Decrypt(chunk.get(), got);
      if (got > 0) stream.Put(std::move(chunk), got);
      if (got != want) return stream.Finish(End::InputEnded);
      left -= want;
    }
    stream.Finish(End::Completed);
  } catch (const EntryStream::Abandoned&) {
    stream.Finish(End::Failed);
  }
}

std::unique_ptr<DecodedEntry> EntryWorkers::Take(int index, const std::function<void()>& while_waiting) {
  auto found = position_.find(index);
  if (found == position_.end()) return nullptr;
  const size_t position = found->second;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (states_[position] == State::Ready) {
      states_[position] = State::Gone;
      return std::move(results_[position]);
    }
    if (states_[position] == State::Gone || stop_) return nullptr;
    if (!ready_.wait_for(lock, std::chrono::milliseconds(kWaitIntervalMs),
                           [&] { return states_[position] == State::Ready || states_[position] == State::Gone; })) {
      // Pumps messages and answers the abort flag: done without the lock,
      // so the workers go on meanwhile.
      lock.unlock();
      if (while_waiting) while_waiting();
      lock.lock();
    }
  }
}

void EntryWorkers::DropBefore(int index) {
  std::vector<std::unique_ptr<DecodedEntry>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index <= drop_below_) return;
    drop_below_ = index;
    for (auto it = position_.begin(); it != position_.end() && it->first < index; ++it) {
      if (states_[it->second] == State::Ready) dropped.push_back(std::move(results_[it->second]));
      if (states_[it->second] != State::Working) states_[it->second] = State::Gone;
    }
  }
  // Destroyed outside the lock: each gives its bytes back through Release.
  dropped.clear();
  space_.notify_all();
}

}  // namespace archive
