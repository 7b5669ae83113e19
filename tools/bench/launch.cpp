// Runs one installer for the install benchmark (bench_nsis.py) and reports,
// one "name value" pair a line on standard output:
//   exit      the program's exit code
//   seconds   from CreateProcess to the end of the process
//   peak_*    the largest memory counters seen, read every 10 ms while the
//             program runs and once more as it ends (PROCESS_MEMORY_COUNTERS_EX:
//             private bytes, page-file bytes, working set)
//   image     the program file's size in bytes
// With --regions first, every 20 ms the program's whole address space is
// walked with VirtualQueryEx as well, and the largest committed totals seen of
// each kind are reported: region_private (MEM_PRIVATE: the heap, stacks and
// buffers), region_image (MEM_IMAGE: the executable and DLLs as mapped) and
// region_mapped (MEM_MAPPED: file views). The walk costs time, so these runs
// are not the timed ones.
//
//   bench_launch.exe [--regions] PROGRAM [ARGUMENTS...]
// The arguments are passed on as they stand in this program's command line.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Peaks {
  SIZE_T private_usage = 0, pagefile = 0, working_set = 0, peak_pagefile = 0, peak_working_set = 0;
  void Read(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
      return;
    auto keep = [](SIZE_T& kept, SIZE_T seen) { if (seen > kept) kept = seen; };
    keep(private_usage, counters.PrivateUsage);
    keep(pagefile, counters.PagefileUsage);
    keep(working_set, counters.WorkingSetSize);
    keep(peak_pagefile, counters.PeakPagefileUsage);
    keep(peak_working_set, counters.PeakWorkingSetSize);
  }
};

// Committed bytes of each kind of region in a process's address space.
struct Regions {
  SIZE_T private_bytes = 0, image = 0, mapped = 0;
  void Walk(HANDLE process) {
    SIZE_T now_private = 0, now_image = 0, now_mapped = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (const char* at = nullptr; VirtualQueryEx(process, at, &info, sizeof info) == sizeof info;) {
      if (info.State == MEM_COMMIT) {
        if (info.Type == MEM_PRIVATE) now_private += info.RegionSize;
        else if (info.Type == MEM_IMAGE) now_image += info.RegionSize;
        else if (info.Type == MEM_MAPPED) now_mapped += info.RegionSize;
      }
      const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
      if (next <= at) break;
      at = next;
    }
    if (now_private > private_bytes) private_bytes = now_private;
    if (now_image > image) image = now_image;
    if (now_mapped > mapped) mapped = now_mapped;
  }
};

// The rest of this program's command line after its own name.
std::wstring Rest(const wchar_t* line) {
  bool quoted = false;
  for (; *line; ++line) {
    if (*line == L'"') quoted = !quoted;
    else if (!quoted && (*line == L' ' || *line == L'\t')) break;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

std::wstring FirstWord(const std::wstring& line) {
  if (!line.empty() && line[0] == L'"') return line.substr(1, line.find(L'"', 1) - 1);
  return line.substr(0, line.find(L' '));
}

}  // namespace

int wmain() {
  std::wstring command = Rest(GetCommandLineW());
  const bool regions = command.rfind(L"--regions", 0) == 0;
  if (regions) command = Rest(command.c_str());
  if (command.empty()) {
    std::fprintf(stderr, "usage: bench_launch.exe PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  WIN32_FILE_ATTRIBUTE_DATA data{};
  unsigned long long image = 0;
  if (GetFileAttributesExW(FirstWord(command).c_str(), GetFileExInfoStandard, &data))
    image = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  LARGE_INTEGER frequency, begin, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    std::fprintf(stderr, "CreateProcess failed: %lu\n", GetLastError());
    return 2;
  }
  Peaks peaks;
  Regions walked;
  while (WaitForSingleObject(info.hProcess, regions ? 20 : 10) == WAIT_TIMEOUT) {
    peaks.Read(info.hProcess);
    if (regions) walked.Walk(info.hProcess);
  }
  QueryPerformanceCounter(&end);
  peaks.Read(info.hProcess);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::printf("exit %lu\nseconds %.4f\nimage %llu\n", code,
              static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart), image);
  std::printf("peak_private %lu\npeak_pagefile %lu\npeak_working_set %lu\nwine_peak_pagefile %lu\nwine_peak_working_set %lu\n",
              static_cast<unsigned long>(peaks.private_usage), static_cast<unsigned long>(peaks.pagefile),
              static_cast<unsigned long>(peaks.working_set), static_cast<unsigned long>(peaks.peak_pagefile),
              static_cast<unsigned long>(peaks.peak_working_set));
  if (regions)
    std::printf("region_private %lu\nregion_image %lu\nregion_mapped %lu\n",
                static_cast<unsigned long>(walked.private_bytes), static_cast<unsigned long>(walked.image),
                static_cast<unsigned long>(walked.mapped));
  return 0;
}
