# The platform layer's sources, paths from the top of the source tree: the
# portable part, and the simulated Windows of the native trees. The platform
# library (CMakeLists.txt here) and the build machine's packer of the Windows
# trees (tools/packer/host/) both take them from here.
set(DZ_PLATFORM_PORTABLE_SOURCES
  platform/dialogs.cpp
  platform/file_contents.cpp
  platform/gbk.cpp
  platform/page_memory.cpp
  platform/streams.cpp
  platform/memory_canvas.cpp)
set(DZ_PLATFORM_SIMULATED_SOURCES
  platform/simulated/encoding.cpp
  platform/simulated/files.cpp
  platform/simulated/page_memory.cpp
  platform/simulated/host_paths.cpp
  platform/simulated/system.cpp
  platform/simulated/display.cpp
  platform/simulated/registry.cpp
  platform/simulated/shell_links.cpp
  platform/simulated/private_folder.cpp
  platform/testing/box_and_pump_hooks.cpp)
