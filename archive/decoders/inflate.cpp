#include "archive/decoders/inflate.h"

#include <zlib.h>

#include <exception>

namespace archive {
namespace {

// zlib's inflateBack calls these with the data path. An exception from the
// source or the sink is caught here, kept, and raised again once zlib has
// returned: unwinding through C frames is not safe on every toolchain.
struct BackContext {
  DecoderIO* io;
  std::exception_ptr error;
  size_t final_part = 0;  // bytes of the last, partial window
};

unsigned PullInput(void* context, z_const unsigned char** buffer) {
  auto* ctx = static_cast<BackContext*>(context);
  if (ctx->error) return 0;
  try {
    size_t count = 0;
    const uint8_t* block = ctx->io->TakeInputBlock(&count);
    *buffer = const_cast<unsigned char*>(block);
    return static_cast<unsigned>(count);
  } catch (...) {
    ctx->error = std::current_exception();
    return 0;
  }
}

// inflateBack hands over the whole window each time it fills, and the part
// decoded so far when it leaves, whatever the reason. A full window is
// flushed at once; a partial one only after a complete stream, so that a
// corrupt stream leaves its unfinished window unwritten.
int PushOutput(void* context, unsigned char* /*window*/, unsigned length) {
  auto* ctx = static_cast<BackContext*>(context);
  if (ctx->error) return 1;
  if (length < kWindowSize) {
    ctx->final_part = length;
    return 0;
  }
  try {
    ctx->io->FlushWindow(length);
    return 0;
  } catch (...) {
    ctx->error = std::current_exception();
    return 1;
  }
}

}  // namespace

DecodeStatus Inflate(DecoderIO& io) {
  z_stream stream{};
  if (inflateBackInit(&stream, 15, io.window()) != Z_OK) return DecodeStatus::OutOfMemory;
  BackContext ctx{&io, nullptr, 0};
  int result = inflateBack(&stream, PullInput, &ctx, PushOutput, &ctx);
  inflateBackEnd(&stream);
  if (ctx.error) std::rethrow_exception(ctx.error);
  if (result == Z_MEM_ERROR) return DecodeStatus::OutOfMemory;
  if (result != Z_STREAM_END) return DecodeStatus::Corrupt;
  if (ctx.final_part > 0) io.FlushWindow(ctx.final_part);
  io.FlushOutput();
  return DecodeStatus::Completed;
}

}  // namespace archive
