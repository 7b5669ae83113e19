// unzipper list: the archive's directory as the component reads it.
//
// Output (stable; scripts and tests parse it):
//   one line per entry, in the order of the sorted view:
//     INDEX METHOD FLAGS COMPRESSED UNCOMPRESSED CRC YYYY-MM-DD HH:MM:SS NAME
//   INDEX and METHOD decimal; FLAGS four hex digits; sizes decimal (as
//   unsigned 32-bit); CRC eight hex digits; the normalized DOS date and time;
//   NAME is Directory + FileName, GBK bytes as stored (backslash separators),
//   running to the end of the line.
//   then, when the archive has a comment, "comment: " and its bytes;
//   and last "N entries".
// On an error the exception's message goes to standard error, exit code 2.
#include <cstdio>
#include <exception>
#include <string>

#include "archive/unzipper.h"
#include "platform/gbk.h"
#include "tools/unzipper/commands.h"
#include "tools/unzipper/console.h"

namespace unzipper {
namespace {

bool ParseSortMode(std::string text, archive::TZipSortMode& mode) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  if (text.rfind("by", 0) == 0) text = text.substr(2);
  static const struct {
    const char* name;
    archive::TZipSortMode mode;
  } kModes[] = {{"name", archive::ByName},
                {"filename", archive::ByFileName},
                {"directoryname", archive::ByDirectoryName},
                {"date", archive::ByDate},
                {"compressedsize", archive::ByCompressedSize},
                {"uncompressedsize", archive::ByUnCompressedSize},
                {"rate", archive::ByRate},
                {"none", archive::ByNone}};
  for (const auto& m : kModes)
    if (text == m.name) {
      mode = m.mode;
      return true;
    }
  return false;
}

bool ParseIncompleteMode(const std::string& text, archive::TIncompleteZipMode& mode) {
  if (text == "multi") mode = archive::izAssumeMulti;
  else if (text == "bad") mode = archive::izAssumeBad;
  else if (text == "notzip") mode = archive::izAssumeNotAZip;
  else return false;
  return true;
}

std::string EntryLine(int index, const archive::TZipEntryInfo& e) {
  uint32_t time = e.DateTime & 0xFFFF, date = e.DateTime >> 16;
  char line[160];
  std::snprintf(line, sizeof line, "%d %u %04x %u %u %08x %04u-%02u-%02u %02u:%02u:%02u ", index,
                static_cast<unsigned>(e.Method), static_cast<unsigned>(e.Flags),
                static_cast<unsigned>(static_cast<uint32_t>(e.CompressedSize)),
                static_cast<unsigned>(static_cast<uint32_t>(e.UncompressedSize)), static_cast<unsigned>(e.CRC32),
                1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F, time >> 11, (time >> 5) & 0x3F,
                2 * (time & 0x1F));
  return line + e.FullName() + "\n";
}

}  // namespace

int ListCommand(const Arguments& args) {
  archive::TZipSortMode sort = archive::ByNone;
  archive::TIncompleteZipMode incomplete = archive::izAssumeMulti;
  std::string path;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--sort" && i + 1 < args.size()) {
      if (!ParseSortMode(args[++i], sort)) {
        WriteError("unknown sort mode: " + args[i] + "\n");
        return 1;
      }
    } else if (args[i] == "--incomplete-mode" && i + 1 < args.size()) {
      if (!ParseIncompleteMode(args[++i], incomplete)) {
        WriteError("unknown incomplete mode: " + args[i] + "\n");
        return 1;
      }
    } else if (path.empty() && args[i].rfind("--", 0) != 0) {
      path = args[i];
    } else {
      WriteError("usage: unzipper list [--sort MODE] [--incomplete-mode multi|bad|notzip] ARCHIVE\n");
      return 1;
    }
  }
  if (path.empty()) {
    WriteError("usage: unzipper list [--sort MODE] [--incomplete-mode multi|bad|notzip] ARCHIVE\n");
    return 1;
  }
  try {
    archive::TUnZipper zipper;
    zipper.MessageBoxes = AnswerWithoutWindow;
    zipper.SortMode = sort;
    zipper.IncompleteZipMode = incomplete;
    zipper.DoProcessMessages = false;
    zipper.SetZipName(path);
    // OpenArchive rather than ReadZipDirectory: a missing end record is an
    // error here, not an empty listing.
    zipper.OpenArchive();
    std::string out;
    for (int i = 0; i < zipper.Count(); ++i) out += EntryLine(i, zipper.EntryAt(i));
    std::string comment = zipper.ZipComment();
    if (!comment.empty()) out += "comment: " + comment + "\n";
    out += std::to_string(zipper.Count()) + " entries\n";
    WriteOut(out);
    return 0;
  } catch (const std::exception& e) {
    WriteError(std::string(e.what()) + "\n");
    return 2;
  }
}

}  // namespace unzipper
