# The packer's sources, paths from the top of the source tree. The trees'
# own packer (CMakeLists.txt here) compiles the packer's sources and links
# the project's libraries for the rest; the build machine's packer of the
# Windows trees (host/) compiles both lists, with the simulated platform.
set(DZ_PACKER_OWN_SOURCES
  tools/packer/installer_writer.cpp
  tools/packer/packer.cpp
  tools/packer/pe_resources.cpp
  tools/packer/signing.cpp
  tools/packer/version_info.cpp
  tools/packer/zip_writer.cpp)
# What it takes from the libraries dz_app and dz_payload_checks; the
# platform's own lists are in platform/platform_sources.cmake.
set(DZ_PACKER_LIBRARY_SOURCES
  app/profile_file.cpp
  app/toolkit.cpp
  common/payload_checks.cpp)
